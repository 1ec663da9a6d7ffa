#pragma once
// Window tests that need Windows XP under Wine (the old-style driver store,
// a scan whose ranking goes on to dates and versions) run as a copy of
// themselves under a name whose Wine version is Windows XP, in a folder of
// their own with the language file and a stand-in "DPInst32.exe" (x64: "DPInst64.exe") (another
// copy of the test, which the copy's main() tells apart by its name).
#include "common/text.h"
#include "common/win32_text.h"
#include "program_keys_win32.h"
#include "support/architecture.h"
#include "support/child_process_win32.h"
#include "support/test_support.h"
#include "win/screenshot_support.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace tdu::test {

inline int record_command_line(const std::filesystem::path& record)
{
    return record_command_line(record.wstring());
}

// Runs this test program as `xp_name` with the same arguments and returns
// its exit code; `prepare` may add to the copy's folder (and its
// environment, which the copy inherits) before it starts.
inline int run_test_as_xp_copy(const wchar_t* xp_name,
                               const std::function<void(const std::filesystem::path& folder)>& prepare = {})
{
    namespace fs = std::filesystem;
    if (!set_wine_program_version(xp_name, L"winxp")) return 1;
    reset_program_keys(true);
    apply_screenshot_language();
    int result = 1;
    {
        temp_dir_c folder;
        const fs::path own(own_path());
        fs::copy_file(own, folder.path() / xp_name);
        fs::copy_file(own, folder.path() / tdu::test::this_architecture().driver_installer);
        fs::copy_file(own.parent_path() / "language.ini", folder.path() / "language.ini");
        if (prepare) prepare(folder.path());
        std::wstring command = L"\"" + (folder.path() / xp_name).wstring() + L"\"";
        int argc = 0;
        LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
        for (int i = 1; i < argc; ++i) command += L" \"" + std::wstring(argv[i]) + L"\"";
        LocalFree(argv);
        STARTUPINFOW si{sizeof si};
        PROCESS_INFORMATION pi{};
        if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                           folder.path().wstring().c_str(), &si, &pi)) {
            WaitForSingleObject(pi.hProcess, INFINITE);
            DWORD code = 1;
            GetExitCodeProcess(pi.hProcess, &code);
            result = static_cast<int>(code);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        } else {
            std::fprintf(stderr, "the XP copy did not start\n");
        }
    }
    set_wine_program_version(xp_name, nullptr);
    reset_program_keys(false);
    return result;
}

} // namespace tdu::test
