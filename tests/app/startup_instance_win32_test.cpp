// The single-instance rule with Wine's real mutexes and windows. The test
// plays the running copy: it takes the mutex and makes a window with the
// program's title. A copy of the test binary started with
// TDU_INSTANCE_PROBE set plays the starting copy: it runs the rule on its
// real command line and prints what came of it.
#include "app/app_messages.h"
#include "common/program_title.h"
#include "app/startup_instance.h"
#include "app/startup_instance_win32.h"
#include "common/win32_text.h"
#include "support/child_process_win32.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace tdu;

namespace {

const wchar_t probe_variable[] = L"TDU_INSTANCE_PROBE";

int run_probe()
{
    int result = single_instance_check(win32_instance_platform(), startup_state);
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, wide(program_title));
    std::printf("result=%d switch=%d boot=%d autorun=%d mutex=%d\n", result,
                static_cast<int>(startup_state.command_switch), static_cast<int>(startup_state.boot_mode),
                static_cast<int>(startup_state.autorun_pending), mutex ? 1 : 0);
    return 0;
}

// Starts the probe with `arguments` and returns what it printed.
std::string run_starting_copy(const std::wstring& arguments)
{
    SetEnvironmentVariableW(probe_variable, L"1");
    std::string printed = test::run_and_capture(test::own_path(), arguments);
    SetEnvironmentVariableW(probe_variable, nullptr);
    return printed;
}

std::vector<WPARAM> second_instance_messages;

LRESULT CALLBACK record_messages(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == wm_second_instance) {
        second_instance_messages.push_back(wparam);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

HWND make_window(const wchar_t* title)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = record_messages;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"tdu_running_copy";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

} // namespace

TEST(StartupInstanceWin32, FindsTheWindowByItsTitleInAnyCase)
{
    HWND other = make_window(L"Tavrill Driver Updater - something else");
    ASSERT_TRUE(other);
    EXPECT_EQ(find_main_window(), nullptr);
    HWND main = make_window(L"TAVRILL driver UPDATER");
    ASSERT_TRUE(main);
    EXPECT_EQ(find_main_window(), main);
    DestroyWindow(main);
    DestroyWindow(other);
    EXPECT_EQ(find_main_window(), nullptr);
}

TEST(StartupInstanceWin32, TheFirstInstanceTakesTheMutexAndKeepsItsSwitch)
{
    struct row { const wchar_t* args; const char* printed; };
    const row rows[] = {
        {L"", "result=0 switch=0 boot=0 autorun=0 mutex=1"},
        {L"--AUTORUN", "result=0 switch=1 boot=0 autorun=1 mutex=1"},
        {L"--boot", "result=0 switch=2 boot=1 autorun=0 mutex=1"},
        {L"--autoscan", "result=0 switch=3 boot=0 autorun=0 mutex=1"},
        {L"--boot --autorun", "result=0 switch=0 boot=0 autorun=0 mutex=1"},
    };
    for (const auto& r : rows) EXPECT_EQ(run_starting_copy(r.args), r.printed);
}

TEST(StartupInstanceWin32, ASecondInstanceHandsOverToTheRunningWindow)
{
    HANDLE mutex = CreateMutexW(nullptr, TRUE, wide(program_title));
    ASSERT_TRUE(mutex);
    // A running copy without its window yet: the starting copy still exits.
    EXPECT_EQ(run_starting_copy(L"--autorun").substr(0, 10), "result=-1 ");

    HWND window = make_window(wide(program_title));
    ASSERT_TRUE(window);

    struct row {
        const wchar_t* args;
        std::vector<WPARAM> messages;
        bool restored;  // brought forward: shown and no longer minimised
    };
    const row rows[] = {
        {L"", {}, true},
        {L"--autorun", {1}, true},
        {L"--AutoRun", {1}, true},
        {L"--boot", {0}, false},
        {L"--autoscan", {}, true},
        {L"--autorun now", {}, true},
    };
    for (const auto& r : rows) {
        // Minimised rather than hidden: hiding a window that another
        // process has activated makes Wine wait 2 s for a window manager.
        ShowWindow(window, SW_MINIMIZE);
        second_instance_messages.clear();
        std::string printed = run_starting_copy(r.args);
        EXPECT_EQ(printed.substr(0, 10), "result=-1 ") << printed;
        EXPECT_EQ(second_instance_messages, r.messages) << printed;
        EXPECT_EQ(IsWindowVisible(window) != FALSE && !IsIconic(window), r.restored) << printed;
    }

    DestroyWindow(window);
    CloseHandle(mutex);
}

int main(int argc, char** argv)
{
    if (GetEnvironmentVariableW(probe_variable, nullptr, 0) > 0) return run_probe();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
