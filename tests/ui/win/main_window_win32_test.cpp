// The main window in this test's own process, under Wine, with real windows
// and real messages: start-up as the program does it (settings, language,
// system information, the process-wide services), then clicks on the band's
// buttons, the tray icon's events, closing and exiting. The update service
// is pointed at a port where nothing listens, so every scan ends in the
// failed request's Retry and Cancel box. The message boxes are watched
// instead of opened (a modal box would stop this thread); what they say and
// how they are answered is recorded.
#include "program/program.h"
#include "program_start_win32.h"
#include "app/app_messages.h"
#include "app/language.h"
#include "app/language_keys.h"
#include "app/settings.h"
#include "packages/download_session.h"
#include "ui/main_window.h"
#include "ui/model/home_view_layout.h"
#include "ui/model/main_window_layout.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/dialogs/view_box.h"
#include "ui/win/message_loop.h"

#include <algorithm>
#include <winsock2.h>
#include <windows.h>
#include <objbase.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace tdu;

namespace {

const wchar_t settings_key[] = L"Software\\Tavrill Driver Updater";

// Start-up as the program does it, once for the whole test program.
class program_environment_t : public ::testing::Environment {
public:
    void SetUp() override
    {
        SHDeleteKeyW(HKEY_CURRENT_USER, settings_key);
        SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Tavrill_Driver_Updater_Init");
        // Every mirror refuses connections; the scan-share host is an
        // address literal, so no lookup leaves the machine.
        std::filesystem::path file = std::filesystem::temp_directory_path() / "tdu_main_window_endpoints.ini";
        std::ofstream(file) << "mirror1 = http://127.0.0.1:1/\nmirror2 = http://127.0.0.1:1/\n"
                               "mirror3 = http://127.0.0.1:1/\nscan_share_host = 8.8.4.4\n";
        // Through the C runtime, whose copy of the environment the endpoint
        // override is read from (SetEnvironmentVariableW would not reach it).
        _wputenv((L"TDU_ENDPOINTS=" + file.wstring()).c_str());
        ASSERT_EQ(test::start_window_program(failure), 0) << failure;
    }
    void TearDown() override { SHDeleteKeyW(HKEY_CURRENT_USER, settings_key); }
    std::string failure;
};

const auto* const environment_registered = ::testing::AddGlobalTestEnvironment(new program_environment_t);

struct box_seen_t {
    u16 text;
    box_style_t style;
};

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_box_observer([this](u16view text, box_style_t style) {
            boxes.push_back({u16(text), style});
            if (answers.empty()) return box_result_t::declined;
            box_result_t a = answers.front();
            answers.pop_front();
            return a;
        });
        settings.close_to_tray = 1;
        window = std::make_unique<main_window_c>();
        ASSERT_NE(window->create_main_window(), nullptr);
        ShowWindow(window->hwnd(), SW_SHOWNORMAL);
        UpdateWindow(window->hwnd());
        pump();
    }
    void TearDown() override
    {
        window.reset();
        pump();
        set_box_observer({});
    }

    // Dispatches what has arrived; with a condition, until it holds or the
    // time is up.
    bool pump(const std::function<bool()>& until = {}, DWORD timeout_ms = 0)
    {
        DWORD start = GetTickCount();
        for (;;) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    quit_seen = true;
                    continue;
                }
                // As the program's loop does: the window's key filter first.
                if (loop.pre_translate(msg)) continue;
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            if (!until || until()) return true;
            if (GetTickCount() - start > timeout_ms) return false;
            Sleep(10);
        }
    }

    // A click on a button of the band, as the mouse makes it: the press and
    // the release at the button's middle, in screen coordinates.
    void click_band(const layout_rect_t& in_window, bool from_right = false)
    {
        RECT w;
        GetWindowRect(window->hwnd(), &w);
        int x = from_right ? (w.right - w.left) - (in_window.left + in_window.right) / 2
                           : (in_window.left + in_window.right) / 2;
        int y = (in_window.top + in_window.bottom) / 2;
        LPARAM at = MAKELPARAM(w.left + x, w.top + y);
        SendMessageW(window->hwnd(), WM_NCMOUSEMOVE, HTBORDER, at);
        SendMessageW(window->hwnd(), WM_NCLBUTTONDOWN, HTBORDER, at);
        SendMessageW(window->hwnd(), WM_NCLBUTTONUP, HTBORDER, at);
        pump();
    }
    void click_nav(int index)
    {
        click_band(nav_button_rect(index, GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME)));
    }
    void click_caption(int index)
    {
        click_band(caption_button_rect(index, GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME)), true);
    }

    bool shows(main_view view) const
    {
        HWND v = window->view_window(view);
        return v && IsWindowVisible(v) && window->current_view() == v;
    }

    u16 text(language_key_t key) const { return language_text(key); }

    DWORD stored_close_to_tray() const
    {
        DWORD value = 0, size = sizeof value;
        if (RegGetValueW(HKEY_CURRENT_USER, settings_key, L"close_to_tray", RRF_RT_REG_DWORD, nullptr, &value,
                         &size) != ERROR_SUCCESS)
            return 99;
        return value;
    }

    std::unique_ptr<main_window_c> window;
    std::vector<box_seen_t> boxes;
    std::deque<box_result_t> answers;
    bool quit_seen = false;
    // The window registers its key filter with the thread's loop when made;
    // pump() offers each message to it as the program's loop does.
    message_loop_c loop;
};

} // namespace

