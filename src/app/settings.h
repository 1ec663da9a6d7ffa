#pragma once
// The user's settings: one record held in memory for the whole run, loaded
// from the registry key of the current user at start and written back as a
// whole when the settings dialog is confirmed. Saving also keeps the
// start-at-logon entry of the Run key in step with `autorun`. On the first
// run the record takes the interface language chosen by the installer.
//
// Registry (all below HKEY_CURRENT_USER):
//   SOFTWARE\Tavrill Driver Updater           the settings, read and written
//   SOFTWARE\Tavrill_Driver_Updater_Init      "language" (REG_DWORD 1..11),
//                                             written by the installer
//   SOFTWARE\Microsoft\Windows\CurrentVersion\Run
//                                             "Tavrill Driver Updater" = the
//                                             program's full path
#include "app/folders.h"
#include "app/ignored_offers.h"
#include "app/registry.h"
#include "common/text.h"

#include <cstdint>
#include <memory>

namespace tdu {

constexpr size_t settings_path_chars = 260;
constexpr size_t settings_language_chars = 32;
constexpr size_t settings_date_chars = 16;

extern const char16_t settings_key_path[];
extern const char16_t installer_key_path[];
extern const char16_t run_key_path[];
extern const char16_t run_value_name[];

struct app_settings_t {
    int32_t autorun = 0;         // "autorun": a Run entry starts the program at logon
    int32_t scan_offline = 0;    // "scan_offline": scans include devices not present
    int32_t close_to_tray = 1;   // "close_to_tray": 0 off; 1 on, notice not shown yet; 2 on, shown
    int32_t scheduled_scan = 0;  // "scheduled_scan": the weekly scan task is configured
    // "restore_point": 1 a system restore point is made before the first
    // installation of a run; 0 none is (no dialog sets it; the user sets the
    // value in the registry).
    int32_t restore_point = 1;
    // "update_check": after a scan the program looks for a newer version of
    // itself once a week (and says so in the results view's header); 0 off.
    int32_t update_check = 1;
    // "update_check_time": the last such look that got an answer, seconds
    // since 1970-01-01 UTC as decimal text (REG_SZ); 0 never.
    int64_t update_check_time = 0;
    // Where this run downloads and unpacks packages: "download_path" as
    // loaded at start, never changed while the program runs.
    char16_t active_download_path[settings_path_chars] = {};
    // "download_path" as the settings dialog shows, edits and saves it; a
    // change takes effect at the next start.
    char16_t download_path[settings_path_chars] = {};
    char16_t backup_path[settings_path_chars] = {};        // "backup_path", used at once
    // "driver_folder": a local folder of driver packages the scans take
    // their offers from instead of the update service; empty for the
    // service. Used from the next scan on.
    char16_t driver_folder[settings_path_chars] = {};
    char16_t language[settings_language_chars] = u"English";  // "language": a section of language.ini
    char16_t install_date[settings_date_chars] = u"0000-00-00";  // "install_date": first run, UTC
    ignored_offers_t ignored_offers;  // "ignored_updates": the offers the user ignores
};

// The process-wide settings (user-interface thread; workers only read
// scan_offline, active_download_path and backup_path).
extern app_settings_t settings;

// The three keys below HKEY_CURRENT_USER (tests put them elsewhere).
struct settings_keys_t {
    u16 settings = settings_key_path;
    u16 installer = installer_key_path;
    u16 run = run_key_path;
};

// What the store needs from the machine, and the settings key that stays
// open from the load to the end of the process.
struct settings_store_t {
    registry_c& registry;
    folder_ops_c& folders;
    u16 program_folder;    // with a trailing separator
    u16 program_path;      // the Run entry's data
    int64_t (*utc_now)();  // seconds since 1970-01-01 00:00 UTC
    settings_keys_t keys = {};
    std::unique_ptr<registry_key_c> key = nullptr;
    // Set by a first run whose new values could not all be written: the
    // run goes on with them in memory, and the next run (or save) writes
    // them again.
    bool first_run_unwritten = false;
};

// Seconds since 1970-01-01 00:00 UTC from the system clock.
int64_t system_utc_now();

// Every field to its default; `install_date` is left as it is.
void settings_set_defaults(app_settings_t& s, u16view program_folder);

// Fills `s` from the registry (see settings.cpp for the rules). False only
// when the settings key can neither be created nor opened; a first run that
// cannot write the new key's values reports it in first_run_unwritten.
bool settings_load(settings_store_t& store, app_settings_t& s);

// Writes every field (download_path, not active_download_path) and then the
// Run entry. False when a settings value could not be written; a Run key
// that cannot be opened leaves the Run entry as it was and does not count.
bool settings_save(settings_store_t& store, const app_settings_t& s);

// Writes the ignore list alone (the row's "Ignore this update", the ignored
// list's "Stop ignoring", the console); false when it could not be written.
bool settings_save_ignored_offers(settings_store_t& store, const app_settings_t& s);

// Writes update_check_time alone (the weekly look's answer); false when it
// could not be written.
bool settings_save_update_check_time(settings_store_t& store, const app_settings_t& s);

// Sets (enabled) or deletes the Run entry; false if the Run key cannot be
// created or opened.
bool settings_set_run_entry(settings_store_t& store, bool enabled);

// install_date = the UTC date of `utc_seconds`, "%Y-%m-%d".
void settings_stamp_install_date(app_settings_t& s, int64_t utc_seconds);

// The language name of an installer code 1..11; null for any other code.
const char16_t* installer_language_name(uint32_t code);

} // namespace tdu
