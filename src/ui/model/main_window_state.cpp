#include "ui/model/main_window_state.h"

#include "app/app_messages.h"
#include "app/language.h"
#include "app/language_format.h"
#include "app/language_keys.h"

namespace tdu {

namespace {

// The balloon's text buffer holds 31 characters with its terminating zero.
constexpr size_t announcement_chars = 30;

void begin_scan(main_state_t& s)
{
    s.scan_deferred = false;
    s.view_state = view_state_scanning;
    s.current = main_view::scan;
}

} // namespace

bool request_scan(main_state_t& s, bool backup_or_restore_running)
{
    if (backup_or_restore_running) {
        s.scan_deferred = true;
        return false;
    }
    begin_scan(s);
    return true;
}

bool deferred_scan_due(main_state_t& s, bool backup_or_restore_running)
{
    if (!s.scan_deferred || backup_or_restore_running) return false;
    begin_scan(s);
    return true;
}

idle_timer_action idle_timer_fired(main_state_t& s, bool backup_or_restore_running)
{
    if (s.view_state != view_state_idle || s.scan_deferred) return idle_timer_action::nothing;
    s.background_phase = background_running;
    return request_scan(s, backup_or_restore_running) ? idle_timer_action::start_scan
                                                      : idle_timer_action::scan_deferred;
}

bool scan_finished(main_state_t& s)
{
    s.view_state = view_state_results;
    s.current = main_view::results;
    if (s.background_phase != background_running) return false;
    s.background_phase = background_announced;
    return true;
}

void show_home(main_state_t& s)
{
    if (s.view_state == view_state_scanning) s.view_state = view_state_idle;
    s.current = main_view::home;
}

second_instance_action second_instance(const main_state_t& s, uintptr_t wparam)
{
    if (wparam == 0) return second_instance_action::nothing;
    if (s.view_state == view_state_scanning || s.scan_deferred) return second_instance_action::show;
    return second_instance_action::show_and_scan;
}

key_action key_pressed(const main_state_t& s, uint32_t virtual_key, bool modifier_down)
{
    if (virtual_key != key_f5 || modifier_down) return key_action::nothing;
    if (s.view_state == view_state_scanning || s.scan_deferred) return key_action::nothing;
    return s.current == main_view::home || s.current == main_view::results ? key_action::start_scan
                                                                            : key_action::nothing;
}

bool window_shown(main_state_t& s)
{
    if (s.background_phase != background_announced) return false;
    s.background_phase = background_seen;
    return true;
}

nav_outcome_t nav_clicked(const main_state_t& s, nav_button button)
{
    nav_outcome_t out;
    // The views that need a completed scan, and the notice shown before
    // one: while a scan runs, that it runs (asking for a scan then would
    // tell the user to do what is being done).
    auto after_scan = [&](main_view view, language_key_t key) {
        if (s.view_state == view_state_results) {
            out.kind = nav_outcome_t::show_view;
            out.view = view;
        } else {
            out.kind = nav_outcome_t::message;
            out.message_key = s.view_state == view_state_scanning ? lang::home_scan_running_msg : key;
        }
    };
    switch (button) {
    case nav_button::home:
        // While a scan runs "home" is the scan's progress.
        out.view = s.view_state == view_state_scanning ? main_view::scan : main_view::home;
        break;
    case nav_button::download:
        after_scan(main_view::results, lang::home_download_msg);
        break;
    case nav_button::backup:
        after_scan(main_view::backup, lang::home_backup_msg);
        break;
    case nav_button::restore:
        after_scan(main_view::restore, lang::home_restore_msg);
        break;
    case nav_button::settings:
        out.kind = nav_outcome_t::settings;
        break;
    }
    return out;
}

close_action close_requested(int32_t close_to_tray)
{
    if (close_to_tray == 1) return close_action::warn_then_hide;
    if (close_to_tray == 2) return close_action::hide;
    return close_action::exit;
}

bool rearm_idle_timer_on_hide(const main_state_t& s) { return s.background_phase == background_none; }

bool exit_needs_confirmation(bool any_downloading) { return any_downloading; }

bool exit_confirmed(int box_result) { return box_result == 1; }

std::optional<language_key_t> exit_question(bool any_downloading, bool backup_running)
{
    if (backup_running) return lang::quit_backup_confirm;
    if (any_downloading) return lang::quit_confirm;
    return std::nullopt;
}

int32_t close_for_update_answer(bool any_downloading, bool backup_or_restore_running, bool scanning,
                                bool window_enabled)
{
    if (backup_or_restore_running) return close_for_update_backup;
    if (any_downloading) return close_for_update_downloading;
    if (scanning) return close_for_update_scanning;
    if (!window_enabled) return close_for_update_dialog;
    return close_for_update_closing;
}

std::optional<u16> announcement_text(const language_table_t& language, int32_t out_of_date)
{
    if (out_of_date <= 0) return std::nullopt;
    return format_language_text(language_text(language, lang::new_driver_notify), {decimal_text(out_of_date)},
                                announcement_chars);
}

const menu_entry_t menu_entries[5] = {
    {menu_settings_id, lang::menu_settings}, {menu_help_id, lang::menu_help}, {menu_eula_id, lang::menu_eula},
    {menu_about_id, lang::menu_about},       {menu_exit_id, lang::menu_exit},
};

std::string_view menu_page_path(uint32_t id)
{
    if (id == menu_help_id) return "/help/driver-updater/";
    if (id == menu_eula_id) return "/eula.php";
    return {};
}

int32_t clamp_menu_x(int32_t x, bool on_a_monitor, int32_t work_left, int32_t work_right)
{
    if (on_a_monitor) return x;
    if (x < work_left) return work_left;
    if (x > work_right) return work_right;
    return x;
}

} // namespace tdu
