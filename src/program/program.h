#pragma once
// The composition root of the Windows programs (the window program and the
// console front end): the one place that knows which Win32 back end stands
// behind each seam and which process-wide record each run works on. The
// layers below take what they use as parameters; only this file and the
// programs' entry points name the process-wide objects together.
#include "app/settings.h"
#include "backup/backup_runs.h"
#include "common/text.h"
#include "packages/package_install.h"
#include "service/scan_run.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace tdu {

// What the front end adds to the program's own initialisation steps.
struct init_hooks_t {
    // Shows the failure text; empty: a message box with the program title
    // as caption and the error icon.
    std::function<void(u16view text)> show_failure;
    // The window part's fonts and the driver-store index; empty hooks do
    // nothing.
    std::function<void()> create_fonts;
    std::function<void()> index_driver_packages;
};

// app_init over the program's own steps: Winsock, the program's folder, the
// Win32 environment, WMI, the registry settings, "language.ini" beside the
// program and the global services (COM must be initialised on this thread).
int program_app_init(const init_hooks_t& hooks);

// Start-up's system-information step: the WMI texts into the process-wide
// system_info, the system's name corrected by the environment captured
// before (see service/os_description.h). 0, or -1 when WMI cannot be
// reached. COM must be initialised on this thread.
int program_collect_system_info();

// The settings store over the current user's registry and the shell's
// folder calls, with the program's folder and path as the platform
// environment captured them (first used after start-up's environment step).
settings_store_t& program_settings_store();

// The services each run works on, over the process-wide records. The
// backup services look devices up in the latest scan's result
// (global_services.h), which they hold while they live.
scan_services_t program_scan_services();
backup_services_t program_backup_services();
install_services_t program_install_services();

// Where the scans take their offers from: `drivers_folder` (a command
// line's --drivers) when given, else the settings' driver folder, else the
// update service, with the "drivers" folder beside the program asked when
// the service cannot be reached. Called after start-up, before a scan.
void program_choose_offers_source(u16view drivers_folder);

// The user's ignore list changed: it becomes the settings' (and is saved)
// and the update client's, and `shown` (the answer of a finished scan) is
// ranked again with it into a new result (the scan's request gives the
// system version); `shown` itself stays as it is. The new result becomes
// the latest scan's. `saved` is false when the list could not be saved; it
// holds for this run all the same. Only while no scan runs.
std::shared_ptr<const scan_outcome_t> program_change_ignored_offers(const ignored_offers_t& list,
                                                                    const update_request_t& request,
                                                                    const scan_outcome_t& shown, bool* saved = nullptr);

// How long the exit waits for running workers to stop.
constexpr uint32_t program_exit_wait_ms = 10000;

// The end of the process: asks every running worker to stop and waits up
// to `wait_ms`, stops the download sessions, then frees the global services
// in the reverse order of their making. When some worker is still running
// after the wait, the records it may use (the update client, libcurl) are
// left for the process's end instead of being freed under it; false then.
bool program_exit(uint32_t wait_ms = program_exit_wait_ms);

} // namespace tdu
