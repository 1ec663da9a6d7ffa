#pragma once
// What a scan of the demo machine (tests/data/devices/demo_machine.ini)
// finds against the demo catalogue of server/demo, as the console front end
// prints it: the lines after the summary line (whose node count depends on
// the machine the scan runs on). Both the native test (fake Setup API) and
// the end-to-end test under Wine (tdu-cli.exe) hold the scan to these lines.
//
// The same lines come out on Windows 7 with the installed drivers' setup
// ranks (the fake Setup API reports those of the fixture), and on Windows XP
// without them: Wine cannot tell an installed driver's rank, and only on
// systems before Vista does the comparison then go on to the dates and
// versions, so under Wine the demo machine runs Windows XP.

namespace tdu::test {

inline const char* const demo_report_lines[] = {
    "update     | Network adapters | Norvale GbE Network Adapter NV-1021 (installed 2012-02-10 3.0.0.0) | "
    "offered 2013-06-14 3.2.1.0 (Norvale GbE Network Adapter NV-1021)",
    "update     | Printers | Inkmere P2100 (installed 2010-06-01 1.0.0.4) | offered 2012-09-20 2.0.0.11 (Inkmere P2100)",
    "no driver  | Universal Serial Bus controllers | Ostara USB 3.0 eXtensible Host Controller (no driver) | "
    "offered 2013-04-02 1.4.0.12 (Ostara USB 3.0 eXtensible Host Controller)",
    "up to date | Display | Quellix QX-460 Graphics (installed 2012-11-05 8.15.10.2900) | "
    "offered 2012-11-05 8.15.10.2900 (Quellix QX-460 Graphics)",
    "up to date | Sound, video and game controllers | Brightwave HD Audio BW-892 (installed 2011-01-18 6.0.1.6300) | "
    "offered 2013-02-27 6.0.1.6871 (Brightwave HD Audio BW-892)",
    "up to date | System devices | Kestrel K-200 SMBus Controller (installed 2011-05-20 9.3.0.1020); "
    "Kestrel K-200 LPC Interface Controller (installed 2011-05-20 9.3.0.1020) | "
    "offered 2010-10-12 9.2.0.1015 (Kestrel K-200 SMBus Controller)",
    "Out of date: 2, no driver: 1, up to date: 4",
};

// The devices of the machine the scan keeps: the seven above and the SATA
// controller, which gets no offer (the ACPI power button is dropped). Under
// Wine the scan also keeps some of Wine's own nodes, which get no offers.
constexpr int demo_kept_devices = 8;
constexpr int demo_devices_with_offers = 7;

// The packages each offer comes from (the end of its link).
inline const char* const demo_offered_packages[] = {
    "norvale-gbe-3.2.zip", "inkmere-p2100-2.0.zip", "ostara-usb3-1.4.zip",
    "quellix-display-8.15.zip", "brightwave-hdaudio-6.0.zip", "kestrel-chipset-9.2.zip",
};

} // namespace tdu::test
