// The results view under Wine with real windows and real messages, after a
// real scan of the demo machine against the stand-in update service with
// the demo catalogue: the rows and counts, best against latest offers, a
// download watched, paused, regrouped and resumed, the installation with a
// stand-in "DPInst32.exe" (x64: "DPInst64.exe"), from Windows 10 on with a
// stand-in pnputil.exe whose answer the row shows, download all, the context
// menu.
//
// Like the program's own end-to-end test the scan runs as Windows XP (Wine
// cannot tell an installed driver's rank; see tests/cli/demo_expectations.h),
// so the tests run in a copy of this program under a name whose Wine version
// is Windows XP, in a folder of its own, with the stand-in installer beside
// it (another copy, which records its command line). The service is reached
// through a relay in the parent process that can slow its answers to a
// trickle.
// The message boxes are watched instead of opened.
#include "app/app_messages.h"
#include "app/language.h"
#include "backup/driver_store.h"
#include "backup/store_platform.h"
#include "app/language_keys.h"
#include "common/win32_text.h"
#include "demo_expectations.h"
#include "demo_store_win32.h"
#include "devices/device_scan.h"
#include "devices/machine_registry.h"
#include "devices/setup_api.h"
#include "packages/download_session.h"
#include "program/program.h"
#include "program_start_win32.h"
#include "program_keys_win32.h"
#include "results/results_model.h"
#include "service/diagnostic_report.h"
#include "service/local_source.h"
#include "slow_relay_win32.h"
#include "support/architecture.h"
#include "support/child_process_win32.h"
#include "support/test_support.h"
#include "app/language_format.h"
#include "app/settings.h"
#include "app/startup_instance.h"
#include "common/sha256.h"
#include "service/update_client.h"
#include "ui/model/scan_view_layout.h"
#include "ui/dialogs/ignored_window.h"
#include "ui/main_window.h"
#include "ui/model/results_view_model.h"
#include "ui/skin/fonts.h"
#include "ui/views/download_window.h"
#include "ui/dialogs/view_box.h"
#include "win/screenshot_support.h"
#include "window_test_support.h"
#include "xp_copy_win32.h"
#include "prefix_store_win32.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace tdu;
using namespace tdu::test;
namespace fs = std::filesystem;

namespace {

constexpr wchar_t xp_program_name[] = L"ui_results_view_xp.exe";
constexpr wchar_t dpinst_record[] = L"dpinst_command_line.txt";

fs::path program_folder() { return fs::path(test::own_path()).parent_path(); }

std::unique_ptr<temp_dir_c> downloads;

// The parent's relay answers slowly while its event is set.
void set_slow_answers(bool slow)
{
    static HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, slow_relay_c::slow_event_name);
    ASSERT_NE(event, nullptr);
    if (slow)
        SetEvent(event);
    else
        ResetEvent(event);
}

// Start-up as the window program does it (every mirror is the relay, see
// run_as_xp_copy).
class program_environment_t : public ::testing::Environment {
public:
    void SetUp() override
    {
        // The driver store is indexed as the program does at start, so the
        // installation finds the package it replaces (see demo_store_win32.h).
        ASSERT_EQ(test::start_window_program(failure,
                                             [] {
                                                 init_driver_store(driver_store,
                                                                   os_version_number(environment.version_info),
                                                                   win32_store_platform());
                                             }),
                  0)
            << failure;
        downloads = std::make_unique<temp_dir_c>();
        download_sessions.settings.download_folder = utf8_to_utf16(downloads->path().u8string());
    }
    void TearDown() override
    {
        program_exit();
    }
    std::string failure;
};

// The diagnostic report's sender runs on a worker thread.
std::mutex report_mutex;
std::string report_text;
int32_t record_report(const char* text)
{
    std::lock_guard<std::mutex> lock(report_mutex);
    report_text = text;
    return 0;
}
std::string sent_report()
{
    std::lock_guard<std::mutex> lock(report_mutex);
    return report_text;
}

struct box_seen_t {
    u16 text;
    box_style_t style;
};

// One main window for the suite, scanned once: the tests go on from where
// the one before left the downloads.
class ResultsView : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        set_box_observer(&observe_box);
        window = std::make_unique<main_window_c>();
        ASSERT_NE(window->create_main_window(), nullptr) << GetLastError();
        ShowWindow(window->hwnd(), SW_SHOWNORMAL);
        UpdateWindow(window->hwnd());
        pump_messages(100);
        // The service's answer trickles while the scan view is looked at.
        set_slow_answers(true);
        SendMessageW(window->hwnd(), wm_start_scan, 0, 0);
        asking_seen = pump_until([] { return window->scan_view().run().phase == scan_phase_t::asking_service; },
                                 60000);
        if (asking_seen) {
            RedrawWindow(window->scan_view().hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            wait_drawn = window->scan_view().progress().marquee();
        }
        set_slow_answers(false);
        bool reached = pump_until([] { return window->current_view() == window->results_view().hwnd(); }, 120000);
        std::string seen;
        for (const box_seen_t& b : boxes) seen += utf16_to_utf8(b.text) + "\n";
        ASSERT_TRUE(reached) << "the scan did not reach the results view; boxes:\n" << seen;
        pump_messages(200);
    }
    // The boxes are watched and answered from `answers` (No when none is left).
    static box_result_t observe_box(u16view text, box_style_t style)
    {
        boxes.push_back({u16(text), style});
        if (answers.empty()) return box_result_t::declined;
        box_result_t a = answers.front();
        answers.pop_front();
        return a;
    }
    static void TearDownTestSuite()
    {
        set_slow_answers(false);
        window.reset();
        pump_messages(100);
        set_box_observer({});
    }
    void SetUp() override
    {
        ASSERT_TRUE(window);
        boxes.clear();
        answers.clear();
    }

    static download_window_c& view() { return window->results_view(); }
    static bool asking_seen, wait_drawn;  // the scan view while the service was asked

    // The row of the package whose link ends with `package`.
    static download_panel_c* row_of(const char* package)
    {
        for (const auto& row : view().rows()) {
            const std::string& link = row->row().input().link;
            if (link.size() >= std::strlen(package) && link.rfind(package) == link.size() - std::strlen(package))
                return row.get();
        }
        return nullptr;
    }

    // A click on the row's button with the mouse's messages.
    static void click_row_button(download_panel_c& row)
    {
        RECT r = row.button_rect();
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageW(row.hwnd(), WM_MOUSEMOVE, 0, at);
        SendMessageW(row.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(row.hwnd(), WM_LBUTTONUP, 0, at);
        pump_messages(50);
    }

    static bool wait_for_state(const char* package, download_state_t state, int ms = 30000)
    {
        return pump_until(
            [&] {
                download_panel_c* row = row_of(package);
                return row && row->row().session().state() == state;
            },
            ms);
    }

    static size_t boxes_with(language_key_t key)
    {
        size_t n = 0;
        for (const box_seen_t& b : boxes) n += b.text == language_text(key);
        return n;
    }

    static std::unique_ptr<main_window_c> window;
    static std::vector<box_seen_t> boxes;
    static std::deque<box_result_t> answers;
};

std::unique_ptr<main_window_c> ResultsView::window;
std::vector<box_seen_t> ResultsView::boxes;
std::deque<box_result_t> ResultsView::answers;
bool ResultsView::asking_seen = false;
bool ResultsView::wait_drawn = false;

} // namespace