TEST_F(MainWindow, StartsOnTheHomeViewWithItsTitleTrayAndMenu)
{
    wchar_t title[64] = {};
    GetWindowTextW(window->hwnd(), title, 64);
    EXPECT_STREQ(title, L"Tavrill Driver Updater");
    EXPECT_TRUE(shows(main_view::home));
    for (main_view hidden : {main_view::scan, main_view::results, main_view::backup, main_view::restore})
        EXPECT_FALSE(IsWindowVisible(window->view_window(hidden))) << int(hidden);
    EXPECT_TRUE(window->tray().present());
    ASSERT_NE(window->menu(), nullptr);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(window->menu(), 0)), 7);
    EXPECT_EQ(window->state().view_state, view_state_idle);

    // The window never gets smaller than 800 by 600.
    MINMAXINFO info{};
    SendMessageW(window->hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 800);
    EXPECT_EQ(info.ptMinTrackSize.y, 600);
    SetWindowPos(window->hwnd(), nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    RECT r;
    GetWindowRect(window->hwnd(), &r);
    EXPECT_GE(r.right - r.left, 800);
    EXPECT_GE(r.bottom - r.top, 600);

    // The home view fills the client area.
    RECT client, view;
    GetClientRect(window->hwnd(), &client);
    GetClientRect(window->current_view(), &view);
    EXPECT_EQ(view.right, client.right);
    EXPECT_EQ(view.bottom, client.bottom);
}

TEST_F(MainWindow, TheViewsThatNeedAScanSayToScanFirst)
{
    struct row_t {
        int button;
        language_key_t key;
    };
    const row_t rows[] = {{1, lang::home_download_msg}, {2, lang::home_backup_msg}, {3, lang::home_restore_msg}};
    for (const row_t& r : rows) {
        boxes.clear();
        click_nav(r.button);
        ASSERT_EQ(boxes.size(), 1u) << r.button;
        EXPECT_EQ(boxes[0].text, text(r.key));
        EXPECT_EQ(boxes[0].style, box_style_t::warning);
        EXPECT_TRUE(shows(main_view::home)) << "the current view stays";
    }
}

