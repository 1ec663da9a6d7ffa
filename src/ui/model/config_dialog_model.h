#pragma once
// The settings dialog's decisions, free of the dialog: what its boxes show
// when it opens, what OK checks and applies, what Cancel puts back, and what
// a click on the weekly-scan box does to the scheduled task.
#include "app/language_keys.h"
#include "app/settings.h"
#include "common/text.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace tdu {

// Control ids of dialog 313.
namespace config_id {
constexpr int download_path = 1000;
constexpr int backup_path = 1001;
constexpr int download_browse = 1002;
constexpr int backup_browse = 1003;
constexpr int autorun = 1004;
constexpr int close_to_tray = 1005;
constexpr int scheduled_scan = 1006;
constexpr int language = 1007;
constexpr int scan_offline = 1008;
constexpr int driver_folder = 1009;
constexpr int driver_folder_browse = 1010;
constexpr int update_check = 1011;
} // namespace config_id

// The longest folder a setting holds (its field keeps a terminating zero).
constexpr size_t config_path_max_chars = settings_path_chars - 1;

// What the dialog's controls hold.
struct config_form_t {
    u16 download_path;
    u16 backup_path;
    u16 driver_folder;  // empty: offers from the update service
    bool close_to_tray = false;
    bool autorun = false;
    bool scan_offline = false;
    bool scheduled_scan = false;
    bool update_check = false;  // the weekly look for a newer program version
    int32_t language_index = 0;  // position in the language list
};

// The form as the dialog opens from `s`; an on/off value outside 0 .. 2 is
// first reset to 0 in `s` (as the box shows it).
config_form_t config_form_from(app_settings_t& s);

// What OK does with the form.
struct config_ok_t {
    enum kind_t {
        invalid_folder,  // no such folder; the dialog stays, nothing changes
        too_long,        // longer than a setting holds; the dialog stays, nothing changes
        apply,           // `settings` is saved and the dialog ends with 1
    } kind = apply;
    int field = 0;               // the field refused (config_id), focused after its message
    language_key_t message = lang::btn_ok;  // what a refusal says, in a box over the dialog
    app_settings_t settings{};   // the settings to save (apply)
    bool language_notice = false;  // show "config_language_change_notice" once
};

// OK: the download and backup fields must name existing folders
// (`is_folder`) of at most 259 characters, and so must the driver folder
// unless it is empty (offers from the update service); then every box is copied into a copy of `current`. The
// language notice is due when `form.language_index` differs from
// `current_language_index`, and then the language is the name at that
// position of `language_names`. close_to_tray: clear is 0, ticked is 1
// unless it was on already (1 or 2), which it keeps.
config_ok_t config_ok(const config_form_t& form, const app_settings_t& current, int32_t current_language_index,
                      const std::vector<u16>& language_names, const std::function<bool(u16view)>& is_folder);

// close_to_tray after OK with the box `ticked`.
int32_t close_to_tray_after_ok(bool ticked, int32_t before);

// What a click on the weekly-scan box does to the task.
struct scheduled_click_t {
    bool create = false;      // make the task first (nothing changes when it exists)
    bool trigger_on = false;  // the trigger is switched on (true) or off (false)
    bool edit = false;        // open its property sheet over the dialog
};
scheduled_click_t scheduled_scan_clicked(bool now_ticked);

// Cancel: the trigger's state to put back (the saved setting) when the box
// differs from it; nothing when they agree.
std::optional<bool> config_cancel_trigger(bool box_ticked, int32_t saved_scheduled_scan);

} // namespace tdu