// The demo machine against the demo catalogue: six packages, the Kestrel
// chipset's with two devices, and the counts of the console's report.
TEST_F(ResultsView, ShowsOneRowPerOfferedPackageWithItsDevicesAndTheCounts)
{
    ASSERT_EQ(view().row_count(), 6);
    for (const char* package : demo_offered_packages) EXPECT_NE(row_of(package), nullptr) << package;
    EXPECT_EQ(view().counts().out_of_date, 2);
    EXPECT_EQ(view().counts().no_driver, 1);
    EXPECT_EQ(view().counts().up_to_date, 4);
    EXPECT_EQ(view().score(), 32);  // (4 / 7) squared
    wchar_t name[256] = {};
    GetWindowTextW(view().hwnd(), name, 256);
    if (language_text(lang::sidebar_out_of_date) == u"Out of date: %d")
        EXPECT_EQ(std::wstring(name), L"Out of date: 2; No driver: 1; Up to date: 4");

    // The chart's three slices, in the legend's order.
    ASSERT_EQ(view().chart().slices().size(), 3u);
    EXPECT_EQ(view().chart().slices()[0].value, 2);
    EXPECT_EQ(view().chart().slices()[1].value, 1);
    EXPECT_EQ(view().chart().slices()[2].value, 4);

    // Each time the view is shown the diagnostic report goes to its sender
    // with the counts.
    set_report_sender(&record_report);
    window->switch_view(main_view::home);
    window->switch_view(main_view::results);
    ASSERT_TRUE(pump_until([] { return !sent_report().empty(); }, 10000)) << "no report was sent";
    EXPECT_NE(sent_report().find("<summary out_of_date=\"2\" up_to_date=\"4\" no_driver=\"1\""), std::string::npos)
        << sent_report();
    EXPECT_NE(sent_report().find("norvale-gbe-3.2.zip"), std::string::npos);
    // The x64 program, a 64-bit process, reports a 64-bit system.
    EXPECT_NE(sent_report().find(std::string("arch=\"") + test::this_architecture().report_arch + "\""),
              std::string::npos)
        << sent_report();
    set_report_sender(nullptr);

    // Rows are stacked without gaps, each as high as its devices need.
    const panel_context_t& context = view().panel_context();
    int top = 0;
    for (const auto& place : view().list().places()) {
        EXPECT_EQ(place.top, top);
        top += place.height;
    }
    download_panel_c* kestrel = row_of("kestrel-chipset-9.2.zip");
    ASSERT_NE(kestrel, nullptr);
    EXPECT_EQ(kestrel->group().devices.size(), 2u);
    RECT r;
    GetClientRect(kestrel->hwnd(), &r);
    EXPECT_EQ(r.bottom, row_height(context.class_line, context.device_line, 2));

    // Every row starts not downloaded, with its texts.
    for (const auto& row : view().rows()) {
        EXPECT_EQ(row->row().session().state(), download_not_downloaded);
        EXPECT_EQ(row->button_label(), language_text(lang::download_btn_download));
        EXPECT_EQ(row->state_text(), language_text(lang::download_not_download));
    }
    // Out of date first: the rows that bring updates lead.
    EXPECT_EQ(view().rows()[0]->group().no_update, false);
}

// While the scan waited for the service, its bar showed the wait (a moving
// block), not a share done.
TEST_F(ResultsView, TheScansWaitForTheServiceIsDrawnAsAWait)
{
    ASSERT_TRUE(asking_seen) << "the scan never asked the service while watched";
    EXPECT_TRUE(wait_drawn);
}

// A download runs (slowed by the relay) while the rows are regrouped for the
// latest offers: the new row of the same package shows the same running
// download with its progress; the brightwave driver, newer but unsigned,
// counts as an update only among the latest offers. Then pause and resume.
TEST_F(ResultsView, BestAndLatestRegroupAndARunningDownloadKeepsItsProgress)
{
    const char* norvale = "norvale-gbe-3.2.zip";
    ASSERT_EQ(view().kind(), offer_kind_t::best);
    ASSERT_TRUE(row_of("brightwave-hdaudio-6.0.zip"));
    EXPECT_TRUE(row_of("brightwave-hdaudio-6.0.zip")->group().no_update);

    set_slow_answers(true);
    click_row_button(*row_of(norvale));
    EXPECT_EQ(row_of(norvale)->row().session().state(), download_downloading);
    EXPECT_EQ(row_of(norvale)->button_label(), language_text(lang::download_btn_pause));
    ASSERT_TRUE(pump_until([&] { return row_of(norvale)->row().bytes_done > 0; }, 20000)) << "no bytes arrived";
    if (!screenshot_folder().empty()) {
        // The README's picture: a download well under way.
        pump_until([&] { return row_of(norvale)->row().bytes_done * 5 >= row_of(norvale)->row().expected_size * 2; },
                   20000);
        save_screenshot(window->hwnd(), L"results_download");
    }

    HWND old_row = row_of(norvale)->hwnd();
    uint32_t done_before = row_of(norvale)->row().bytes_done;
    SendMessageW(view().kind_button(offer_kind_t::latest), BM_CLICK, 0, 0);
    pump_messages(100);
    ASSERT_EQ(view().kind(), offer_kind_t::latest);
    EXPECT_EQ(Button_GetCheck(view().kind_button(offer_kind_t::latest)), BST_CHECKED);
    EXPECT_EQ(Button_GetCheck(view().kind_button(offer_kind_t::best)), BST_UNCHECKED);
    EXPECT_FALSE(IsWindow(old_row)) << "the rows were made anew";
    download_panel_c* row = row_of(norvale);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->row().session().state(), download_downloading);
    EXPECT_GE(row->row().bytes_done, done_before);
    EXPECT_NE(row->progress_text().find(u'/'), u16::npos) << "done/expected while it runs";
    EXPECT_FALSE(row_of("brightwave-hdaudio-6.0.zip")->group().no_update);
    ASSERT_TRUE(pump_until([&] { return row_of(norvale)->row().bytes_done > done_before; }, 20000))
        << "the new row's timer takes the progress over";

    // Clicking the kind already selected changes nothing.
    HWND kept = row_of(norvale)->hwnd();
    SendMessageW(view().kind_button(offer_kind_t::latest), BM_CLICK, 0, 0);
    EXPECT_EQ(row_of(norvale)->hwnd(), kept);

    click_row_button(*row_of(norvale));  // pause
    ASSERT_TRUE(wait_for_state(norvale, download_paused, 20000));
    EXPECT_EQ(row_of(norvale)->button_label(), language_text(lang::download_btn_resume));
    EXPECT_EQ(row_of(norvale)->state_text(), language_text(lang::download_download_paused));
    uint32_t paused_at = row_of(norvale)->row().bytes_done;
    EXPECT_GT(paused_at, 0u);

    set_slow_answers(false);
    click_row_button(*row_of(norvale));  // resume
    ASSERT_TRUE(wait_for_state(norvale, download_complete));
    EXPECT_EQ(row_of(norvale)->state_text(), language_text(lang::download_download_complete));
    EXPECT_EQ(row_of(norvale)->button_label(), language_text(lang::download_btn_setup));
    EXPECT_EQ(row_of(norvale)->progress_text().find(u'/'), u16::npos) << "only the size once complete";
    EXPECT_EQ(row_of(norvale)->row().bytes_done, row_of(norvale)->row().expected_size);
    // Seen from outside: the row's state as a property, its name with the
    // state's text.
    HWND complete_row = row_of(norvale)->hwnd();
    EXPECT_EQ(reinterpret_cast<INT_PTR>(GetPropW(complete_row, download_panel_c::download_state_property)),
              download_complete);
    wchar_t name[256] = {};
    GetWindowTextW(complete_row, name, 256);
    EXPECT_NE(u16(u16ptr(name)).find(language_text(lang::download_download_complete)), u16::npos);

    SendMessageW(view().kind_button(offer_kind_t::best), BM_CLICK, 0, 0);
    EXPECT_EQ(view().kind(), offer_kind_t::best);
    EXPECT_TRUE(row_of("brightwave-hdaudio-6.0.zip")->group().no_update);
    EXPECT_EQ(row_of(norvale)->row().session().state(), download_complete);
}

