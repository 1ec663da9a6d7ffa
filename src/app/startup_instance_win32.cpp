// The single-instance rule's Win32 calls.
#include "app/startup_instance.h"

#include "common/program_title.h"
#include "app/startup_instance_win32.h"
#include "common/win32_text.h"

#include <shellapi.h>
#include <shlwapi.h>

namespace tdu {

namespace {

BOOL CALLBACK match_program_title(HWND window, LPARAM found)
{
    wchar_t title[260];
    title[0] = 0;
    GetWindowTextW(window, title, 260);
    if (StrCmpIW(title, wide(program_title)) != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

} // namespace

HWND find_main_window()
{
    HWND found = nullptr;
    EnumWindows(match_program_title, reinterpret_cast<LPARAM>(&found));
    return found;
}

namespace {

class win32_instance_platform_c final : public instance_platform_c {
public:
    bool create_instance_mutex() override
    {
        // Never closed: the name stays taken until the process ends.
        SetLastError(ERROR_SUCCESS);
        mutex_ = CreateMutexW(nullptr, TRUE, wide(program_title));
        return GetLastError() == ERROR_ALREADY_EXISTS;
    }

    std::vector<u16> command_line_arguments() override
    {
        std::vector<u16> args;
        int count = 0;
        wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
        if (!argv) return args;
        for (int i = 0; i < count; ++i) args.emplace_back(u16ptr(argv[i]));
        LocalFree(argv);
        return args;
    }

    void* find_main_window() override { return tdu::find_main_window(); }

    void send_message(void* window, uint32_t message, uintptr_t wparam) override
    {
        SendMessageW(static_cast<HWND>(window), message, static_cast<WPARAM>(wparam), 0);
    }

    void bring_forward(void* window) override
    {
        SetForegroundWindow(static_cast<HWND>(window));
        ShowWindow(static_cast<HWND>(window), SW_SHOWNORMAL);
    }

private:
    HANDLE mutex_ = nullptr;
};

} // namespace

instance_platform_c& win32_instance_platform()
{
    static win32_instance_platform_c platform;
    return platform;
}

} // namespace tdu