// A scan started by the home view's button; "home" while it runs shows
// its progress; the failed request's box: Retry scans again, Cancel goes
// home.
TEST_F(MainWindow, ScanFromTheHomeButtonRetryAndCancel)
{
    HWND home = window->view_window(main_view::home);
    RECT client;
    GetClientRect(home, &client);
    home_layout_t layout = home_layout(client.right, client.bottom);
    LPARAM at = MAKELPARAM((layout.scan_button.left + layout.scan_button.right) / 2,
                           (layout.scan_button.top + layout.scan_button.bottom) / 2);
    SendMessageW(home, WM_MOUSEMOVE, 0, at);
    SendMessageW(home, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(home, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(window->state().view_state, view_state_scanning);
    EXPECT_TRUE(shows(main_view::scan));

    click_nav(0);
    EXPECT_TRUE(shows(main_view::scan)) << "\"home\" during a scan shows the scan";

    // Download during the scan says that the scan runs, not to scan first.
    const size_t before = boxes.size();
    click_nav(1);
    auto said = std::find_if(boxes.begin() + static_cast<std::ptrdiff_t>(before), boxes.end(),
                             [&](const box_seen_t& b) { return b.text == text(lang::home_scan_running_msg); });
    ASSERT_NE(said, boxes.end()) << boxes.size() << " boxes";
    EXPECT_TRUE(shows(main_view::scan));
    boxes.erase(said);

    answers = {box_result_t::accepted, box_result_t::declined};
    ASSERT_TRUE(pump([&] { return boxes.size() == 2 && window->state().view_state == view_state_idle; }, 60000))
        << boxes.size() << " boxes, view state " << window->state().view_state << ", run phase "
        << int(window->scan_view().run().phase) << ", " << window->scan_view().run().progress->processed_nodes
        << " nodes";
    EXPECT_EQ(boxes[0].style, box_style_t::retry_cancel);
    EXPECT_EQ(boxes[0].text, text(lang::error_network_timeout));
    EXPECT_EQ(boxes[1].style, box_style_t::retry_cancel) << "Retry ran the whole scan again";
    EXPECT_TRUE(shows(main_view::home));
    EXPECT_FALSE(window->scan_view().scanning());

    // Back home, "home" is home, and nothing scans on by itself.
    click_nav(0);
    EXPECT_TRUE(shows(main_view::home));
    pump({}, 0);
    Sleep(600);
    pump();
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(shows(main_view::home));
}

TEST_F(MainWindow, CloseToTrayWarnsOnceStoresTwoAndHides)
{
    settings.close_to_tray = 1;
    SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, text(lang::system_tray_warning));
    EXPECT_EQ(boxes[0].style, box_style_t::information);
    EXPECT_EQ(settings.close_to_tray, 2);
    EXPECT_EQ(stored_close_to_tray(), 2u);
    EXPECT_FALSE(IsWindowVisible(window->hwnd()));
    EXPECT_TRUE(IsWindow(window->hwnd()));

    // Shown again from the tray, closed again with its caption button:
    // hidden without a word.
    SendMessageW(window->hwnd(), window->tray().message(), tray_icon_c::icon_id, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(window->hwnd()));
    click_caption(0);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_FALSE(IsWindowVisible(window->hwnd()));
    EXPECT_FALSE(quit_seen);
}

TEST_F(MainWindow, TrayLeftClickShowsAndHides)
{
    UINT tray = window->tray().message();
    SendMessageW(window->hwnd(), tray, tray_icon_c::icon_id, WM_LBUTTONUP);
    EXPECT_FALSE(IsWindowVisible(window->hwnd()));
    SendMessageW(window->hwnd(), tray, tray_icon_c::icon_id, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(window->hwnd()));
    // Another icon's events and other mouse messages change nothing.
    SendMessageW(window->hwnd(), tray, tray_icon_c::icon_id + 1, WM_LBUTTONUP);
    SendMessageW(window->hwnd(), tray, tray_icon_c::icon_id, WM_MOUSEMOVE);
    EXPECT_TRUE(IsWindowVisible(window->hwnd()));
}

TEST_F(MainWindow, ExitWithoutDownloadsEndsTheLoop)
{
    settings.close_to_tray = 0;
    SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(IsWindow(window->hwnd()));
    pump();
    EXPECT_TRUE(quit_seen);
}

// A download that runs: a listening socket that takes the request and
// never answers.
TEST_F(MainWindow, ExitWhileADownloadRunsAsksAndNoKeepsIt)
{
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    int length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);

    std::filesystem::path folder = std::filesystem::temp_directory_path() / "tdu_main_window_downloads";
    std::filesystem::create_directories(folder);
    download_sessions.settings.download_folder = folder.u16string() + u"\\";
    std::string link = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/stalls.zip";
    auto session = download_sessions.find_or_create(link, 1000);
    ASSERT_TRUE(session->start());
    ASSERT_TRUE(pump([] { return download_sessions.any_downloading(); }, 5000));

    answers = {box_result_t::declined};
    window->exit_procedure();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, text(lang::quit_confirm));
    EXPECT_EQ(boxes[0].style, box_style_t::yes_no);
    EXPECT_TRUE(IsWindow(window->hwnd())) << "No keeps the window";
    EXPECT_TRUE(download_sessions.any_downloading()) << "and the download";

    // A question closed with its caption button keeps them too (the
    // observer answers as such a box does).
    answers = {box_result_t::declined};
    window->exit_procedure();
    EXPECT_TRUE(IsWindow(window->hwnd()));

    answers = {box_result_t::accepted};
    window->exit_procedure();
    EXPECT_FALSE(IsWindow(window->hwnd())) << "Yes exits";

    session->request_pause();
    pump([&] { return session->check_completion() != completion_t::running; }, 20000);
    closesocket(listener);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

