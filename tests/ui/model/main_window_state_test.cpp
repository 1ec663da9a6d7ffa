#include "ui/model/main_window_state.h"

#include "app/app_messages.h"
#include "app/language.h"
#include "app/language_keys.h"

#include <gtest/gtest.h>

#include <string>

using namespace tdu;

namespace {

main_state_t state(int32_t view_state, int32_t phase = background_none, main_view current = main_view::home)
{
    main_state_t s;
    s.view_state = view_state;
    s.background_phase = phase;
    s.current = current;
    return s;
}

} // namespace

TEST(MainWindowState, NavigationByViewState)
{
    struct row_t {
        int32_t view_state;
        nav_button button;
        nav_outcome_t::kind_t kind;
        main_view view;
        const char* key;
    };
    const row_t rows[] = {
        {view_state_idle, nav_button::home, nav_outcome_t::show_view, main_view::home, nullptr},
        {view_state_scanning, nav_button::home, nav_outcome_t::show_view, main_view::scan, nullptr},
        {view_state_results, nav_button::home, nav_outcome_t::show_view, main_view::home, nullptr},
        {view_state_idle, nav_button::download, nav_outcome_t::message, main_view::home, "home_download_msg"},
        // During a scan the views that need its results say that it runs.
        {view_state_scanning, nav_button::download, nav_outcome_t::message, main_view::home, "home_scan_running_msg"},
        {view_state_scanning, nav_button::backup, nav_outcome_t::message, main_view::home, "home_scan_running_msg"},
        {view_state_results, nav_button::download, nav_outcome_t::show_view, main_view::results, nullptr},
        {view_state_idle, nav_button::backup, nav_outcome_t::message, main_view::home, "home_backup_msg"},
        {view_state_results, nav_button::backup, nav_outcome_t::show_view, main_view::backup, nullptr},
        {view_state_scanning, nav_button::restore, nav_outcome_t::message, main_view::home, "home_scan_running_msg"},
        {view_state_results, nav_button::restore, nav_outcome_t::show_view, main_view::restore, nullptr},
        {view_state_idle, nav_button::settings, nav_outcome_t::settings, main_view::home, nullptr},
        {view_state_scanning, nav_button::settings, nav_outcome_t::settings, main_view::home, nullptr},
    };
    for (const row_t& r : rows) {
        SCOPED_TRACE(testing::Message() << "view state " << r.view_state << ", button " << int(r.button));
        nav_outcome_t out = nav_clicked(state(r.view_state), r.button);
        EXPECT_EQ(out.kind, r.kind);
        if (r.kind == nav_outcome_t::show_view) EXPECT_EQ(out.view, r.view);
        if (r.key) EXPECT_EQ(std::string_view(out.message_key), r.key);
    }
}

// A scan from any source makes the state scanning; its end shows the
// results and stays there; an abandoned one returns home.
TEST(MainWindowState, ViewStateFollowsTheScan)
{
    main_state_t s;
    ASSERT_TRUE(request_scan(s, false));
    EXPECT_EQ(s.view_state, view_state_scanning);
    EXPECT_EQ(s.current, main_view::scan);

    EXPECT_FALSE(scan_finished(s));  // not the automatic scan: no announcement
    EXPECT_EQ(s.view_state, view_state_results);
    EXPECT_EQ(s.current, main_view::results);

    // A later scan rebuilds the device records the results were made of:
    // abandoned, it leaves no results to go back to.
    ASSERT_TRUE(request_scan(s, false));
    show_home(s);
    EXPECT_EQ(s.view_state, view_state_idle);
    EXPECT_EQ(s.current, main_view::home);

    main_state_t first;
    request_scan(first, false);
    show_home(first);
    EXPECT_EQ(first.view_state, view_state_idle);
    show_home(first);
    EXPECT_EQ(first.view_state, view_state_idle);

    main_state_t done = state(view_state_results, background_none, main_view::results);
    show_home(done);
    EXPECT_EQ(done.view_state, view_state_results);
}

