// TavrillDriverUpdater.exe itself under Wine, watched from outside as a
// user's tools would see it: the demo machine imported into the prefix's
// registry, the stand-in update service with the demo catalogue on loopback
// (started by the test run, see tests/cli/CMakeLists.txt) and the program
// pointed at it through the machine-wide endpoint value. Its environment
// names an override that leads nowhere: the window program must not read
// it. The program runs as a copy in a folder of its own, under a name whose
// Wine version is Windows XP, as the demo machine's (see
// tests/cli/demo_expectations.h).
#include "app/endpoints.h"
#include "cli/program_keys_win32.h"
#include "devices/machine_registry.h"
#include "support/child_process_win32.h"
#include "support/test_support.h"
#include "screenshot_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

using namespace tdu::test;
namespace fs = std::filesystem;

namespace {

constexpr wchar_t program_name[] = L"tdu_window_e2e.exe";
constexpr wchar_t title[] = L"Tavrill Driver Updater";
constexpr UINT wm_second_instance = WM_USER + 5;
constexpr UINT menu_exit = 32781;

// Waits (handling this thread's messages) until `done` holds; false when
// `timeout_ms` passed first.
bool wait_for(const std::function<bool()>& done, DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeout_ms) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(50);
    }
    return true;
}

HWND main_window() { return FindWindowW(L"TavrillDriverUpdaterMain", title); }

HWND view(HWND main, const wchar_t* class_name) { return main ? FindWindowExW(main, nullptr, class_name, nullptr) : nullptr; }

// The view the main window shows, whether or not the main window itself is
// visible.
bool visible(HWND main, const wchar_t* class_name)
{
    HWND v = view(main, class_name);
    return v && (GetWindowLongW(v, GWL_STYLE) & WS_VISIBLE) != 0;
}

std::wstring text_of(HWND window)
{
    wchar_t text[512] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

// One run of the program: started with `arguments`, ended (if it still
// runs) when the object goes away.
class program_run_t {
public:
    program_run_t(const fs::path& program, const std::wstring& arguments)
    {
        std::wstring command = L"\"" + program.wstring() + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        started_ = CreateProcessW(program.wstring().c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  program.parent_path().wstring().c_str(), &si, &info_) != FALSE;
        if (started_) CloseHandle(info_.hThread);
    }
    ~program_run_t()
    {
        if (!started_) return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            if (HWND w = main_window()) PostMessageW(w, WM_COMMAND, menu_exit, 0);
            if (WaitForSingleObject(info_.hProcess, 15000) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 9);
        }
        CloseHandle(info_.hProcess);
    }
    bool started() const { return started_; }
    // The exit status once it ended within `timeout_ms`; -2 if it runs on.
    long exit_code(DWORD timeout_ms)
    {
        if (wait_for([&] { return WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; }, timeout_ms)) {
            DWORD code = 0;
            GetExitCodeProcess(info_.hProcess, &code);
            return static_cast<long>(code);
        }
        return -2;
    }

private:
    PROCESS_INFORMATION info_{};
    bool started_ = false;
};

// The endpoint override the window program reads, for the suite.
void set_machine_endpoints(const std::wstring& lines)
{
    HKEY key = nullptr;
    const wchar_t* path = reinterpret_cast<const wchar_t*>(tdu::machine_endpoints_key);
    const wchar_t* name = reinterpret_cast<const wchar_t*>(tdu::machine_endpoints_value);
    if (lines.empty()) {
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        RegDeleteValueW(key, name);
        RegCloseKey(key);
        return;
    }
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(lines.data()),
                   static_cast<DWORD>(lines.size() * sizeof(wchar_t)));
    RegCloseKey(key);
}

