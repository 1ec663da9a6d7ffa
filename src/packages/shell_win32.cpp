// The Win32 shell: ShellExecuteW and IsUserAnAdmin.
#include "packages/shell.h"

#include "common/win32_text.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

namespace tdu {
namespace {

class win32_shell_c final : public shell_c {
public:
    bool execute(u16view file, u16view parameters) override
    {
        u16 f(file), p(parameters);
        // Shell extensions behind ShellExecuteW expect COM on the calling
        // thread, which may be an installation worker.
        HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        HINSTANCE started = ShellExecuteW(GetActiveWindow(), nullptr, wide(f.c_str()),
                                          p.empty() ? nullptr : wide(p.c_str()), nullptr, SW_SHOWNORMAL);
        if (SUCCEEDED(com)) CoUninitialize();
        // Values up to 32 are the documented failure codes.
        return reinterpret_cast<INT_PTR>(started) > 32;
    }
    bool is_user_an_admin() override { return IsUserAnAdmin() != FALSE; }
};

} // namespace

shell_c& win32_shell()
{
    static win32_shell_c shell;
    return shell;
}

} // namespace tdu
