// The system side of package removal on Windows.
#include "backup/removal_platform.h"

#include "common/win32_text.h"

#include <vector>

namespace tdu {
namespace {

// SetupUninstallOEMInfW exists from Windows XP on; looked up so that the
// program links the same for every system.
using uninstall_fn = BOOL(WINAPI*)(PCWSTR inf_name, DWORD flags, PVOID reserved);

class win32_removal_platform_c final : public removal_platform_c {
public:
    bool run_and_wait(u16view program, u16view arguments, uint32_t& exit_code) override
    {
        u16 line = u"\"" + u16(program) + u"\"";
        if (!arguments.empty()) line += u" " + u16(arguments);
        u16 application(program);
        std::vector<wchar_t> writable(line.size() + 1, 0);
        for (size_t i = 0; i < line.size(); ++i) writable[i] = static_cast<wchar_t>(line[i]);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessW(wide(application.c_str()), writable.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                            nullptr, nullptr, &startup, &process))
            return false;
        CloseHandle(process.hThread);
        DWORD waited = WaitForSingleObject(process.hProcess, removal_wait_ms);
        DWORD code = 0;
        bool ended = waited == WAIT_OBJECT_0 && GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        exit_code = code;
        return ended;
    }

    bool uninstall_oem_inf(u16view published_name) override
    {
        HMODULE library = LoadLibraryW(L"Setupapi.dll");
        if (!library) return false;
        FARPROC address = GetProcAddress(library, "SetupUninstallOEMInfW");
        auto function = reinterpret_cast<uninstall_fn>(reinterpret_cast<void*>(address));
        u16 name(published_name);
        bool ok = function && function(wide(name.c_str()), 0, nullptr) != FALSE;
        FreeLibrary(library);
        return ok;
    }
};

} // namespace

removal_platform_c& win32_removal_platform()
{
    static win32_removal_platform_c platform;
    return platform;
}

} // namespace tdu
