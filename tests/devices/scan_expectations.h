#pragma once
// What a scan of tests/data/devices/scan_machine.ini keeps, shared by the
// native test (through the fake Setup API) and the Wine test (through the
// real one), so both back ends are held to one list.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/text.h"
#include "devices/machine_fixture.h"

namespace tdu::test {

struct expected_device_t {
    u16 device_id;
    u16 name;
    u16 enumerator;
    u16 class_name;   // the device's own class name (empty when its class has none)
    u16 class_entry;  // the class entry it was tied to
    int32_t instance_count;
    bool has_driver;
    u16 driver_version, inf_path, driver_date, driver_desc, provider_name, matching_device_id;
    uint32_t rank;        // the installed driver's rank (Wine's Setup API finds none: 0 there)
    bool present;         // attached (Wine's configuration manager says every node is)
    bool offline_only;    // listed only when offline devices are scanned
    bool native_only;     // a node without class GUID, which Wine does not enumerate
    u16 hardware_ids;     // joined with '|'
    u16 compatible_ids;
};

inline const u16 intel_nic_id = u"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02";

inline std::vector<expected_device_t> expected_scan_devices()
{
    const u16 none;
    return {
        {intel_nic_id, u"Intel(R) PRO/1000 MT Desktop Adapter", u"PCI", u"Net", u"Net", 2, true,
         u"8.4.1.0", u"oem12.inf", u"2006-06-21", u"Intel(R) PRO/1000 MT Desktop Adapter", u"Intel",
         u"pci\\ven_8086&dev_100e&subsys_001e8086", 0x00FF0001, true, false, false,
         u"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02|PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086|PCI\\VEN_8086&DEV_100E",
         u"PCI\\VEN_8086&CC_020000|PCI\\CC_0200"},
        {u"ROOT\\TDU_VIRTUAL_NIC", u"Virtual network adapter without driver", u"ROOT", u"Net", u"Net", 1, false,
         none, none, none, none, none, none, 0, true, false, false, u"root\\tdu_virtual_nic", u"root\\tdu_net"},
        {u"PCI\\VEN_14E4&DEV_1677&SUBSYS_01AD1028&REV_01", u"Broadcom NetXtreme 57xx Gigabit Controller", u"PCI",
         u"Net", u"Net", 1, true, u"10.100.4.0", u"oem20.inf", u"2003-01-02",
         u"Broadcom NetXtreme 57xx Gigabit Controller", u"Broadcom", u"pci\\ven_14e4&dev_1677", 0, true, false,
         false, u"PCI\\VEN_14E4&DEV_1677&SUBSYS_01AD1028&REV_01|PCI\\VEN_14E4&DEV_1677", u"PCI\\CC_0200"},
        {u"PCI\\VEN_14E4&DEV_1678&SUBSYS_01AD1028&REV_01", u"Broadcom NetXtreme Gigabit Ethernet", u"PCI", u"Net",
         u"Net", 1, true, u"15.6.0.10", u"oem21.inf", u"2015-12-31", u"Broadcom NetXtreme Gigabit Ethernet",
         u"Broadcom", u"pci\\ven_14e4&dev_1678", 0, true, false, false,
         u"PCI\\VEN_14E4&DEV_1678&SUBSYS_01AD1028&REV_01|PCI\\VEN_14E4&DEV_1678", u"PCI\\CC_0200"},
        // "2015/12/31" is not month-day-year: the date is unknown.
        {u"PCI\\VEN_14E4&DEV_1679&SUBSYS_01AD1028&REV_01", u"Broadcom date written year first", u"PCI", u"Net",
         u"Net", 1, true, u"15.6.0.11", u"oem22.inf", none, u"Broadcom date written year first", u"Broadcom",
         u"pci\\ven_14e4&dev_1679", 0, true, false, false,
         u"PCI\\VEN_14E4&DEV_1679&SUBSYS_01AD1028&REV_01|PCI\\VEN_14E4&DEV_1679", u"PCI\\CC_0200"},
        // "123456789-99-2015" is cut to the field before it is read: unknown.
        {u"PCI\\VEN_14E4&DEV_167A&SUBSYS_01AD1028&REV_01", u"Broadcom date out of range", u"PCI", u"Net", u"Net", 1,
         true, u"15.6.0.12", u"oem23.inf", none, u"Broadcom date out of range", u"Broadcom",
         u"pci\\ven_14e4&dev_167a", 0, true, false, false,
         u"PCI\\VEN_14E4&DEV_167A&SUBSYS_01AD1028&REV_01|PCI\\VEN_14E4&DEV_167A", u"PCI\\CC_0200"},
        {u"IDE\\DISKTDU_SECOND_DISK________1.0_____", u"TDU SECOND DISK", u"IDE", u"DiskDrive", u"DiskDrive", 1,
         false, none, none, none, none, none, none, 0, true, false, false,
         u"IDE\\DiskTDU_SECOND_DISK________1.0_____|GenDisk", u"GenDisk"},
        {u"ACPI\\TDU0A00", u"ACPI sound controller", u"ACPI", u"MEDIA", u"MEDIA", 1, true, u"2.1.0.5",
         u"oem30.inf", u"2011-03-04", u"ACPI sound controller", u"TDU Audio", u"acpi\\tdu0a00", 0x00FF2001, true,
         false, false, u"ACPI\\TDU0A00|*TDU0A00", u"*TDU0A00"},
        // "DriverVersion" is REG_EXPAND_SZ: read as the string it is.
        {u"PCI\\VEN_1102&DEV_0004&SUBSYS_00511102&REV_04", u"Creative SB Audigy 2", u"PCI", u"MEDIA", u"MEDIA", 1,
         true, u"5.12.1.3015", u"oem31.inf", u"2005-10-05", u"Creative SB Audigy 2", u"Creative",
         u"pci\\ven_1102&dev_0004", 0, true, false, false,
         u"PCI\\VEN_1102&DEV_0004&SUBSYS_00511102&REV_04|PCI\\VEN_1102&DEV_0004", u"PCI\\CC_0401"},
        // No "MatchingDeviceId": the values before it stay, the device has no driver.
        {u"PCI\\VEN_1002&DEV_AA38&SUBSYS_AA381002&REV_00", u"ATI High Definition Audio Device", u"PCI", u"MEDIA",
         u"MEDIA", 1, false, u"7.12.0.7705", u"oem32.inf", u"2013-04-01", u"ATI High Definition Audio Device", none,
         none, 0, true, false, false, u"PCI\\VEN_1002&DEV_AA38&SUBSYS_AA381002&REV_00|PCI\\VEN_1002&DEV_AA38",
         u"PCI\\CC_0403"},
        // No "ProviderName": the driver is read.
        {u"PCI\\VEN_8086&DEV_293E&SUBSYS_02301028&REV_02", u"High Definition Audio Controller", u"PCI", u"MEDIA",
         u"MEDIA", 1, true, u"6.1.7601.17514", u"hdaudbus.inf", u"2010-11-20", u"High Definition Audio Controller",
         none, u"pci\\cc_0403", 0x00FF0003, true, false, false,
         u"PCI\\VEN_8086&DEV_293E&SUBSYS_02301028&REV_02|PCI\\VEN_8086&DEV_293E", u"PCI\\CC_0403"},
        {u"USB\\VID_046D&PID_0A29", u"Logitech USB Headset", u"USB", u"MEDIA", u"MEDIA", 1, true, u"6.1.7601.17514",
         u"wdma_usb.inf", u"2006-06-21", u"USB Audio Device", u"Microsoft", u"usb\\class_01", 0, false, true, false,
         u"USB\\VID_046D&PID_0A29&REV_0100|USB\\VID_046D&PID_0A29", u"USB\\Class_01&SubClass_01|USB\\Class_01"},
        {u"PCI\\VEN_1234&DEV_5678&SUBSYS_00000000&REV_00", u"Nameless-class controller", u"PCI", none, u"Unknown", 1,
         false, none, none, none, none, none, none, 0, true, false, false,
         u"PCI\\VEN_1234&DEV_5678&SUBSYS_00000000&REV_00|PCI\\VEN_1234&DEV_5678", u"PCI\\CC_FF00"},
        {u"PCI\\VEN_ABCD&DEV_0001&SUBSYS_00000000&REV_00", u"Device without class", u"PCI", none, u"Unknown", 1, false,
         none, none, none, none, none, none, 0, true, false, true,
         u"PCI\\VEN_ABCD&DEV_0001&SUBSYS_00000000&REV_00|PCI\\VEN_ABCD&DEV_0001", u"PCI\\CC_FF00"},
    };
}

// The classes of the machine as the class list holds them (name,
// description), in their sorted order; the nameless class is left out.
inline std::vector<std::pair<u16, u16>> expected_scan_classes()
{
    return {
        {u"DiskDrive", u"Disk drives"},
        {u"Net", u"Network adapters"},
        {u"LegacyDriver", u"Non-Plug and Play Drivers"},
        {u"Unknown", u"Other devices"},
        {u"Ports", u"Ports (COM & LPT)"},
        {u"Processor", u"Processors"},
        {u"MEDIA", u"Sound, video and game controllers"},
        {u"System", u"System devices"},
    };
}

// Adds a node whose values are larger than the first buffers of the scan
// (friendly name, hardware IDs, driver description and INF path), with its
// driver key, and returns what the scan keeps of it.
inline expected_device_t add_long_value_device(machine_t& machine)
{
    const u16 net = u"{4D36E972-E325-11CE-BFC1-08002BE10318}";
    const u16 device_part = u"TDULONG\\VEN_LONG&DEV_0001";
    fixture_device_t d;
    d.instance_id = device_part + u"\\4&1";
    d.friendly_name = u"Long name " + u16(690, u'n');  // 1400 bytes
    d.class_guid = net;
    d.has_hardware_ids = d.has_compatible_ids = true;
    for (int i = 0; i < 40; ++i) {  // about 9,800 bytes
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, "&%02d", i);
        d.hardware_ids.push_back(device_part + u"&SUBSYS_" + u16(100, u'S') + ascii_to_utf16(suffix));
    }
    d.compatible_ids = {u"TDULONG\\CC_0200"};
    d.driver = net + u"\\0190";
    machine.devices.push_back(d);

    fixture_driver_key_t k;
    k.key = *d.driver;
    u16 desc = u"Long description " + u16(600, u'x');  // 1234 bytes
    u16 inf = u"C:\\Windows\\Inf\\" + u16(300, u'i') + u".inf";
    k.values = {{u"DriverVersion", 1, u"1.2.3.4", 0}, {u"InfPath", 1, inf, 0},        {u"DriverDate", 1, u"7-4-2012", 0},
                {u"DriverDesc", 1, desc, 0},         {u"MatchingDeviceId", 1, u"tdulong\\cc_0200", 0},
                {u"ProviderName", 1, u"TDU", 0}};
    machine.driver_keys.push_back(k);

    u16 hardware;
    for (const u16& id : d.hardware_ids) hardware += (hardware.empty() ? u"" : u"|") + id;
    return expected_device_t{device_part, *d.friendly_name, u"TDULONG", u"Net", u"Net", 1, true, u"1.2.3.4",
                             inf.substr(0, 259), u"2012-07-04", desc, u"TDU", u"tdulong\\cc_0200", 0, true, false,
                             false, hardware, u"TDULONG\\CC_0200"};
}

} // namespace tdu::test