TEST_F(MainWindow, SecondInstanceShowsAndScansOrDoesNothing)
{
    ShowWindow(window->hwnd(), SW_HIDE);
    SendMessageW(window->hwnd(), wm_second_instance, 0, 0);
    EXPECT_FALSE(IsWindowVisible(window->hwnd())) << "wParam 0 asks for nothing";
    EXPECT_EQ(window->state().view_state, view_state_idle);

    SendMessageW(window->hwnd(), wm_second_instance, 1, 0);
    EXPECT_TRUE(IsWindowVisible(window->hwnd()));
    EXPECT_EQ(window->state().view_state, view_state_scanning);
    EXPECT_TRUE(shows(main_view::scan));

    // While it scans, another hand-over only shows the window: the run's
    // record is not restarted under its workers.
    int64_t started = window->scan_view().run().start_time;
    Sleep(1100);
    SendMessageW(window->hwnd(), wm_second_instance, 1, 0);
    EXPECT_EQ(window->scan_view().run().start_time, started);

    answers = {box_result_t::declined};
    ASSERT_TRUE(pump([&] { return window->state().view_state == view_state_idle; }, 60000));
}

// A scan asked for while a modal box or dialog is open over the window (a
// second copy's "--autorun" can arrive then) starts at once: it builds a
// result of its own and touches nothing a box may be showing. (A finished
// scan's result waits for the box before it replaces the results rows: see
// the results view's test.)
TEST_F(MainWindow, AScanStartsWhileAModalWindowIsOpen)
{
    EnableWindow(window->hwnd(), FALSE);  // as a modal box does to its owner
    SendMessageW(window->hwnd(), wm_start_scan, 0, 0);
    EXPECT_TRUE(shows(main_view::scan)) << "the scan starts under a modal window";
    EXPECT_EQ(window->state().view_state, view_state_scanning);
    answers = {box_result_t::declined};
    ASSERT_TRUE(pump([&] { return window->state().view_state == view_state_idle; }, 60000));
    EnableWindow(window->hwnd(), TRUE);
}