// The automatic scan of timer 0 runs at most once: only in view state 0,
// announced when it ends, seen when the window is shown.
TEST(MainWindowState, BackgroundScanPhases)
{
    for (int32_t busy : {view_state_scanning, view_state_results}) {
        main_state_t s = state(busy);
        EXPECT_EQ(idle_timer_fired(s, false), idle_timer_action::nothing) << busy;
        EXPECT_EQ(s.background_phase, background_none);
    }

    main_state_t s;
    EXPECT_TRUE(rearm_idle_timer_on_hide(s));
    ASSERT_EQ(idle_timer_fired(s, false), idle_timer_action::start_scan);
    EXPECT_EQ(s.background_phase, background_running);
    EXPECT_EQ(s.view_state, view_state_scanning);
    EXPECT_FALSE(rearm_idle_timer_on_hide(s));

    EXPECT_FALSE(window_shown(s)) << "showing the window while it scans changes nothing";
    EXPECT_TRUE(scan_finished(s));
    EXPECT_EQ(s.background_phase, background_announced);
    EXPECT_FALSE(rearm_idle_timer_on_hide(s));

    EXPECT_TRUE(window_shown(s));
    EXPECT_EQ(s.background_phase, background_seen);
    EXPECT_FALSE(window_shown(s));
    EXPECT_FALSE(rearm_idle_timer_on_hide(s));
    EXPECT_EQ(idle_timer_fired(s, false), idle_timer_action::nothing);

    // A later scan the user starts is not announced.
    request_scan(s, false);
    EXPECT_FALSE(scan_finished(s));
    EXPECT_EQ(s.background_phase, background_seen);

    // An automatic scan that is abandoned still counts: no second one.
    main_state_t abandoned;
    idle_timer_fired(abandoned, false);
    show_home(abandoned);
    EXPECT_EQ(abandoned.view_state, view_state_idle);
    EXPECT_FALSE(rearm_idle_timer_on_hide(abandoned));
}

TEST(MainWindowState, SecondInstance)
{
    EXPECT_EQ(second_instance(state(view_state_idle), 0), second_instance_action::nothing);
    EXPECT_EQ(second_instance(state(view_state_scanning), 0), second_instance_action::nothing);
    EXPECT_EQ(second_instance(state(view_state_idle), 1), second_instance_action::show_and_scan);
    EXPECT_EQ(second_instance(state(view_state_results), 1), second_instance_action::show_and_scan);
    EXPECT_EQ(second_instance(state(view_state_scanning), 1), second_instance_action::show);
    EXPECT_EQ(second_instance(state(view_state_idle), 7), second_instance_action::show_and_scan);
}

// F5 scans where a scan button is (home, results), not while a scan runs or
// waits, not from the backup and restore views, and not with a modifier.
TEST(MainWindowState, F5ScansFromHomeAndResultsOnly)
{
    const struct {
        int32_t view_state;
        main_view current;
        uint32_t key;
        bool modifier;
        bool deferred;
        key_action expected;
    } rows[] = {
        {view_state_idle, main_view::home, key_f5, false, false, key_action::start_scan},
        {view_state_results, main_view::home, key_f5, false, false, key_action::start_scan},
        {view_state_results, main_view::results, key_f5, false, false, key_action::start_scan},
        {view_state_scanning, main_view::scan, key_f5, false, false, key_action::nothing},
        {view_state_results, main_view::backup, key_f5, false, false, key_action::nothing},
        {view_state_results, main_view::restore, key_f5, false, false, key_action::nothing},
        {view_state_results, main_view::results, key_f5, true, false, key_action::nothing},
        {view_state_results, main_view::home, key_f5, false, true, key_action::nothing},
        {view_state_idle, main_view::home, 0x74 + 1, false, false, key_action::nothing},  // F6
        {view_state_idle, main_view::home, 0x0D, false, false, key_action::nothing},      // Enter
    };
    for (const auto& r : rows) {
        main_state_t s = state(r.view_state, background_none, r.current);
        s.scan_deferred = r.deferred;
        EXPECT_EQ(key_pressed(s, r.key, r.modifier), r.expected)
            << "state " << r.view_state << " view " << static_cast<int>(r.current) << " key " << r.key;
    }
}

// A scan asked for while a backup or restore run works waits for its end,
// whoever asks; asking again while it waits adds nothing.
TEST(MainWindowState, NoScanUnderARunningBackup)
{
    main_state_t s = state(view_state_results, background_none, main_view::home);
    EXPECT_FALSE(request_scan(s, true));
    EXPECT_TRUE(s.scan_deferred);
    EXPECT_EQ(s.view_state, view_state_results);
    EXPECT_EQ(s.current, main_view::home);
    EXPECT_EQ(second_instance(s, 1), second_instance_action::show) << "a waiting scan is not asked for twice";

    EXPECT_FALSE(deferred_scan_due(s, true));
    EXPECT_TRUE(s.scan_deferred);
    EXPECT_TRUE(deferred_scan_due(s, false));
    EXPECT_FALSE(s.scan_deferred);
    EXPECT_EQ(s.view_state, view_state_scanning);
    EXPECT_EQ(s.current, main_view::scan);
    EXPECT_FALSE(deferred_scan_due(s, false)) << "nothing waits any more";

    // The automatic scan waits the same way and keeps its phase.
    main_state_t idle;
    EXPECT_EQ(idle_timer_fired(idle, true), idle_timer_action::scan_deferred);
    EXPECT_EQ(idle.background_phase, background_running);
    EXPECT_EQ(idle_timer_fired(idle, true), idle_timer_action::nothing);
    EXPECT_TRUE(deferred_scan_due(idle, false));
    EXPECT_TRUE(scan_finished(idle));
}

