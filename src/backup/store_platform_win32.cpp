// The system side of package location on Windows.
#include "backup/store_platform.h"

#include "common/win32_text.h"

#include <vector>

namespace tdu {
namespace {

// SetupGetInfDriverStoreLocationW exists from Windows Vista on; the program
// still starts on older systems, so it is looked up, never linked.
using store_location_fn = BOOL(WINAPI*)(PCWSTR inf_name, const void* alternate_platform, PCWSTR locale_name,
                                        PWSTR buffer, DWORD buffer_chars, PDWORD required_chars);

class win32_store_platform_c final : public store_platform_c {
public:
    u16 expand_environment(u16view text) override
    {
        u16 in(text);
        std::vector<wchar_t> out(MAX_PATH);
        for (;;) {
            DWORD n = ExpandEnvironmentStringsW(wide(in.c_str()), out.data(), static_cast<DWORD>(out.size()));
            if (n == 0) return in;
            if (n <= out.size()) return u16(u16ptr(out.data()));
            out.resize(n);
        }
    }

    locate_inf_t load_store_locator() override
    {
        // The library stays loaded for the rest of the run: the function is
        // called whenever the backup view is shown.
        HMODULE library = LoadLibraryW(L"Setupapi.dll");
        if (!library) return {};
        FARPROC address = GetProcAddress(library, "SetupGetInfDriverStoreLocationW");
        auto function = reinterpret_cast<store_location_fn>(reinterpret_cast<void*>(address));
        if (!function) return {};
        return [function](const char16_t* inf_name, const void* alternate_platform, const char16_t* locale_name,
                          char16_t* buffer, uint32_t buffer_chars, uint32_t* required_chars) {
            DWORD required = 0;
            BOOL ok = function(wide(inf_name), alternate_platform, wide(locale_name), wide(buffer), buffer_chars,
                               required_chars ? &required : nullptr);
            if (required_chars) *required_chars = required;
            return ok != FALSE;
        };
    }
};

} // namespace

store_platform_c& win32_store_platform()
{
    static win32_store_platform_c platform;
    return platform;
}

} // namespace tdu