TEST_F(MainWindow, MaximiseSwapsTheButtonImages)
{
    EXPECT_EQ(window->maximise_images(), skin::caption_maximise);
    click_caption(1);
    EXPECT_TRUE(IsZoomed(window->hwnd()));
    EXPECT_EQ(window->maximise_images(), skin::caption_restore);
    click_caption(1);
    EXPECT_FALSE(IsZoomed(window->hwnd()));
    EXPECT_EQ(window->maximise_images(), skin::caption_maximise);
    // A double click on a caption button does not maximise the window.
    RECT w;
    GetWindowRect(window->hwnd(), &w);
    layout_rect_t close = caption_button_rect(0, GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME));
    LPARAM at = MAKELPARAM(w.right - (close.left + close.right) / 2, w.top + (close.top + close.bottom) / 2);
    SendMessageW(window->hwnd(), WM_NCLBUTTONDBLCLK, HTBORDER, at);
    EXPECT_FALSE(IsZoomed(window->hwnd()));
}

// Timer 0: after a quiet quarter of an hour the window scans by itself, once.
TEST_F(MainWindow, TimerZeroStartsOneAutomaticScan)
{
    ShowWindow(window->hwnd(), SW_HIDE);
    SendMessageW(window->hwnd(), WM_TIMER, idle_scan_timer_id, 0);
    EXPECT_EQ(window->state().background_phase, background_running);
    EXPECT_EQ(window->state().view_state, view_state_scanning);
    EXPECT_FALSE(IsWindowVisible(window->hwnd())) << "the window stays in the tray";

    EXPECT_FALSE(KillTimer(window->hwnd(), idle_scan_timer_id)) << "the timer was killed when it started the scan";

    answers = {box_result_t::declined};
    ASSERT_TRUE(pump([&] { return window->state().view_state == view_state_idle; }, 60000));
    // Abandoned, it still counts: hiding to the tray does not arm the timer
    // again, so no second automatic scan comes.
    SendMessageW(window->hwnd(), window->tray().message(), tray_icon_c::icon_id, WM_LBUTTONUP);
    settings.close_to_tray = 2;
    SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(window->hwnd()));
    EXPECT_FALSE(KillTimer(window->hwnd(), idle_scan_timer_id));
}

// Before any automatic scan, hiding to the tray arms timer 0 afresh.
TEST_F(MainWindow, HidingToTheTrayRearmsTimerZeroBeforeAnyAutomaticScan)
{
    settings.close_to_tray = 2;
    SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(window->hwnd()));
    EXPECT_TRUE(KillTimer(window->hwnd(), idle_scan_timer_id));
}

namespace {

// Keys as the keyboard sends them: into the input queue of the window that
// has the focus, through TranslateMessage and the window procedures.
void press_keys(const std::vector<std::pair<WORD, bool>>& keys)
{
    std::vector<INPUT> inputs;
    for (const auto& [vk, down] : keys) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The pixels of the line where the scan button's focus rectangle lies.
// Moves the pointer to a screen corner outside `window`, and tells the
// window's views it left them, as the system does when the pointer goes.
void park_pointer_outside(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    POINT corner{0, 0};
    if (r.left <= 0 && r.top <= 0)
        corner = {GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1};
    SetCursorPos(corner.x, corner.y);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_MOUSELEAVE, 0, 0);
}

std::vector<uint32_t> focus_line(HWND home)
{
    RECT client;
    GetClientRect(home, &client);
    home_layout_t layout = home_layout(client.right, client.bottom);
    HDC screen = GetDC(home);
    std::vector<uint32_t> line;
    const int y = layout.scan_button.top + home_focus_inset;
    for (int x = layout.scan_button.left + home_focus_inset; x < layout.scan_button.right - home_focus_inset; ++x)
        line.push_back(GetPixel(screen, x, y));
    ReleaseDC(home, screen);
    return line;
}

} // namespace

// One Alt+F4 from the keyboard, with the focus in the home view, closes the
// window at once (here set to exit on closing).
TEST_F(MainWindow, AltF4ClosesTheWindowAtTheFirstPress)
{
    settings.close_to_tray = 0;
    SetForegroundWindow(window->hwnd());
    SetFocus(window->hwnd());
    pump();
    ASSERT_EQ(GetFocus(), window->view_window(main_view::home)) << "the view has the focus";
    press_keys({{VK_MENU, true}, {VK_F4, true}, {VK_F4, false}, {VK_MENU, false}});
    EXPECT_TRUE(pump([&] { return !IsWindow(window->hwnd()); }, 3000)) << "one press closes it";
    EXPECT_TRUE(boxes.empty());
}