TEST(MainWindowState, CloseAndExit)
{
    EXPECT_EQ(close_requested(0), close_action::exit);
    EXPECT_EQ(close_requested(1), close_action::warn_then_hide);
    EXPECT_EQ(close_requested(2), close_action::hide);
    EXPECT_EQ(close_requested(-1), close_action::exit);
    EXPECT_EQ(close_requested(3), close_action::exit);

    EXPECT_FALSE(exit_needs_confirmation(false));
    EXPECT_TRUE(exit_needs_confirmation(true));
    EXPECT_TRUE(exit_confirmed(1));   // Yes
    EXPECT_FALSE(exit_confirmed(2));  // No
    EXPECT_FALSE(exit_confirmed(0)) << "closing the question with its caption button keeps the downloads";
}

TEST(MainWindowState, Announcement)
{
    language_table_t t;
    language_load_text(t, "[English]\nnew_driver_notify=\"%d new drivers found!\"\n", u"English", true);
    EXPECT_FALSE(announcement_text(t, 0));
    EXPECT_FALSE(announcement_text(t, -3));
    ASSERT_TRUE(announcement_text(t, 2));
    EXPECT_EQ(*announcement_text(t, 2), u"2 new drivers found!");

    // The balloon's buffer holds 30 characters.
    language_table_t wide;
    language_load_text(wide, "[English]\nnew_driver_notify=\"Es wurden %d neue Treiber gefunden, bitte installieren\"\n",
                       u"English", true);
    ASSERT_TRUE(announcement_text(wide, 12));
    EXPECT_EQ(*announcement_text(wide, 12), u"Es wurden 12 neue Treiber gefu");

    // A stray conversion in the language file is not a printf format.
    language_table_t stray;
    language_load_text(stray, "[English]\nnew_driver_notify=\"%n %d\"\n", u"English", true);
    EXPECT_EQ(*announcement_text(stray, 4), u"%n 4") << "only the number is filled in";
}

TEST(MainWindowState, Menu)
{
    ASSERT_EQ(std::size(menu_entries), 5u);
    EXPECT_EQ(menu_entries[0].id, menu_settings_id);
    EXPECT_EQ(menu_entries[4].label_key, lang::menu_exit);
    EXPECT_EQ(menu_page_path(menu_help_id), "/help/driver-updater/");
    EXPECT_EQ(menu_page_path(menu_eula_id), "/eula.php");
    EXPECT_EQ(menu_page_path(menu_about_id), "");

    EXPECT_EQ(clamp_menu_x(700, true, 0, 640), 700) << "a point on a monitor stays";
    EXPECT_EQ(clamp_menu_x(-40, false, 0, 1280), 0);
    EXPECT_EQ(clamp_menu_x(1500, false, 0, 1280), 1280);
    EXPECT_EQ(clamp_menu_x(-40, false, -1024, 0), -40);
}

TEST(MainWindowState, ExitAsksBeforeEndingABackupOrADownload)
{
    EXPECT_EQ(exit_question(false, false), std::nullopt);
    EXPECT_EQ(exit_question(true, false), lang::quit_confirm);
    // A backup's archive would be left half-written: its question comes first.
    EXPECT_EQ(exit_question(false, true), lang::quit_backup_confirm);
    EXPECT_EQ(exit_question(true, true), lang::quit_backup_confirm);
}

TEST(MainWindowState, UpdaterMayCloseOnlyAnIdleProgram)
{
    struct row {
        bool downloading, backup, scanning, enabled;
        int32_t answer;
    } rows[] = {
        {false, false, false, true, close_for_update_closing},
        {true, false, false, true, close_for_update_downloading},
        {false, true, false, true, close_for_update_backup},
        {true, true, true, false, close_for_update_backup},
        {false, false, true, true, close_for_update_scanning},
        {false, false, false, false, close_for_update_dialog},
    };
    for (const auto& r : rows)
        EXPECT_EQ(close_for_update_answer(r.downloading, r.backup, r.scanning, r.enabled), r.answer)
            << r.downloading << r.backup << r.scanning << r.enabled;
}
