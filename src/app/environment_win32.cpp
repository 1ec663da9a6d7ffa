// The Win32 source of the platform facts.
#include "app/environment.h"
#include "common/win32_text.h"

namespace tdu {
namespace {

// The fields of `vi` the program keeps; the extended ones only when the
// structure was asked for in its extended size.
void copy_version(const OSVERSIONINFOEXW& vi, os_version_t& out, bool extended)
{
    out.major = vi.dwMajorVersion;
    out.minor = vi.dwMinorVersion;
    out.build = vi.dwBuildNumber;
    out.platform_id = vi.dwPlatformId;
    lstrcpynW(wide(out.csd_version), vi.szCSDVersion, 128);
    if (extended) {
        out.service_pack_major = vi.wServicePackMajor;
        out.service_pack_minor = vi.wServicePackMinor;
        out.suite_mask = vi.wSuiteMask;
        out.product_type = vi.wProductType;
    }
}

// RtlGetVersion tells the true version whatever the manifest says (a
// program without one is told 6.2 on 8.1, 10 and 11, and a compatibility
// mode lies to GetVersionExW too). It is looked up at run time; where it is
// missing or fails, GetVersionExW's answer stands.
void read_true_version(os_version_t& out, bool extended)
{
    using fn_t = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll) return;
    auto fn = reinterpret_cast<fn_t>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
    if (!fn) return;
    OSVERSIONINFOEXW vi;
    ZeroMemory(&vi, sizeof vi);
    vi.dwOSVersionInfoSize = extended ? sizeof(OSVERSIONINFOEXW) : sizeof(OSVERSIONINFOW);
    if (fn(&vi) != 0) return;
    copy_version(vi, out, extended);
}

class win32_source_c final : public environment_source_c {
public:
    bool read_version(os_version_t& out, bool extended) override
    {
        OSVERSIONINFOEXW vi;
        ZeroMemory(&vi, sizeof vi);
        vi.dwOSVersionInfoSize = extended ? sizeof(OSVERSIONINFOEXW) : sizeof(OSVERSIONINFOW);
        if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&vi))) return false;
        copy_version(vi, out, extended);
        read_true_version(out, extended);
        return true;
    }
    bool server_r2() override { return GetSystemMetrics(SM_SERVERR2) != 0; }
    bool read_power_status() override
    {
        SYSTEM_POWER_STATUS ps;
        return GetSystemPowerStatus(&ps) != FALSE;
    }
    uint32_t oem_code_page() override { return GetOEMCP(); }
    processor_info_t system_info() override
    {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        processor_info_t out;
        out.processor_architecture = si.wProcessorArchitecture;
        out.page_size = si.dwPageSize;
        out.number_of_processors = si.dwNumberOfProcessors;
        out.processor_type = si.dwProcessorType;
        out.processor_level = si.wProcessorLevel;
        out.processor_revision = si.wProcessorRevision;
        return out;
    }
    bool is_wow64_process() override
    {
        // Absent before XP SP2: looked up at run time, and no answer is "no".
        using fn_t = BOOL(WINAPI*)(HANDLE, PBOOL);
        auto fn = reinterpret_cast<fn_t>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process")));
        BOOL wow64 = FALSE;
        if (!fn || !fn(GetCurrentProcess(), &wow64)) return false;
        return wow64 != FALSE;
    }
    void module_path(char16_t* out, int capacity) override
    {
        out[0] = 0;
        DWORD n = GetModuleFileNameW(nullptr, wide(out), static_cast<DWORD>(capacity));
        out[n < static_cast<DWORD>(capacity) ? n : capacity - 1] = 0;
    }
    void current_directory(char16_t* out, int capacity) override
    {
        out[0] = 0;
        DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(capacity), wide(out));
        if (n >= static_cast<DWORD>(capacity)) out[0] = 0;  // did not fit: nothing was written
    }
    void windows_folder(char16_t* out, int capacity) override
    {
        out[0] = 0;
        UINT n = GetSystemWindowsDirectoryW(wide(out), static_cast<UINT>(capacity));
        if (n == 0 || n >= static_cast<UINT>(capacity)) out[0] = 0;
    }
};

} // namespace

environment_source_c& win32_environment_source()
{
    static win32_source_c source;
    return source;
}

} // namespace tdu