// With close to tray on, the same single press hides it (after the warning).
TEST_F(MainWindow, AltF4HidesToTheTrayAtTheFirstPress)
{
    settings.close_to_tray = 2;
    SetForegroundWindow(window->hwnd());
    SetFocus(window->hwnd());
    pump();
    press_keys({{VK_MENU, true}, {VK_F4, true}, {VK_F4, false}, {VK_MENU, false}});
    EXPECT_TRUE(pump([&] { return !IsWindowVisible(window->hwnd()); }, 3000)) << "one press hides it";
    EXPECT_TRUE(IsWindow(window->hwnd()));
}

// The home view's scan button with the keyboard: the focus shows once Tab is
// pressed, Enter scans, and Space pressed and released scans.
TEST_F(MainWindow, TheScanButtonTakesEnterAndSpaceAndShowsItsFocus)
{
    HWND home = window->view_window(main_view::home);
    SetForegroundWindow(window->hwnd());
    // The pointer off the window: where an earlier test left it over the
    // button, the hover image would differ from the picture compared here.
    park_pointer_outside(window->hwnd());
    SetFocus(nullptr);
    pump();
    RedrawWindow(home, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const std::vector<uint32_t> unfocused = focus_line(home);

    // Focused, the rectangle shows at once where the system always shows
    // keyboard cues (as Wine does), else only after a key.
    SetFocus(window->hwnd());
    pump();
    ASSERT_EQ(GetFocus(), home);
    UpdateWindow(home);
    BOOL cues = FALSE;
    SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cues, 0);
    EXPECT_EQ(focus_line(home) != unfocused, cues != FALSE);

    press_keys({{VK_TAB, true}, {VK_TAB, false}});
    pump();
    UpdateWindow(home);
    EXPECT_NE(focus_line(home), unfocused) << "after Tab the focus rectangle is on the button";
    EXPECT_TRUE(shows(main_view::home)) << "Tab alone starts nothing";
    EXPECT_EQ(window->state().view_state, view_state_idle);

    // Each scan ends in the failed request's box; Cancel goes home again.
    const struct {
        const char* what;
        std::vector<std::pair<WORD, bool>> keys;
    } rows[] = {
        {"Enter", {{VK_RETURN, true}, {VK_RETURN, false}}},
        {"Space", {{VK_SPACE, true}, {VK_SPACE, false}}},
    };
    for (const auto& r : rows) {
        boxes.clear();
        answers = {box_result_t::declined};
        SetFocus(home);
        pump();
        press_keys(r.keys);
        ASSERT_TRUE(pump([&] { return !boxes.empty(); }, 60000)) << r.what << " started no scan";
        EXPECT_EQ(boxes[0].text, text(lang::error_network_timeout)) << r.what;
        ASSERT_TRUE(pump([&] { return window->state().view_state == view_state_idle && shows(main_view::home); },
                         10000))
            << r.what;
    }

    // The focus elsewhere, the rectangle goes.
    park_pointer_outside(window->hwnd());
    SetFocus(nullptr);
    pump();
    RedrawWindow(home, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(focus_line(home), unfocused);
}

// F5 scans from the home view as its button does; with Ctrl held it does
// not (the window's key filter, fed by pump() as by the program's loop).
TEST_F(MainWindow, F5ScansFromTheHomeView)
{
    SetForegroundWindow(window->hwnd());
    SetFocus(window->view_window(main_view::home));
    pump();
    boxes.clear();
    press_keys({{VK_CONTROL, true}, {VK_F5, true}, {VK_F5, false}, {VK_CONTROL, false}});
    pump();
    EXPECT_EQ(window->state().view_state, view_state_idle) << "Ctrl+F5 starts nothing";
    EXPECT_TRUE(shows(main_view::home));

    answers = {box_result_t::declined};
    press_keys({{VK_F5, true}, {VK_F5, false}});
    ASSERT_TRUE(pump([&] { return !boxes.empty(); }, 60000)) << "F5 started no scan";
    EXPECT_EQ(boxes[0].text, text(lang::error_network_timeout));
    EXPECT_TRUE(pump([&] { return window->state().view_state == view_state_idle && shows(main_view::home); }, 10000));
}

// The tray menu starts with "Open", its default entry, which shows the
// hidden window again; the drop-down menu keeps its seven entries.
TEST_F(MainWindow, TheTrayMenuOpensTheWindow)
{
    ShowWindow(window->hwnd(), SW_HIDE);
    std::wstring first_label;
    UINT first_id = 0, default_id = 0;
    int count = 0;
    // Runs inside the menu's own loop (a thread timer), once the menu is up.
    static std::function<bool()> in_menu;
    static int ticks = 0;
    ticks = 0;
    in_menu = [&] {
        HWND menu_window = FindWindowW(L"#32768", nullptr);
        if (!menu_window || !IsWindowVisible(menu_window)) return false;
        HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menu_window, MN_GETHMENU, 0, 0));
        count = GetMenuItemCount(menu);
        wchar_t label[64] = {};
        GetMenuStringW(menu, 0, label, 64, MF_BYPOSITION);
        first_label = label;
        first_id = GetMenuItemID(menu, 0);
        default_id = GetMenuDefaultItem(menu, FALSE, 0);
        // The keyboard picks the first entry.
        PostMessageW(menu_window, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(menu_window, WM_KEYDOWN, VK_RETURN, 0);
        return true;
    };
    struct menu_timer {  // a named CALLBACK: the x86 build needs the timer's calling convention
        static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD)
        {
            if (++ticks > 100) EndMenu();  // a menu that does not take the keys ends, so the test goes on
            if (in_menu && in_menu()) in_menu = nullptr;
        }
    };
    UINT_PTR timer = SetTimer(nullptr, 0, 100, &menu_timer::tick);
    SendMessageW(window->hwnd(), window->tray().message(), tray_icon_c::icon_id, WM_RBUTTONUP);
    KillTimer(nullptr, timer);
    in_menu = nullptr;
    EXPECT_EQ(count, 9) << "Open and its separator above the seven entries";
    EXPECT_EQ(first_label, reinterpret_cast<const wchar_t*>(text(lang::menu_open).c_str()));
    EXPECT_EQ(first_id, menu_open_id);
    EXPECT_EQ(default_id, menu_open_id);
    EXPECT_TRUE(pump([&] { return IsWindowVisible(window->hwnd()) != FALSE; }, 3000)) << "Open shows the window";
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(window->menu(), 0)), 7) << "the drop-down menu has no Open";

    // Minimised, Open restores it.
    ShowWindow(window->hwnd(), SW_MINIMIZE);
    SendMessageW(window->hwnd(), WM_COMMAND, menu_open_id, 0);
    EXPECT_FALSE(IsIconic(window->hwnd()));
    EXPECT_TRUE(IsWindowVisible(window->hwnd()));
}

// The shell restarted: its new taskbar holds no icons and says so with
// "TaskbarCreated"; the window adds its icon again.
TEST_F(MainWindow, TheTrayIconComesBackWhenTheTaskbarIsCreated)
{
    ASSERT_TRUE(window->tray().present());
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window->hwnd();
    icon.uID = tray_icon_c::icon_id;
    // The shell forgets the icon, as a restarted one has.
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon));
    icon.uFlags = NIF_TIP;
    wcscpy(icon.szTip, L"probe");
    ASSERT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &icon)) << "the shell holds no such icon now";

    SendMessageW(window->hwnd(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    pump();
    EXPECT_TRUE(window->tray().present());
    wcscpy(icon.szTip, L"Tavrill Driver Updater");
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &icon)) << "the icon is there again";

    // Sent while the icon is there (the taskbar only changed), it stays.
    SendMessageW(window->hwnd(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(window->tray().present());
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &icon));
}
