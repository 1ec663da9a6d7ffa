#include "app/environment.h"

#include "common/last_error.h"
#include "common/text.h"

namespace tdu {

environment_t environment;

int32_t classify_os_type(const os_version_t& v, bool server_r2, int32_t current_type)
{
    if (v.platform_id == ver_platform_win32s) return 0;
    if (v.platform_id != ver_platform_win32_nt) return current_type;
    bool workstation = v.product_type == ver_nt_workstation;
    // A version after 10.0 (none exists yet) is read as the newest known,
    // not as XP.
    if (v.major >= 10) {
        if (!workstation) return os_type_server_10;
        return v.build >= first_windows11_build ? os_type_windows11 : os_type_windows10;
    }
    if (v.major == 6) {
        switch (v.minor) {
        case 3: return workstation ? os_type_windows81 : os_type_server_2012_r2;
        case 2: return 9;
        case 1: return workstation ? 8 : 7;
        case 0: return workstation ? 5 : 6;
        default: return 2;
        }
    }
    if (v.major == 5) {
        switch (v.minor) {
        case 2: return server_r2 ? 4 : 3;
        case 0: return 0;
        default: return 2;
        }
    }
    if (v.major <= 4) return 0;
    return 2;
}

int32_t os_version_number(const os_version_t& v)
{
    return static_cast<int32_t>(v.major * 10 + v.minor);
}

bool is_64bit_system(const environment_t& env)
{
    if ((env.system_info.processor_architecture & 0xF) != 0) return true;
    return env.wow64_process;
}

const char* os_code_text(int32_t os_type, bool is_64bit)
{
    // Types 1 and 10 are never produced by the classification; the table
    // keeps their codes all the same. Windows 11 has no 32-bit edition, but
    // its column is filled like every other.
    struct row { const char* code32; const char* code64; };
    static const row table[] = {
        {"NOT_SUPPORTED", "NOT_SUPPORTED"},
        {"WIN2000", ""},
        {"WINXP", "WINXP64"},
        {"WIN2003", "WIN200364"},
        {"WIN2003", "WIN200364"},
        {"VISTA", "VISTA64"},
        {"WIN2008", "WIN200864"},
        {"WIN2008", "WIN200864"},
        {"WIN7", "WIN764"},
        {"WIN8", "WIN864"},
        {"UNKNOWN", "UNKNOWN"},
        {"WIN81", "WIN8164"},
        {"WIN2012R2", "WIN2012R264"},
        {"WIN10", "WIN1064"},
        {"WIN11", "WIN1164"},
        {"WIN2016", "WIN201664"},
    };
    if (os_type < 0 || os_type >= static_cast<int32_t>(sizeof table / sizeof table[0])) return "";
    return is_64bit ? table[os_type].code64 : table[os_type].code32;
}

const char* os_code_text(const environment_t& env)
{
    return os_code_text(env.os_type, is_64bit_system(env));
}

bool environment_capture(environment_t& env, environment_source_c& source)
{
    env.version_info = os_version_t{};
    if (!source.read_version(env.version_info, true)) {
        env.version_info = os_version_t{};
        if (!source.read_version(env.version_info, false)) {
            set_last_error(error_os_version);
            return false;
        }
    }
    env.os_type = classify_os_type(env.version_info, source.server_r2(), env.os_type);

    if (!source.read_power_status()) {
        set_last_error(error_power_status);
        return false;
    }
    env.oem_code_page = source.oem_code_page();
    env.system_info = source.system_info();
    env.wow64_process = source.is_wow64_process();

    source.module_path(env.program_path, path_chars);
    env.program_path[path_chars - 1] = 0;

    // The folder is the current directory (start-up has just made it the
    // program's folder) with one backslash after it; a drive root such as
    // "C:\" already ends in one and gets no second.
    char16_t dir[path_chars] = {};
    source.current_directory(dir, path_chars);
    dir[path_chars - 1] = 0;
    size_t n = u16_length(dir);
    u16 folder(dir, n);
    if (folder.empty() || folder.back() != u'\\') folder.push_back(u'\\');
    copy_field(env.program_folder, path_chars, folder);

    char16_t windows[path_chars] = {};
    source.windows_folder(windows, path_chars);
    windows[path_chars - 1] = 0;
    u16 windows_folder(windows, u16_length(windows));
    while (!windows_folder.empty() && windows_folder.back() == u'\\') windows_folder.pop_back();
    copy_field(env.windows_folder, path_chars, windows_folder);
    return true;
}

} // namespace tdu
