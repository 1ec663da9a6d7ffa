#pragma once
// The platform facts captured once at start: the Windows version classified
// into a small operating-system type, 64-bit or not, the OEM code page, the
// processor, and the program's own path and folder. Written once on the UI
// thread, read-only afterwards.
#include <cstdint>

namespace tdu {

constexpr uint32_t ver_platform_win32s = 0;
constexpr uint32_t ver_platform_win32_windows = 1;
constexpr uint32_t ver_platform_win32_nt = 2;
constexpr uint8_t ver_nt_workstation = 1;
constexpr uint8_t ver_nt_domain_controller = 2;
constexpr uint8_t ver_nt_server = 3;

// The fields of OSVERSIONINFOEXW the program reads.
struct os_version_t {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    uint32_t platform_id = 0;
    char16_t csd_version[128] = {};
    uint16_t service_pack_major = 0;
    uint16_t service_pack_minor = 0;
    uint16_t suite_mask = 0;
    uint8_t product_type = 0;
};

// The fields of SYSTEM_INFO the program reads. (The hardware texts read
// through WMI are a different record, system_info_t in system/system_info.h.)
struct processor_info_t {
    uint16_t processor_architecture = 0;
    uint32_t page_size = 0;
    uint32_t number_of_processors = 0;
    uint32_t processor_type = 0;
    uint16_t processor_level = 0;
    uint16_t processor_revision = 0;
};

constexpr int path_chars = 260;

struct environment_t {
    os_version_t version_info;
    int32_t os_type = 0;
    uint32_t oem_code_page = 0;
    processor_info_t system_info;
    // What IsWow64Process answered for this process (false when the call is
    // absent or fails).
    bool wow64_process = false;
    char16_t program_path[path_chars] = {};
    char16_t program_folder[path_chars] = {};
    // The system's Windows folder (GetSystemWindowsDirectoryW), without a
    // trailing backslash; empty when unknown. Its system folders hold the
    // tools of the system itself, such as pnputil.
    char16_t windows_folder[path_chars] = {};
};

// Where environment_capture reads its facts: the Win32 calls on Windows, a
// table in native tests.
class environment_source_c {
public:
    virtual ~environment_source_c() = default;
    // GetVersionExW with the OSVERSIONINFOEXW size (extended) or, as the
    // fallback, the OSVERSIONINFOW size; on Windows its version and build are
    // then replaced by RtlGetVersion's, which no manifest or compatibility
    // mode changes.
    virtual bool read_version(os_version_t& out, bool extended) = 0;
    virtual bool server_r2() = 0;          // GetSystemMetrics(SM_SERVERR2) != 0
    virtual bool read_power_status() = 0;  // GetSystemPowerStatus succeeded
    virtual uint32_t oem_code_page() = 0;
    virtual processor_info_t system_info() = 0;
    virtual bool is_wow64_process() = 0;   // IsWow64Process, looked up at run time
    virtual void module_path(char16_t* out, int capacity) = 0;
    virtual void current_directory(char16_t* out, int capacity) = 0;
    // The Windows folder; a source that knows none leaves it empty.
    virtual void windows_folder(char16_t* out, int capacity) { if (capacity > 0) out[0] = 0; }
};

// The process-wide instance.
extern environment_t environment;

// Fills `env` from `source`; false (with last-error code 10 or 12) when the
// version or the power status cannot be read.
bool environment_capture(environment_t& env, environment_source_c& source);
// The Win32 source (Windows build only).
environment_source_c& win32_environment_source();

// The types after Windows 8 (0 and 2 to 9 are the older systems). Version
// 6.3 is 8.1 or Server 2012 R2; version 10.0 is Windows 10, Windows 11 from
// build 22000 on, or one of the servers built on them (2016, 2019, 2022,
// 2025: one type, told apart by the build number).
constexpr int32_t os_type_windows81 = 11;
constexpr int32_t os_type_server_2012_r2 = 12;
constexpr int32_t os_type_windows10 = 13;
constexpr int32_t os_type_windows11 = 14;
constexpr int32_t os_type_server_10 = 15;
constexpr uint32_t first_windows11_build = 22000;

// Classifies a version into the operating-system type (0, 2 to 9, 11 to 15).
// A non-NT platform other than Win32s leaves `current_type` unchanged.
int32_t classify_os_type(const os_version_t& v, bool server_r2, int32_t current_type = 0);

// Major version x 10 + minor version (61 on version 6.1).
int32_t os_version_number(const os_version_t& v);

// True when the processor architecture's low four bits are not all zero,
// or else when this 32-bit process runs under WOW64.
bool is_64bit_system(const environment_t& env);

// The code the update request reports for a type, in the 64-bit column when
// `is_64bit`; an empty text for a type outside the table.
const char* os_code_text(int32_t os_type, bool is_64bit);
const char* os_code_text(const environment_t& env);

} // namespace tdu
