// The system side of package removal on Windows.
#include "backup/removal_platform.h"

#include "common/win32_text.h"
#include "packages/process_run.h"

namespace tdu {
namespace {

// SetupUninstallOEMInfW exists from Windows XP on; looked up so that the
// program links the same for every system.
using uninstall_fn = BOOL(WINAPI*)(PCWSTR inf_name, DWORD flags, PVOID reserved);

class win32_removal_platform_c final : public removal_platform_c {
public:
    bool run_and_wait(u16view program, u16view arguments, uint32_t& exit_code) override
    {
        const process_result_t run = win32_process_runner().run_and_wait(program, arguments, removal_wait_ms);
        exit_code = run.exit_code;
        return run.end == process_end_t::ended;
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