// The complete package installs with the stand-in installer beside the
// program, started on the unpacked package's folder. Wine's System Restore
// makes no restore point: the user is asked once whether to install
// without one, and Yes installs.
TEST_F(ResultsView, ACompleteDownloadInstallsWithTheInstallerBesideTheProgram)
{
    const char* norvale = "norvale-gbe-3.2.zip";
    fs::path record = program_folder() / dpinst_record;
    fs::remove(record);
    ASSERT_TRUE(wait_for_state(norvale, download_complete));
    answers.push_back(box_result_t::accepted);
    click_row_button(*row_of(norvale));
    ASSERT_TRUE(pump_until([&] { return boxes_with(lang::download_setup_no_restore_point) == 1; }, 30000));
    EXPECT_EQ(boxes.back().style, box_style_t::yes_no);
    ASSERT_TRUE(pump_until([&] { return fs::exists(record) && fs::file_size(record) > 0; }, 30000))
        << "the installer was not started";
    std::string line = read_file(record);
    EXPECT_NE(line.find("/PATH"), std::string::npos) << line;
    EXPECT_NE(line.find("/SH"), std::string::npos) << line;
    // The folder of the network INF inside the unpacked package.
    EXPECT_NE(line.find("\\Norvale\\NDIS62\""), std::string::npos) << line;
    EXPECT_EQ(boxes_with(lang::download_setup_warning), 0u) << "a newer driver installs without asking";
    ASSERT_TRUE(pump_until([&] { return !row_of(norvale)->row().installing(); }, 30000));
    EXPECT_EQ(row_of(norvale)->row().install_outcome(), install_outcome_started);
    // Before it, the driver it replaces was archived from the driver store
    // and recorded as taken before an update by the Norvale package.
    const fs::path backups = fs_path(u16(settings.backup_path));
    const fs::path archive = backups / "Norvale-GbE-Network-Adapter-NV-1021-3.0.0.0-before-update.zip";
    EXPECT_TRUE(fs::exists(archive)) << archive.string();
    const std::string catalogue = read_file(program_folder() / "backup.xml");
    const size_t entry = catalogue.find("<driver before_update=\"1\" replaced_by=\"");
    ASSERT_NE(entry, std::string::npos) << catalogue;
    EXPECT_NE(catalogue.find(".zip)\">\r\n\t\t<file>\r\n\t\t\t<![CDATA[Norvale-GbE-Network-Adapter-NV-1021-3.0.0.0-before-update.zip]]>",
                             entry),
              std::string::npos)
        << catalogue;
    EXPECT_EQ(boxes_with(lang::download_setup_no_backup), 0u);
    // The row says what was started, and the link is recorded for the next
    // scan only now that an installer runs.
    ASSERT_TRUE(pump_until([&] { return row_of(norvale)->state_text() == language_text(lang::download_install_started); },
                           5000))
        << utf16_to_utf8(row_of(norvale)->state_text());
    EXPECT_FALSE(row_of(norvale)->row().status().failure);
    wchar_t name[256] = {};
    GetWindowTextW(row_of(norvale)->hwnd(), name, 256);
    EXPECT_NE(u16(u16ptr(name)).find(language_text(lang::download_install_started)), u16::npos);
    const std::string norvale_link = row_of(norvale)->row().input().link;
    EXPECT_NE(read_file(program_folder() / "setup.dat").find(norvale_link + "\n"), std::string::npos);

    // A driver no newer than the installed one asks first; No installs
    // nothing.
    const char* quellix = "quellix-display-8.15.zip";
    ASSERT_TRUE(row_of(quellix)->group().no_update);
    click_row_button(*row_of(quellix));
    ASSERT_TRUE(wait_for_state(quellix, download_complete));
    fs::remove(record);
    answers.push_back(box_result_t::declined);
    click_row_button(*row_of(quellix));
    EXPECT_EQ(boxes_with(lang::download_setup_warning), 1u);
    EXPECT_EQ(boxes.back().style, box_style_t::yes_no);
    pump_messages(500);
    EXPECT_FALSE(row_of(quellix)->row().installing());
    EXPECT_EQ(row_of(quellix)->row().install_outcome(), install_outcome_none);
    EXPECT_FALSE(fs::exists(record));

    // A package whose bytes changed on disk is refused: the user is told,
    // the row says so in the failure colour, and nothing is recorded.
    const std::string quellix_link = row_of(quellix)->row().input().link;
    write_file(fs_path(row_of(quellix)->row().session().final_path()), "PK not the offered package");
    answers.push_back(box_result_t::accepted);
    click_row_button(*row_of(quellix));
    ASSERT_TRUE(pump_until([&] { return boxes_with(lang::download_setup_refused) == 1; }, 30000));
    EXPECT_EQ(row_of(quellix)->row().install_outcome(), install_outcome_refused);
    EXPECT_EQ(row_of(quellix)->state_text(), language_text(lang::download_error_digest));
    EXPECT_TRUE(row_of(quellix)->row().status().failure);
    EXPECT_FALSE(fs::exists(record));
    EXPECT_EQ(read_file(program_folder() / "setup.dat").find(quellix_link), std::string::npos);
    // The question about the restore point was asked once in the run.
    EXPECT_EQ(boxes_with(lang::download_setup_no_restore_point), 1u);
    // A picture of the two outcomes, when asked (not one of the README's).
    if (!screenshot_folder().empty()) {
        pump_messages(300);
        save_screenshot(window->hwnd(), L"results_install");
    }
}

namespace {

// The README's picture of a row's menu with "Roll back": the real menu is
// opened over the results view, and a timer takes the screen's part that
// shows both, then closes it.
HWND menu_shot_window = nullptr;
bool menu_shot_saved = false;

void CALLBACK shoot_open_menu(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND menu = find_thread_window(L"#32768");
    if (!menu || !IsWindowVisible(menu)) return;
    KillTimer(nullptr, timer);
    RECT view_rect{}, menu_rect{}, both{};
    GetWindowRect(menu_shot_window, &view_rect);
    GetWindowRect(menu, &menu_rect);
    UnionRect(&both, &view_rect, &menu_rect);
    menu_shot_saved = gallery::save_screen_png(both, screenshot_folder() + L"\\results_roll_back.png");
    EndMenu();
}

void shoot_row_menu(HMENU menu, POINT screen, HWND owner, HWND shown)
{
    menu_shot_window = shown;
    UINT_PTR timer = SetTimer(nullptr, 0, 400, &shoot_open_menu);
    TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_NONOTIFY, screen.x, screen.y, owner, nullptr);
    KillTimer(nullptr, timer);
}

} // namespace