class Program : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        registry = std::make_unique<machine_registry_c>(load_machine(data_dir() / "devices" / "demo_machine.ini"));
        ASSERT_TRUE(set_wine_program_version(program_name, L"winxp"));
        const char* port_file = std::getenv("TDU_DEMO_SERVICE_PORT_FILE");
        std::string port = port_file ? read_file(port_file) : "";
        while (!port.empty() && (port.back() == '\n' || port.back() == '\r')) port.pop_back();
        if (port.empty()) return;
        std::wstring url = L"http://127.0.0.1:" + std::wstring(port.begin(), port.end()) + L"/";
        std::wstring lines = L"mirror1 = " + url + L'\0' + L"mirror2 = " + url + L'\0' + L"mirror3 = " + url + L'\0' +
                             L"scan_share_host = 8.8.4.4" + L'\0' + L'\0';
        set_machine_endpoints(lines);
        service_lines = lines;
        service_ready = true;
        SetEnvironmentVariableW(L"TDU_ENDPOINTS", L"Z:\\nowhere\\endpoints.ini");
    }
    static void TearDownTestSuite()
    {
        SetEnvironmentVariableW(L"TDU_ENDPOINTS", nullptr);
        set_machine_endpoints(L"");
        set_wine_program_version(program_name, nullptr);
        reset_program_keys(false);
        registry.reset();
    }
    void SetUp() override
    {
        ASSERT_TRUE(registry->ok()) << registry->error();
        ASSERT_TRUE(service_ready) << "TDU_DEMO_SERVICE_PORT_FILE names no port file of the update service";
        ASSERT_EQ(main_window(), nullptr) << "another copy of the program runs";
        reset_program_keys(true);
        fs::path built(TDU_PROGRAM_EXE);
        program = folder.path() / program_name;
        fs::copy_file(built, program, fs::copy_options::overwrite_existing);
        fs::copy_file(built.parent_path() / "language.ini", folder.path() / "language.ini",
                      fs::copy_options::overwrite_existing);
    }

    // Starts the first copy and waits for its window (and, unless it starts
    // hidden, until it is shown).
    std::unique_ptr<program_run_t> start(const std::wstring& arguments = L"", bool hidden = false)
    {
        auto run = std::make_unique<program_run_t>(program, arguments);
        EXPECT_TRUE(run->started());
        EXPECT_TRUE(wait_for([&] { return main_window() && (hidden || IsWindowVisible(main_window())); }, 30000))
            << "no main window";
        if (hidden) Sleep(1000);  // time to show itself, which it must not
        return run;
    }

    // The home view's scan button, clicked with the mouse's messages.
    void click_scan_button(HWND main)
    {
        HWND home = view(main, L"TavrillHomeView");
        ASSERT_NE(home, nullptr);
        RECT client;
        GetClientRect(home, &client);
        // The button is centred left of the 250-pixel side bar, its top at
        // (height - 150) / 2; 450 by 120.
        int x = (client.right - 250) / 2, y = (client.bottom - 150) / 2 + 60;
        LPARAM at = MAKELPARAM(x, y);
        SendMessageW(home, WM_MOUSEMOVE, 0, at);
        SendMessageW(home, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(home, WM_LBUTTONUP, 0, at);
    }

    static std::unique_ptr<machine_registry_c> registry;
    static bool service_ready;
    static std::wstring service_lines;
    temp_dir_c folder;
    fs::path program;
};

std::unique_ptr<machine_registry_c> Program::registry;
bool Program::service_ready = false;
std::wstring Program::service_lines;

// A visible dialog of the program's process: its message box.
struct box_search_t {
    DWORD process;
    HWND found;
};

