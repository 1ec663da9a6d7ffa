#pragma once
// What the main window decides, free of any window: which view a click
// shows, when a scan starts (or waits), what closing and exiting do, the
// automatic scan of timer 0 and its announcement in the tray. The window
// feeds it the events and carries out the answers.
#include "app/language_keys.h"
#include "common/text.h"
#include "ui/resources/dialog_ids.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace tdu {

struct language_table_t;

enum class main_view { home, scan, results, backup, restore };

// The view state: no scan has completed yet, a scan runs, a scan has
// completed and its results are in the results view (2 is never used).
constexpr int32_t view_state_idle = 0;
constexpr int32_t view_state_scanning = 1;
constexpr int32_t view_state_results = 3;

// The automatic scan of timer 0: none has run, one runs, it has finished and
// was announced in the tray, the user has seen the window since.
constexpr int32_t background_none = 0;
constexpr int32_t background_running = 1;
constexpr int32_t background_announced = 2;
constexpr int32_t background_seen = 3;

// Timer 0: the automatic scan after a quiet quarter of an hour.
constexpr uint32_t idle_scan_timer_id = 0;
constexpr uint32_t idle_scan_timer_ms = 900000;

struct main_state_t {
    int32_t view_state = view_state_idle;
    int32_t background_phase = background_none;
    main_view current = main_view::home;
    // A scan was asked for while a backup or restore run worked: the scan
    // would free the device records that run reads, so it starts when the
    // run has ended.
    bool scan_deferred = false;
};

// A scan is asked for (scan button, start-up switch, second instance,
// Retry, timer 0). True: it starts now; the state is scanning and the scan
// view current. False: a backup or restore run works and the scan waits
// (scan_deferred) until deferred_scan_due says so.
bool request_scan(main_state_t& s, bool backup_or_restore_running);

// Polled while a scan waits: true (and the scan started as request_scan
// does) once no backup or restore run works any more.
bool deferred_scan_due(main_state_t& s, bool backup_or_restore_running);

// Timer 0 fired. Nothing happens once a scan runs or has completed (the
// timer stays armed); otherwise the timer is killed, the automatic scan's
// phase begins and a scan is asked for.
enum class idle_timer_action { nothing, start_scan, scan_deferred };
idle_timer_action idle_timer_fired(main_state_t& s, bool backup_or_restore_running);

// wm_scan_finished: the results view becomes current. True when the
// finished scan was the automatic one, which is then announced in the tray
// (announcement_text) and its phase moves on.
bool scan_finished(main_state_t& s);

// wm_show_home: the scan was abandoned.
void show_home(main_state_t& s);

// wm_second_instance. wParam 0 asks for nothing; otherwise the window comes
// forward and a scan starts unless one runs already.
enum class second_instance_action { nothing, show, show_and_scan };
second_instance_action second_instance(const main_state_t& s, uintptr_t wparam);

// The window was shown: true when the attention icon goes back to the
// normal one (an announced automatic scan has now been seen).
bool window_shown(main_state_t& s);

// A key pressed in the main window or one of its views (dialogs have their
// own). F5 without Ctrl, Alt or Shift scans from the home and results views,
// as their buttons do; elsewhere (a scan, a backup or a restore shows) and
// while a scan waits it does nothing.
constexpr uint32_t key_f5 = 0x74;  // VK_F5
enum class key_action { nothing, start_scan };
key_action key_pressed(const main_state_t& s, uint32_t virtual_key, bool modifier_down);

// The navigation buttons of the caption band.
enum class nav_button { home, download, backup, restore, settings };
struct nav_outcome_t {
    enum kind_t { show_view, message, settings } kind = show_view;
    main_view view = main_view::home;  // show_view
    language_key_t message_key{""};      // message: a notice with this text
};
nav_outcome_t nav_clicked(const main_state_t& s, nav_button button);

// Closing the window (its close button, WM_CLOSE) by the close_to_tray
// setting: 0 exits, 1 warns once ("system_tray_warning"), stores 2 and
// hides, 2 hides. Other values count as 0.
enum class close_action { exit, warn_then_hide, hide };
close_action close_requested(int32_t close_to_tray);
// Hiding to the tray re-arms timer 0 only while no automatic scan has run.
bool rearm_idle_timer_on_hide(const main_state_t& s);

// The exit procedure: while a download runs the user is asked
// ("quit_confirm"); only Yes (1) goes on. A box closed with its caption
// button (0) keeps the window and its downloads like No.
bool exit_needs_confirmation(bool any_downloading);
bool exit_confirmed(int box_result);
// The question the exit procedure asks first, if any: a running backup
// ("quit_backup_confirm": quitting would leave its archive half-written)
// before a running download ("quit_confirm").
std::optional<language_key_t> exit_question(bool any_downloading, bool backup_running);

// The answer to the updater's request to close (wm_close_for_update, one of
// the close_for_update_* codes of app/app_messages.h): the program closes
// only when nothing it does would be cut off and no dialog waits for the
// user (window disabled); otherwise it says what keeps it open.
int32_t close_for_update_answer(bool any_downloading, bool backup_or_restore_running, bool scanning,
                                bool window_enabled);

// The balloon of an announced automatic scan: "new_driver_notify" with the
// number of out-of-date drivers, at most 30 characters; none when nothing
// is out of date.
std::optional<u16> announcement_text(const language_table_t& language, int32_t out_of_date);

// The menu commands of menu 333 (the drop-down and the tray menu).
// The numbers are the menu script's (ui/resources/dialog_ids.h).
constexpr uint32_t menu_settings_id = ID_MENU_SETTINGS;
constexpr uint32_t menu_help_id = ID_MENU_HELP;
constexpr uint32_t menu_about_id = ID_MENU_ABOUT;
constexpr uint32_t menu_exit_id = ID_MENU_EXIT;
constexpr uint32_t menu_eula_id = ID_MENU_EULA;
constexpr uint32_t menu_open_id = ID_MENU_OPEN;
struct menu_entry_t {
    uint32_t id;
    language_key_t label_key;
};
// In menu order, without the separators.
extern const menu_entry_t menu_entries[5];
// The tray menu's first entry, its default (above a separator): it shows
// the window again, restored, in front. The drop-down menu has no such entry.
constexpr menu_entry_t tray_open_entry{menu_open_id, lang::menu_open};
// The web page a menu command opens ("/help/driver-updater/", "/eula.php");
// empty for the others.
std::string_view menu_page_path(uint32_t id);

// The x of a menu's top-left corner: a point that lies on no monitor is
// moved into the work area (left to right) of the nearest one.
int32_t clamp_menu_x(int32_t x, bool on_a_monitor, int32_t work_left, int32_t work_right);

} // namespace tdu