// The README's picture of the question asked when no restore point can be
// made (only when asked, see screenshot_support.h).
TEST_F(ResultsView, RestorePointQuestionScreenshot)
{
    if (screenshot_folder().empty()) GTEST_SKIP() << "TDU_SCREENSHOTS names no folder";
    set_box_observer({});
    bool saved = false;
    while_dialog_up_t shoot([&](HWND box) {
        pump_messages(200);
        saved = save_screenshot(box, L"restore_point_question");
        SendMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    show_view_box(window->hwnd(), language_text(lang::download_setup_no_restore_point), box_style_t::yes_no);
    set_box_observer(&observe_box);
    EXPECT_TRUE(shoot.ran());
    EXPECT_TRUE(saved);
}

// The row of the device just updated offers "Roll back" in its menu, which
// restores the backup taken before the update as the restore view does: the
// archive unpacked beside it and the installer forced on it. A row whose
// device the program did not update offers no roll-back.
TEST_F(ResultsView, TheRowOfAnUpdatedDeviceRollsBackToTheDriverBeforeTheUpdate)
{
    const char* norvale = "norvale-gbe-3.2.zip";
    fs::path record = program_folder() / dpinst_record;
    fs::remove(record);
    auto open_menu = [&](const char* package, UINT answer) {
        bool offered = false;
        u16 label;
        view().panel_context().track_menu = [&](HMENU menu, POINT screen, HWND owner) {
            wchar_t text[64] = {};
            offered = GetMenuStringW(menu, row_menu_roll_back, text, 64, MF_BYCOMMAND) > 0;
            label = u16ptr(text);
            if (offered && !screenshot_folder().empty()) shoot_row_menu(menu, screen, owner, window->hwnd());
            return offered ? answer : 0u;
        };
        download_panel_c* row = row_of(package);
        EXPECT_NE(row, nullptr) << package;
        if (!row) return std::make_pair(false, label);
        POINT in_row{40, 10};
        ClientToScreen(row->hwnd(), &in_row);
        SendMessageW(row->hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(row->hwnd()), MAKELPARAM(in_row.x, in_row.y));
        view().panel_context().track_menu = nullptr;
        return std::make_pair(offered, label);
    };
    EXPECT_FALSE(open_menu("kestrel-chipset-9.2.zip", 0).first) << "never updated: nothing to roll back";

    auto [offered, label] = open_menu(norvale, static_cast<UINT>(row_menu_roll_back));
    ASSERT_TRUE(offered);
    EXPECT_EQ(label, language_text(lang::menu_roll_back));
    ASSERT_TRUE(pump_until([&] { return boxes_with(lang::restore_started) == 1; }, 30000))
        << "the roll-back did not say it ended";
    const fs::path backups = fs_path(u16(settings.backup_path));
    const fs::path unpacked = backups / "Norvale-GbE-Network-Adapter-NV-1021-3.0.0.0-before-update";
    EXPECT_EQ(read_file(unpacked / "nvgbe.inf"), demo_store_c::norvale_inf);
    std::string line = wait_for_record(record.wstring());
    EXPECT_NE(line.find("/SH /F /PATH \""), std::string::npos) << line;
    EXPECT_NE(line.find("\\backup\\Norvale-GbE-Network-Adapter-NV-1021-3.0.0.0-before-update\""), std::string::npos) << line;

    // Its archive damaged: said, and no installer starts.
    fs::remove(record);
    write_file(backups / "Norvale-GbE-Network-Adapter-NV-1021-3.0.0.0-before-update.zip", "PK\x03\x04 damaged");
    ASSERT_TRUE(open_menu(norvale, static_cast<UINT>(row_menu_roll_back)).first);
    ASSERT_TRUE(pump_until([&] { return boxes_with(lang::rollback_damaged) == 1; }, 30000));
    pump_messages(500);
    EXPECT_FALSE(fs::exists(record));
    // Gone: no roll-back is offered any more.
    fs::remove(backups / "Norvale-GbE-Network-Adapter-NV-1021-3.0.0.0-before-update.zip");
    EXPECT_FALSE(open_menu(norvale, 0).first);
}

// From Windows 10 on the row installs with the system's pnputil (a stand-in:
// this test program under that name in the system folder, since Wine has
// none), waits for it on the row's worker and shows its answer: 3010 is an
// installation that needs a restart, said once in a box; another code is a
// failure that the row names. The copy runs as Windows XP, so the program's
// start-up facts say Windows 10 for this test only.
TEST_F(ResultsView, FromWindows10TheRowShowsWhatPnputilAnswered)
{
    const char* ostara = "ostara-usb3-1.4.zip";
    ASSERT_NE(row_of(ostara), nullptr);
    if (row_of(ostara)->row().session().state() != download_complete) click_row_button(*row_of(ostara));
    ASSERT_TRUE(wait_for_state(ostara, download_complete));

    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    const fs::path pnputil = fs::path(windows_folder()) / (wow64 ? "Sysnative" : "System32") / "pnputil.exe";
    ASSERT_FALSE(fs::exists(pnputil)) << "the prefix has a pnputil of its own";
    ASSERT_TRUE(CopyFileW(test::own_path().c_str(), pnputil.c_str(), TRUE));
    const fs::path record = downloads->path() / "pnputil_calls.txt";
    SetEnvironmentVariableW(pnputil_record_variable, record.wstring().c_str());
    const os_version_t saved = environment.version_info;
    environment.version_info = os_version_t{10, 0, 19045, ver_platform_win32_nt};

    struct row {
        const wchar_t* exit_code;
        int32_t outcome;
        u16 text;
        bool failure;
        size_t restart_boxes;  // "download_setup_restart" boxes seen by then
    };
    const row rows[] = {
        {L"3010", install_outcome_restart_needed, language_text(lang::download_install_restart), false, 1},
        {L"0xE0000247", install_outcome_installer_error,
         format_language_text(language_text(lang::download_install_error_code), {u"0xE0000247"}, 127), true, 1},
        {L"0", install_outcome_installed, language_text(lang::download_install_installed), false, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(utf16_to_utf8(u16(reinterpret_cast<const char16_t*>(r.exit_code))));
        std::error_code ec;
        fs::remove(record, ec);
        SetEnvironmentVariableW(pnputil_exit_code_variable, r.exit_code);
        // A run that has not yet asked about the restore point asks now.
        answers.push_back(box_result_t::accepted);
        click_row_button(*row_of(ostara));
        ASSERT_TRUE(pump_until([&] { return row_of(ostara)->row().install_outcome() != install_outcome_none &&
                                            !row_of(ostara)->row().installing(); },
                               30000));
        EXPECT_EQ(row_of(ostara)->row().install_outcome(), r.outcome);
        EXPECT_TRUE(pump_until([&] { return row_of(ostara)->state_text() == r.text; }, 5000))
            << utf16_to_utf8(row_of(ostara)->state_text());
        EXPECT_EQ(row_of(ostara)->row().status().failure, r.failure);
        pump_messages(300);
        EXPECT_EQ(boxes_with(lang::download_setup_restart), r.restart_boxes);
        // pnputil was waited for: its record is there once the row knows.
        const std::string call = read_file(record);
        EXPECT_NE(call.find("pnputil.exe\" /add-driver \""), std::string::npos) << call;
        EXPECT_NE(call.find("\\USB3\\Driver\\*.inf\" /install"), std::string::npos) << call;
        answers.clear();
    }
    environment.version_info = saved;
    SetEnvironmentVariableW(pnputil_exit_code_variable, nullptr);
    SetEnvironmentVariableW(pnputil_record_variable, nullptr);
    DeleteFileW(pnputil.c_str());
}

// Download all asks first: No starts nothing, Yes starts every ticked row.
// Tick all leaves the rows that bring nothing newer unticked.
TEST_F(ResultsView, DownloadAllAsksAndStartsEveryTickedRow)
{
    HWND check = view().bottom_bar().check_box();
    SendMessageW(check, BM_CLICK, 0, 0);
    for (const auto& row : view().rows()) {
        const bool expect = !row->group().no_update;
        EXPECT_EQ(row->row().ticked, expect);
        EXPECT_EQ(Button_GetCheck(row->tick_box()) == BST_CHECKED, expect);
    }

    std::vector<download_state_t> before;
    for (const auto& row : view().rows()) before.push_back(row->row().session().state());
    answers.push_back(box_result_t::declined);
    SendMessageW(view().bottom_bar().button(), BM_CLICK, 0, 0);
    ASSERT_EQ(boxes_with(lang::download_all_warning), 1u);
    EXPECT_EQ(boxes.back().style, box_style_t::yes_no);
    pump_messages(300);
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(view().rows()[i]->row().session().state(), before[i]) << view().rows()[i]->row().input().link;

    answers.push_back(box_result_t::accepted);
    SendMessageW(view().bottom_bar().button(), BM_CLICK, 0, 0);
    EXPECT_EQ(boxes_with(lang::download_all_warning), 2u);
    for (const char* package : {"inkmere-p2100-2.0.zip", "ostara-usb3-1.4.zip"})
        EXPECT_TRUE(wait_for_state(package, download_complete)) << package;
    // The unticked rows kept their state.
    for (size_t i = 0; i < before.size(); ++i)
        if (view().rows()[i]->group().no_update)
            EXPECT_EQ(view().rows()[i]->row().session().state(), before[i]) << view().rows()[i]->row().input().link;

    // Clearing the box clears every row.
    SendMessageW(check, BM_CLICK, 0, 0);
    for (const auto& row : view().rows()) EXPECT_FALSE(row->row().ticked);
}

// The context menu: none on the row button; Remove greyed until there are
// files; its entries carry the language's texts and the button's label.
TEST_F(ResultsView, TheContextMenuOffersRemoveOnlyWhenThereAreFiles)
{
    std::vector<std::pair<HMENU, UINT>> opened;  // the menu and Remove's state
    UINT answer = 0;
    view().panel_context().track_menu = [&](HMENU menu, POINT, HWND owner) {
        opened.emplace_back(menu, GetMenuState(menu, row_menu_remove, MF_BYCOMMAND));
        wchar_t first[64] = {}, remove[64] = {};
        GetMenuStringW(menu, row_menu_download, first, 64, MF_BYCOMMAND);
        GetMenuStringW(menu, row_menu_remove, remove, 64, MF_BYCOMMAND);
        const download_panel_c* asking = nullptr;
        for (const auto& row : view().rows())
            if (row->hwnd() == owner) asking = row.get();
        EXPECT_NE(asking, nullptr) << "the row owns its menu";
        if (asking) EXPECT_EQ(u16(u16ptr(first)), asking->button_label()) << "the first entry is the button's label";
        EXPECT_EQ(u16(u16ptr(remove)), language_text(lang::menu_remove));
        return answer;
    };

    download_panel_c* fresh = row_of("brightwave-hdaudio-6.0.zip");
    ASSERT_NE(fresh, nullptr);
    ASSERT_EQ(fresh->row().session().state(), download_not_downloaded);
    // A right-click on the row button opens nothing.
    RECT b = fresh->button_rect();
    POINT on_button{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
    ClientToScreen(fresh->hwnd(), &on_button);
    SendMessageW(fresh->hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(fresh->hwnd()),
                 MAKELPARAM(on_button.x, on_button.y));
    EXPECT_TRUE(opened.empty());
    // Elsewhere the menu opens, with Remove greyed.
    POINT elsewhere{40, 10};
    ClientToScreen(fresh->hwnd(), &elsewhere);
    SendMessageW(fresh->hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(fresh->hwnd()),
                 MAKELPARAM(elsewhere.x, elsewhere.y));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].second & MF_GRAYED);

    // A complete row's Remove is offered; answered No it keeps the files,
    // Yes deletes them.
    download_panel_c* done = row_of("inkmere-p2100-2.0.zip");
    ASSERT_NE(done, nullptr);
    ASSERT_EQ(done->row().session().state(), download_complete);
    fs::path file = fs::path(reinterpret_cast<const wchar_t*>(done->row().session().final_path().c_str()));
    ASSERT_TRUE(fs::exists(file));
    answer = row_menu_remove;
    answers.push_back(box_result_t::declined);
    POINT in_done{40, 10};
    ClientToScreen(done->hwnd(), &in_done);
    SendMessageW(done->hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(done->hwnd()), MAKELPARAM(in_done.x, in_done.y));
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_FALSE(opened[1].second & MF_GRAYED);
    EXPECT_EQ(boxes_with(lang::remove_confirm), 1u);
    EXPECT_TRUE(fs::exists(file));
    answers.push_back(box_result_t::accepted);
    SendMessageW(done->hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(done->hwnd()), MAKELPARAM(in_done.x, in_done.y));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(done->row().session().state(), download_not_downloaded);
    EXPECT_EQ(done->button_label(), language_text(lang::download_btn_download));

    // Information opens the row's own group.
    const offer_group_t* shown = nullptr;
    auto keep = view().panel_context().show_information;
    EXPECT_TRUE(keep) << "the main window opens the device information dialog";
    view().panel_context().show_information = [&](HWND, const offer_group_t& group) { shown = &group; };
    download_panel_c* kestrel = row_of("kestrel-chipset-9.2.zip");
    kestrel->run_command(row_menu_information);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown, &kestrel->group());
    EXPECT_EQ(shown->devices.size(), 2u);
    view().panel_context().show_information = keep;
    view().panel_context().track_menu = nullptr;
}

// The pointer pressed elsewhere and released over a row's button, with or
// without a move over it first (a row made anew under a held pointer sees
// no move): nothing starts, as with a push button.
TEST_F(ResultsView, ADragOntoARowsButtonAndAReleaseStartsNothing)
{
    download_panel_c* row = row_of("brightwave-hdaudio-6.0.zip");
    ASSERT_NE(row, nullptr);
    ASSERT_EQ(row->row().session().state(), download_not_downloaded);
    RECT r = row->button_rect();
    const LPARAM outside = MAKELPARAM(r.left - 30, (r.top + r.bottom) / 2);
    const LPARAM on_button = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(row->hwnd(), WM_MOUSEMOVE, MK_LBUTTON, outside);
    SendMessageW(row->hwnd(), WM_LBUTTONUP, 0, on_button);
    pump_messages(300);
    EXPECT_EQ(row->row().session().state(), download_not_downloaded);
    SendMessageW(row->hwnd(), WM_MOUSEMOVE, MK_LBUTTON, outside);
    SendMessageW(row->hwnd(), WM_MOUSEMOVE, MK_LBUTTON, on_button);
    SendMessageW(row->hwnd(), WM_LBUTTONUP, 0, on_button);
    pump_messages(300);
    EXPECT_EQ(row->row().session().state(), download_not_downloaded);
    EXPECT_EQ(row->button_label(), language_text(lang::download_btn_download));
    // The tests before pressed and released on the buttons: that clicks.
}

// "Ignore this update" from a row's menu takes the printer's offer out of
// the rows, the counts and the chart, keeps it in the user's settings for
// the next start, and the bottom bar's link opens the list whose "Stop
// ignoring" brings it back.
TEST_F(ResultsView, IgnoringTheOfferOfARowTakesItOutUntilTheUserStopsIgnoringIt)
{
    ASSERT_TRUE(settings.ignored_offers.empty());
    const int rows_before = view().row_count();
    const offer_counts_t before = view().counts();
    download_panel_c* printer = row_of("inkmere-p2100-2.0.zip");
    ASSERT_NE(printer, nullptr);
    EXPECT_FALSE(IsWindowVisible(view().bottom_bar().ignored_link().hwnd())) << "no link while nothing is ignored";

    UINT ignore_state = 0;
    view().panel_context().track_menu = [&](HMENU menu, POINT, HWND) {
        ignore_state = GetMenuState(menu, row_menu_ignore, MF_BYCOMMAND);
        wchar_t label[64] = {};
        GetMenuStringW(menu, row_menu_ignore, label, 64, MF_BYCOMMAND);
        EXPECT_EQ(u16(u16ptr(label)), language_text(lang::menu_ignore_update));
        return static_cast<UINT>(row_menu_ignore);
    };
    POINT in_row{40, 10};
    ClientToScreen(printer->hwnd(), &in_row);
    SendMessageW(printer->hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(printer->hwnd()),
                 MAKELPARAM(in_row.x, in_row.y));
    view().panel_context().track_menu = nullptr;
    EXPECT_FALSE(ignore_state & MF_GRAYED);
    ASSERT_TRUE(pump_until([&] { return view().row_count() == rows_before - 1; }, 10000));
    EXPECT_EQ(row_of("inkmere-p2100-2.0.zip"), nullptr);
    EXPECT_EQ(view().counts().out_of_date, before.out_of_date - 1);
    EXPECT_EQ(view().counts().no_driver, before.no_driver);
    EXPECT_EQ(view().counts().up_to_date, before.up_to_date);
    ASSERT_EQ(view().chart().slices().size(), 3u);
    EXPECT_EQ(view().chart().slices()[0].value, before.out_of_date - 1);

    // The entry names the offer, and the next start reads it back.
    ASSERT_EQ(settings.ignored_offers.size(), 1u);
    EXPECT_EQ(settings.ignored_offers[0].version, u"2.0.0.11");
    EXPECT_EQ(settings.ignored_offers[0].date, u"2012-09-20");
    const u16 ignored_id = settings.ignored_offers[0].hardware_id;
    EXPECT_TRUE(equals_ignore_case_ascii(ignored_id, u"USBPRINT\\INKMEREP2100_5B7A") ||
                equals_ignore_case_ascii(ignored_id, u"INKMEREP2100_5B7A"))
        << utf16_to_utf8(ignored_id);
    settings_store_t& live = program_settings_store();
    settings_store_t next{live.registry, live.folders, live.program_folder, live.program_path, live.utc_now};
    next.keys = live.keys;
    app_settings_t restarted;
    ASSERT_TRUE(settings_load(next, restarted));
    ASSERT_EQ(restarted.ignored_offers.size(), 1u);
    EXPECT_TRUE(same_ignored_offer(restarted.ignored_offers[0], settings.ignored_offers[0]));

    // The link under the rows counts it and opens the list.
    HWND link = view().bottom_bar().ignored_link().hwnd();
    ASSERT_TRUE(IsWindowVisible(link));
    wchar_t link_text[128] = {};
    GetWindowTextW(link, link_text, 128);
    EXPECT_EQ(u16(u16ptr(link_text)), format_language_text(language_text(lang::ignored_link), {u"1"}, 63));
    save_screenshot(window->hwnd(), L"results_ignored");

    std::vector<std::wstring> lines;
    bool stop_enabled = false;
    while_dialog_up_t in_dialog([&](HWND dialog) {
        HWND list = GetDlgItem(dialog, ignored_window_c::list_id);
        const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t cells[4][256] = {};
            std::wstring line;
            for (int c = 0; c < 4; ++c) {
                LVITEMW item{};
                item.iSubItem = c;
                item.pszText = cells[c];
                item.cchTextMax = 256;
                SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
                line += (c ? L" | " : L"") + std::wstring(cells[c]);
            }
            lines.push_back(line);
        }
        HWND stop = GetDlgItem(dialog, ignored_window_c::stop_id);
        stop_enabled = IsWindowEnabled(stop) != FALSE;
        save_screenshot(dialog, L"ignored_updates");
        SendMessageW(stop, BM_CLICK, 0, 0);
        EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
        EXPECT_FALSE(IsWindowEnabled(stop)) << "nothing left to select";
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    RECT link_rect;
    GetClientRect(link, &link_rect);
    SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(4, link_rect.bottom / 2));
    ASSERT_TRUE(in_dialog.ran()) << "the link opened no dialog";
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], L"Inkmere P2100 | 2.0.0.11 | 2012-09-20 | " + std::wstring(wide(ignored_id.c_str())));
    EXPECT_TRUE(stop_enabled) << "the first line is selected when the list opens";

    // Back in the rows, the counts and the settings; the link hides.
    EXPECT_EQ(view().row_count(), rows_before);
    EXPECT_NE(row_of("inkmere-p2100-2.0.zip"), nullptr);
    EXPECT_EQ(view().counts().out_of_date, before.out_of_date);
    EXPECT_TRUE(settings.ignored_offers.empty());
    app_settings_t after;
    ASSERT_TRUE(settings_load(next, after));
    EXPECT_TRUE(after.ignored_offers.empty());
    EXPECT_FALSE(IsWindowVisible(link));
}