BOOL CALLBACK find_box(HWND w, LPARAM l)
{
    auto* s = reinterpret_cast<box_search_t*>(l);
    wchar_t name[16] = {};
    GetClassNameW(w, name, 16);
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (process == s->process && IsWindowVisible(w) && wcscmp(name, L"#32770") == 0) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

HWND box_of(HWND main)
{
    box_search_t search{0, nullptr};
    GetWindowThreadProcessId(main, &search.process);
    EnumWindows(find_box, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

// The program's main job: home, the scan button, the scan's progress, the
// results with the demo catalogue's counts; Exit from the menu ends it with 0.
TEST_F(Program, ScansFromTheHomeViewToTheResults)
{
    auto run = start();
    HWND main = main_window();
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_TRUE(visible(main, L"TavrillHomeView"));
    click_scan_button(main);
    EXPECT_TRUE(visible(main, L"TavrillScanView"));
    ASSERT_TRUE(wait_for([&] { return visible(main, L"TavrillResultsView"); }, 120000)) << "no results";
    EXPECT_EQ(text_of(view(main, L"TavrillResultsView")), L"Out of date: 2; No driver: 1; Up to date: 4");

    PostMessageW(main, WM_COMMAND, menu_exit, 0);
    EXPECT_EQ(run->exit_code(20000), 0);
}

// A second copy hands its switch to the first and ends with -1: "--autorun"
// makes the first show itself and scan, "--boot" changes nothing, no switch
// brings it forward restored.
TEST_F(Program, SecondCopiesHandOverTheirSwitch)
{
    auto first = start();
    HWND main = main_window();

    program_run_t boot(program, L"--boot");
    EXPECT_EQ(boot.exit_code(20000), -1);
    EXPECT_TRUE(visible(main, L"TavrillHomeView")) << "--boot starts no scan";

    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(wait_for([&] { return IsIconic(main) != FALSE; }, 5000));
    program_run_t plain(program, L"");
    EXPECT_EQ(plain.exit_code(20000), -1);
    EXPECT_FALSE(IsIconic(main)) << "no switch: the first copy comes forward restored";
    EXPECT_TRUE(visible(main, L"TavrillHomeView"));

    ShowWindow(main, SW_HIDE);
    program_run_t autorun(program, L"--AUTORUN");
    EXPECT_EQ(autorun.exit_code(20000), -1);
    EXPECT_TRUE(IsWindowVisible(main)) << "--autorun shows the first copy";
    EXPECT_TRUE(visible(main, L"TavrillScanView") || visible(main, L"TavrillResultsView")) << "and it scans";
    ASSERT_TRUE(wait_for([&] { return visible(main, L"TavrillResultsView"); }, 120000));
}

// "--boot": only the tray icon shows; "--autorun" in the first copy: the
// scan starts right after the window is shown; "--autoscan": while the
// window is made.
TEST_F(Program, FirstCopySwitches)
{
    {
        auto run = start(L"--boot", true);
        HWND main = main_window();
        EXPECT_FALSE(IsWindowVisible(main));
        Sleep(500);
        EXPECT_TRUE(visible(main, L"TavrillHomeView")) << "nothing scans";
    }
    ASSERT_TRUE(wait_for([] { return main_window() == nullptr; }, 20000));
    for (const wchar_t* scanning : {L"--autorun", L"--autoscan"}) {
        {
            auto run = start(scanning);
            HWND main = main_window();
            EXPECT_TRUE(IsWindowVisible(main)) << scanning;
            ASSERT_TRUE(wait_for([&] { return visible(main, L"TavrillResultsView"); }, 120000)) << scanning;
        }
        ASSERT_TRUE(wait_for([] { return main_window() == nullptr; }, 20000));
    }
}

// A relay between the program and the service swaps one offer's link and
// digest for another package's: the answer's signature no longer fits, the
// scan ends in its error box instead of the results, and nothing is offered
// or downloaded.
TEST_F(Program, AnAnswerARelayAlteredEndsTheScanInItsBoxAndOffersNothing)
{
    const char* relay_port_file = std::getenv("TDU_TAMPERING_RELAY_PORT_FILE");
    if (!relay_port_file) GTEST_SKIP() << "no tampering relay in this run";
    std::string port = text_lines(read_file(relay_port_file)).at(0);
    std::wstring url = L"http://127.0.0.1:" + std::wstring(port.begin(), port.end()) + L"/";
    set_machine_endpoints(L"mirror1 = " + url + L'\0' + L"mirror2 = " + url + L'\0' + L"mirror3 = " + url + L'\0' +
                          L"scan_share_host = 8.8.4.4" + L'\0' + L'\0');
    {
        auto run = start();
        HWND main = main_window();
        click_scan_button(main);
        HWND box = nullptr;
        EXPECT_TRUE(wait_for([&] { return (box = box_of(main)) != nullptr; }, 120000)) << "no box";
        EXPECT_FALSE(visible(main, L"TavrillResultsView"));
        EXPECT_TRUE(visible(main, L"TavrillScanView"));
        // The README's picture of the refusal (with TDU_SCREENSHOTS set).
        if (box) {
            Sleep(500);
            save_screenshot(box, L"answer_refused");
        }
        // Closed without an answer: the program goes home.
        if (box) PostMessageW(box, WM_CLOSE, 0, 0);
        EXPECT_TRUE(wait_for([&] { return visible(main, L"TavrillHomeView"); }, 20000));
        PostMessageW(main, WM_COMMAND, menu_exit, 0);
        EXPECT_EQ(run->exit_code(20000), 0);
    }
    set_machine_endpoints(service_lines);
    size_t files = 0;
    if (fs::exists(folder.path() / "download"))
        for (const auto& entry : fs::recursive_directory_iterator(folder.path() / "download"))
            files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 0u) << "nothing was downloaded";
}