namespace {

// The network adapter's installed driver as the program's scan reads it
// from the registry: version, date and INF.
std::string installed_norvale_driver()
{
    device_inventory_t inventory;
    scan_progress_t progress;
    std::string found = "not found";
    if (device_scan(inventory, win32_setup_api(), progress))
        for (const device_t& d : inventory.devices)
            if (u16(d.name, u16_length(d.name)) == u"Norvale GbE Network Adapter NV-1021")
                found = utf16_to_utf8(u16(d.driver_version, u16_length(d.driver_version))) + " " +
                        utf16_to_utf8(u16(d.driver_date, u16_length(d.driver_date))) + " " +
                        utf16_to_utf8(u16(d.inf_path, u16_length(d.inf_path)));
    inventory_clear(inventory);
    return found;
}

// Puts back what the restore point test changed in the prefix and the
// process.
struct restore_point_prefix_t {
    fs::path pnputil;
    os_version_t version = environment.version_info;
    ~restore_point_prefix_t()
    {
        environment.version_info = version;
        for (const wchar_t* name : {L"TDU_SRCLIENT_LOG", pnputil_record_variable, pnputil_exit_code_variable,
                                    pnputil_driver_key_variable})
            SetEnvironmentVariableW(name, nullptr);
        if (!pnputil.empty()) DeleteFileW(pnputil.c_str());
    }
};

// The stand-in srclient.dll in the prefix's system folder, for the restore
// point run: put there by the parent before the XP copy starts and taken
// out once it has ended (the program keeps the System Restore library
// loaded to its end, and a loaded library can be neither deleted nor
// replaced).
class stand_in_srclient_c {
public:
    stand_in_srclient_c()
    {
        if (!std::getenv("TDU_RESTORE_POINT_RUN")) return;
        dll_ = fs::path(system_folder()) / "srclient.dll";
        aside_ = dll_.wstring() + L".tdu-test";
        if (!MoveFileExW(dll_.c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            aside_.clear();
            return;
        }
        placed_ = CopyFileW(L"" TDU_STAND_IN_SRCLIENT_W, dll_.c_str(), FALSE) != FALSE;
    }
    ~stand_in_srclient_c()
    {
        if (aside_.empty()) return;
        DeleteFileW(dll_.c_str());
        MoveFileExW(aside_.c_str(), dll_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    bool ok() const { return !std::getenv("TDU_RESTORE_POINT_RUN") || placed_; }

private:
    fs::path dll_, aside_;
    bool placed_ = false;
};

} // namespace

// With a System Restore that makes restore points (a stand-in srclient.dll
// in the system folder recording its calls) and Windows 10's pnputil (a
// stand-in that records its command line into the same file and, having
// "installed", writes the driver's record into the device's driver key as
// Windows does): installing the network driver from its row is made within
// a restore point (BEGIN, pnputil, END), archives the driver it replaces,
// and the row's "Roll back" installs that archive again, after which the
// program's scan reads the old driver's record. Run alone, as the run's
// first installation (ui_results_view_restore_point_win32_test); skipped
// in the suite's ordinary run, whose installations ask about Wine's own
// refusing System Restore.
TEST_F(ResultsView, WithSystemRestoreTheNetworkDriverInstallsWithinARestorePointAndRollsBack)
{
    if (!std::getenv("TDU_RESTORE_POINT_RUN")) GTEST_SKIP() << "run by ui_results_view_restore_point_win32_test";
    ASSERT_EQ(program_install_services().restore_point->state(), restore_point_state_t::none)
        << "an installation of this run came first";
    const char* norvale = "norvale-gbe-3.2.zip";
    ASSERT_NE(row_of(norvale), nullptr);
    if (row_of(norvale)->row().session().state() != download_complete) click_row_button(*row_of(norvale));
    ASSERT_TRUE(wait_for_state(norvale, download_complete));

    // The stand-in srclient.dll is in place (see stand_in_srclient_c).
    restore_point_prefix_t prefix;
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    const fs::path pnputil = fs::path(windows_folder()) / (wow64 ? "Sysnative" : "System32") / "pnputil.exe";
    ASSERT_FALSE(fs::exists(pnputil)) << "the prefix has a pnputil of its own";
    ASSERT_TRUE(CopyFileW(test::own_path().c_str(), pnputil.c_str(), TRUE));
    prefix.pnputil = pnputil;
    const fs::path record = downloads->path() / "restore_point_and_pnputil.txt";
    SetEnvironmentVariableW(L"TDU_SRCLIENT_LOG", record.c_str());
    SetEnvironmentVariableW(pnputil_record_variable, record.c_str());
    SetEnvironmentVariableW(pnputil_driver_key_variable,
                            L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\0100");
    environment.version_info = os_version_t{10, 0, 19045, ver_platform_win32_nt};

    EXPECT_EQ(installed_norvale_driver(), "3.0.0.0 2012-02-10 oem7.inf");
    click_row_button(*row_of(norvale));
    ASSERT_TRUE(pump_until([&] { return row_of(norvale)->row().install_outcome() != install_outcome_none &&
                                        !row_of(norvale)->row().installing(); },
                           60000));
    EXPECT_EQ(row_of(norvale)->row().install_outcome(), install_outcome_installed);
    EXPECT_EQ(boxes_with(lang::download_setup_no_restore_point), 0u) << "a restore point was made: nothing to ask";
    std::vector<std::string> calls = text_lines(read_file(record));
    ASSERT_EQ(calls.size(), 3u) << read_file(record);
    EXPECT_EQ(calls[0].rfind("BEGIN 10 0 ", 0), 0u) << calls[0];
    // The program and the package: the INF and the download's file name.
    EXPECT_NE(calls[0].find(" Tavrill Driver Updater: nvgbe62.inf ("), std::string::npos) << calls[0];
    EXPECT_NE(calls[0].find(".zip)"), std::string::npos) << calls[0];
    EXPECT_NE(calls[1].find("pnputil.exe\" /add-driver \""), std::string::npos) << calls[1];
    EXPECT_NE(calls[1].find("\\Norvale\\NDIS62\\*.inf\" /install"), std::string::npos) << calls[1];
    EXPECT_EQ(calls[2].rfind("END 10 42 ", 0), 0u) << calls[2];
    // The driver it replaced was archived first and recorded so.
    const fs::path backups = fs_path(u16(settings.backup_path));
    EXPECT_TRUE(fs::exists(backups / "Norvale-GbE-Network-Adapter-NV-1021-3.0.0.0-before-update.zip"));
    const std::string catalogue = read_file(program_folder() / "backup.xml");
    EXPECT_NE(catalogue.find("<driver before_update=\"1\" replaced_by=\"nvgbe62.inf ("), std::string::npos) << catalogue;
    EXPECT_EQ(installed_norvale_driver(), "3.2.1.0 2013-06-14 nvgbe62.inf");

    // Roll back from the row's menu: pnputil on the unpacked archive, no
    // second restore point in the run, and the old driver's record again.
    auto roll_back = [&] {
        view().panel_context().track_menu = [](HMENU menu, POINT, HWND) {
            return GetMenuState(menu, row_menu_roll_back, MF_BYCOMMAND) == static_cast<UINT>(-1)
                       ? 0u
                       : static_cast<UINT>(row_menu_roll_back);
        };
        POINT in_row{40, 10};
        ClientToScreen(row_of(norvale)->hwnd(), &in_row);
        SendMessageW(row_of(norvale)->hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(row_of(norvale)->hwnd()),
                     MAKELPARAM(in_row.x, in_row.y));
        view().panel_context().track_menu = nullptr;
    };
    roll_back();
    ASSERT_TRUE(pump_until([&] { return boxes_with(lang::restore_installed) == 1; }, 60000))
        << "the roll-back did not say the driver was installed";
    calls = text_lines(read_file(record));
    ASSERT_EQ(calls.size(), 4u) << read_file(record);
    EXPECT_NE(calls[3].find("\\Norvale-GbE-Network-Adapter-NV-1021-3.0.0.0-before-update\\*.inf\" /install"),
              std::string::npos)
        << calls[3];
    EXPECT_EQ(installed_norvale_driver(), "3.0.0.0 2011-06-01 nvgbe.inf");

    // pnputil failing a roll-back: said with its code, not as a success,
    // and the record stays as it was.
    SetEnvironmentVariableW(pnputil_exit_code_variable, L"0xE0000247");
    const u16 failure = format_language_text(language_text(lang::restore_installer_error), {u"0xE0000247"}, 1024);
    roll_back();
    ASSERT_TRUE(pump_until(
        [&] {
            for (const box_seen_t& b : boxes)
                if (b.text == failure) return true;
            return false;
        },
        60000))
        << "the failed roll-back was not said";
    EXPECT_EQ(boxes_with(lang::restore_installed), 1u);
    EXPECT_EQ(text_lines(read_file(record)).size(), 5u);
    EXPECT_EQ(installed_norvale_driver(), "3.0.0.0 2011-06-01 nvgbe.inf");
}

namespace {

// The same window program taking its offers from the demo packages copied
// to a folder (a stick) named as "--drivers" names one, with every mirror a
// closed port: no update service is reached or needed. The suite follows
// ResultsView in the same process, with a main window and scan of its own.
class DriverFolderScan : public ResultsView {
protected:
    static void SetUpTestSuite()
    {
        set_box_observer(&observe_box);
        sticks = std::make_unique<temp_dir_c>();
        stick = sticks->path() / "stick";
        fs::copy(fs::path(TDU_DEMO_SOURCE_PACKAGES), stick, fs::copy_options::recursive);
        stick_packages = static_cast<size_t>(std::distance(fs::directory_iterator(stick), fs::directory_iterator()));
        // A download folder of its own: ResultsView left the service's
        // packages of the same names in the suite's.
        own_downloads = std::make_unique<temp_dir_c>();
        download_sessions.settings.download_folder = utf8_to_utf16(own_downloads->path().u8string());
        update_client_t& client = update_client();
        for (std::string& mirror : client.mirrors) {
            saved_mirrors.push_back(mirror);
            mirror = "http://127.0.0.1:1/";
        }
        startup_state.drivers_folder = stick.u16string();
        window = std::make_unique<main_window_c>();
        ASSERT_NE(window->create_main_window(), nullptr) << GetLastError();
        ShowWindow(window->hwnd(), SW_SHOWNORMAL);
        UpdateWindow(window->hwnd());
        pump_messages(100);
        reached = scan_to_results();
    }
    static void TearDownTestSuite()
    {
        startup_state.drivers_folder.clear();
        update_client_t& client = update_client();
        for (size_t i = 0; i < saved_mirrors.size(); ++i) client.mirrors[i] = saved_mirrors[i];
        window.reset();
        pump_messages(100);
        set_box_observer({});
        sticks.reset();
        download_sessions.settings.download_folder = utf8_to_utf16(downloads->path().u8string());
        own_downloads.reset();
    }

    // A scan from the main window's start message until the results show;
    // false when it ended anywhere else.
    static bool scan_to_results()
    {
        SendMessageW(window->hwnd(), wm_start_scan, 0, 0);
        return pump_until([] { return window->current_view() == window->results_view().hwnd(); }, 120000);
    }

    static std::vector<fs::path> entries_of(const fs::path& folder)
    {
        std::vector<fs::path> names;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            names.push_back(fs::relative(entry.path(), folder));
        std::sort(names.begin(), names.end());
        return names;
    }

    static std::wstring scan_view_name()
    {
        wchar_t name[1024] = {};
        GetWindowTextW(window->scan_view().hwnd(), name, 1024);
        return name;
    }

    static std::unique_ptr<temp_dir_c> sticks, own_downloads;
    static fs::path stick;
    static size_t stick_packages;
    static std::vector<std::string> saved_mirrors;
    static bool reached;
};

std::unique_ptr<temp_dir_c> DriverFolderScan::sticks;
std::unique_ptr<temp_dir_c> DriverFolderScan::own_downloads;
fs::path DriverFolderScan::stick;
size_t DriverFolderScan::stick_packages = 0;
std::vector<std::string> DriverFolderScan::saved_mirrors;
bool DriverFolderScan::reached = false;

} // namespace

// The folder's offers are the service's: the same six rows and counts; the
// scan view named the folder with every package read; on the stick only the
// index was written.
TEST_F(DriverFolderScan, FindsTheDemosOffersAndNamesTheFolder)
{
    std::string seen;
    for (const box_seen_t& b : boxes) seen += utf16_to_utf8(b.text) + "\n";
    ASSERT_TRUE(reached) << "the scan did not reach the results view; boxes:\n" << seen;
    EXPECT_EQ(view().row_count(), 6);
    for (const char* package : demo_offered_packages) EXPECT_NE(row_of(package), nullptr) << package;
    EXPECT_EQ(view().counts().out_of_date, 2);
    EXPECT_EQ(view().counts().no_driver, 1);
    EXPECT_EQ(view().counts().up_to_date, 4);
    for (const auto& row : view().rows())
        EXPECT_EQ(row->row().input().link.rfind("file:///", 0), 0u) << row->row().input().link;

    const int32_t packages = static_cast<int32_t>(stick_packages);
    EXPECT_EQ(scan_view_name(), std::wstring(wide(driver_folder_line(language_table, stick.u16string(), packages,
                                                                      packages).c_str())));
    EXPECT_NE(scan_view_name().find(stick.wstring()), std::wstring::npos) << scan_view_name();

    std::vector<fs::path> on_stick;
    for (const auto& entry : fs::directory_iterator(stick)) on_stick.push_back(entry.path().filename());
    EXPECT_EQ(on_stick.size(), stick_packages + 1) << "the packages and the index";
    EXPECT_TRUE(fs::exists(stick / "tdu-drivers.index"));
    save_screenshot(window->hwnd(), L"offline_results");
}

// The network driver from the folder: "downloaded" (copied) with its
// digest checked against the one the index computed, then installed with
// the stand-in installer beside the program as from the service.
TEST_F(DriverFolderScan, TheNetworkDriverFromTheFolderInstalls)
{
    ASSERT_TRUE(reached);
    const char* norvale = "norvale-gbe-3.2.zip";
    ASSERT_NE(row_of(norvale), nullptr);
    const download_row_input_t input = row_of(norvale)->row().input();
    ASSERT_EQ(input.sha256.size(), 64u) << "the offer pins its package by digest";
    click_row_button(*row_of(norvale));
    ASSERT_TRUE(wait_for_state(norvale, download_complete));
    std::string copied;
    ASSERT_TRUE(sha256_file_hex(row_of(norvale)->row().session().final_path(), copied));
    EXPECT_EQ(copied, input.sha256);

    fs::path record = program_folder() / dpinst_record;
    fs::remove(record);
    answers.assign(3, box_result_t::accepted);  // install without a restore point, over the kept backup
    click_row_button(*row_of(norvale));
    // The stand-in writes its command line while the row is watched: the
    // whole line, ending in the network INF's folder, is waited for.
    EXPECT_TRUE(pump_until([&] { return fs::exists(record) && read_file(record).find("\\Norvale\\NDIS62\"") != std::string::npos; },
                           30000))
        << "the installer was not started on the network driver's folder: "
        << (fs::exists(record) ? read_file(record) : std::string());
    ASSERT_TRUE(pump_until([&] { return !row_of(norvale)->row().installing(); }, 30000));
    EXPECT_EQ(row_of(norvale)->row().install_outcome(), install_outcome_started);
    EXPECT_EQ(boxes_with(lang::download_setup_warning), 0u) << "a newer driver installs without asking";
}

// The stick pulled (its folder renamed away) while its index runs: the
// scan ends in its box naming the folder, nothing was written into the
// pulled folder or beside it, and the next scan, with the stick back, runs
// to the results. A stick of many packages keeps the index run long enough
// to be caught half-way (270 packages).
TEST_F(DriverFolderScan, AStickPulledWhileItIsIndexedEndsTheScanAndTheProgramGoesOn)
{
    ASSERT_TRUE(reached);
    temp_dir_c slow;
    const fs::path drivers = slow.path() / "drivers", pulled = slow.path() / "pulled";
    fs::create_directories(drivers);
    for (int i = 0; i < 30; ++i)
        for (const auto& package : fs::directory_iterator(fs::path(TDU_DEMO_SOURCE_PACKAGES)))
            fs::copy(package.path(), drivers / (package.path().filename().string() + "-" + std::to_string(i)),
                     fs::copy_options::recursive);
    const std::vector<fs::path> before = entries_of(drivers);
    startup_state.drivers_folder = drivers.u16string();

    SendMessageW(window->hwnd(), wm_start_scan, 0, 0);
    auto source = [] { return update_client().local_source; };
    ASSERT_TRUE(pump_until(
        [&] {
            auto s = source();
            return s && s->progress.packages_done.load() >= 3;
        },
        120000))
        << "the index run was not seen";
    const auto seen = source();
    EXPECT_LT(seen->progress.packages_done.load(), seen->progress.packages_total.load());
    // The README's picture of the scan view naming the folder it reads.
    RedrawWindow(window->scan_view().hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_NE(scan_view_name().find(drivers.wstring()), std::wstring::npos) << scan_view_name();
    save_screenshot(window->hwnd(), L"offline_scan");
    bool moved = false;
    for (int i = 0; i < 200 && !moved; ++i) {
        moved = MoveFileW(drivers.wstring().c_str(), pulled.wstring().c_str()) != FALSE;
        if (!moved) pump_messages(20);
    }
    ASSERT_TRUE(moved) << "the folder could not be pulled: " << GetLastError();
    const u16 message = format_language_text(language_text(lang::error_driver_folder), {drivers.u16string()}, 1023);
    ASSERT_TRUE(pump_until([&] { return !boxes.empty(); }, 120000)) << "no box";
    EXPECT_EQ(boxes.front().text, message);
    EXPECT_EQ(boxes.front().style, box_style_t::retry_cancel);
    ASSERT_TRUE(pump_until([] { return window->current_view() == window->view_window(main_view::home); }, 20000))
        << "Cancel goes home";
    EXPECT_NE(window->current_view(), window->results_view().hwnd());

    // Nothing written on the stick (the index is written only by a whole
    // run), nothing beside it.
    EXPECT_EQ(entries_of(pulled), before);
    std::vector<fs::path> beside;
    for (const auto& entry : fs::directory_iterator(slow.path())) beside.push_back(entry.path().filename());
    EXPECT_EQ(beside, std::vector<fs::path>{"pulled"});

    // The stick back: the program scans it to the results.
    ASSERT_TRUE(MoveFileW(pulled.wstring().c_str(), drivers.wstring().c_str()));
    boxes.clear();
    EXPECT_TRUE(scan_to_results()) << (boxes.empty() ? std::string() : utf16_to_utf8(boxes.front().text));
    EXPECT_EQ(view().counts().out_of_date, 2);
    EXPECT_EQ(view().counts().no_driver, 1);
    EXPECT_EQ(view().counts().up_to_date, 4);
    startup_state.drivers_folder = stick.u16string();
}

namespace {

// The parent: starts the relay, puts the demo machine into the prefix and
// runs the XP copy (every mirror the relay), passing its result on.
int run_as_xp_copy()
{
    const char* port_file = std::getenv("TDU_DEMO_SERVICE_PORT_FILE");
    std::string port = port_file ? read_file(port_file) : "";
    if (port.empty()) {
        std::fprintf(stderr, "TDU_DEMO_SERVICE_PORT_FILE names no port file of the update service\n");
        return 1;
    }
    slow_relay_c relay(static_cast<uint16_t>(std::atoi(port.c_str())));
    if (relay.port() == 0) return 1;
    relay.start();
    machine_registry_c registry(load_machine(test::data_dir() / "devices" / "demo_machine.ini"));
    demo_store_c demo_store;
    stand_in_srclient_c srclient;
    if (!srclient.ok()) {
        std::fprintf(stderr, "the stand-in srclient.dll could not be put in the system folder\n");
        return 1;
    }
    if (!registry.ok()) {
        std::fprintf(stderr, "machine not imported: %s\n", registry.error().c_str());
        return 1;
    }
    return test::run_test_as_xp_copy(xp_program_name, [&](const fs::path& folder) {
        // Every mirror is the relay; the copy inherits the variable.
        const std::string url = "http://127.0.0.1:" + std::to_string(relay.port()) + "/";
        fs::path endpoints = folder / "endpoints.ini";
        std::ofstream(endpoints) << "mirror1 = " << url << "\nmirror2 = " << url << "\nmirror3 = " << url
                                 << "\nscan_share_host = 8.8.4.4\n";
        SetEnvironmentVariableW(L"TDU_ENDPOINTS", endpoints.wstring().c_str());
    });
}

} // namespace

int main(int argc, char** argv)
{
    const std::wstring name = fs::path(test::own_path()).filename().wstring();
    if (_wcsicmp(name.c_str(), L"pnputil.exe") == 0) return run_pnputil_stand_in();
    if (_wcsicmp(name.c_str(), tdu::test::this_architecture().driver_installer) == 0) return test::record_command_line(program_folder() / dpinst_record);
    if (_wcsicmp(name.c_str(), xp_program_name) != 0) return run_as_xp_copy();
    testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new program_environment_t);
    return RUN_ALL_TESTS();
}
