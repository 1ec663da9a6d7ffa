#pragma once
// The backup machine's driver files inside the Wine prefix: its INF files
// in the Windows "inf" folder and its old-style store in System32\DRVSTORE,
// copied in for the life of the object and taken out again afterwards.
#include "backup_fixture.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace tdu::test {

inline std::wstring windows_folder()
{
    wchar_t path[MAX_PATH];
    GetWindowsDirectoryW(path, MAX_PATH);
    return path;
}

inline std::wstring system_folder()
{
    wchar_t path[MAX_PATH];
    GetSystemDirectoryW(path, MAX_PATH);
    return path;
}

// The clean-up's fixture store (a Vista-style repository and its published
// INFs), and the stand-in pnputil.exe that tests put in the prefix's
// system folder (Wine has none): it appends its command line to the file
// the first variable names; asked to delete a driver package ("/delete-driver
// X" or "-d X") it deletes the published INF it was given, as pnputil does;
// it exits with the code the second variable holds (decimal, or "0x" and
// hexadecimal), else 0. Asked to install ("/add-driver \"PATTERN\" /install")
// with a device's driver key named by the third variable (a key under
// HKLM) and an exit code that says installed (0 or 3010), it writes there
// what Windows records of the driver it installed for that device: the
// version and date of the DriverVer line of the first INF the pattern names
// ("DriverVersion", "DriverDate" as M-D-YYYY) and the INF's name ("InfPath";
// Windows would name the published copy, oemN.inf).
constexpr wchar_t pnputil_record_variable[] = L"TDU_PNPUTIL_RECORD";
constexpr wchar_t pnputil_exit_code_variable[] = L"TDU_PNPUTIL_EXIT_CODE";
constexpr wchar_t pnputil_driver_key_variable[] = L"TDU_PNPUTIL_DRIVER_KEY";

// What the stand-in records for an installation: see above.
inline void pnputil_record_installed_driver(const std::wstring& line)
{
    wchar_t key_name[512] = {};
    if (!GetEnvironmentVariableW(pnputil_driver_key_variable, key_name, 512)) return;
    const std::wstring add = L" /add-driver \"";
    const size_t at = line.find(add);
    if (at == std::wstring::npos || line.find(L"\" /install") == std::wstring::npos) return;
    const std::wstring pattern = line.substr(at + add.size(), line.find(L'"', at + add.size()) - at - add.size());
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    FindClose(search);
    const std::filesystem::path inf = std::filesystem::path(pattern).parent_path() / found.cFileName;
    std::string text = read_file(inf);
    std::string driver_ver;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string l = text.substr(start, end - start);
        start = end + 1;
        l.erase(std::remove_if(l.begin(), l.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r'; }),
                l.end());
        if (_strnicmp(l.c_str(), "DriverVer=", 10) == 0) {
            driver_ver = l.substr(10);
            break;
        }
    }
    const size_t comma = driver_ver.find(',');
    if (comma == std::string::npos) return;
    unsigned month = 0, day = 0, year = 0;
    if (std::sscanf(driver_ver.c_str(), "%u/%u/%u", &month, &day, &year) != 3) return;
    const std::wstring date = std::to_wstring(month) + L"-" + std::to_wstring(day) + L"-" + std::to_wstring(year);
    const std::string version_text = driver_ver.substr(comma + 1);
    const std::wstring version(version_text.begin(), version_text.end());
    const std::wstring inf_name = found.cFileName;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_name, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    for (const auto& value : {std::make_pair(L"DriverVersion", version), std::make_pair(L"DriverDate", date),
                              std::make_pair(L"InfPath", inf_name)})
        RegSetValueExW(key, value.first, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.second.c_str()),
                       static_cast<DWORD>((value.second.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

inline std::filesystem::path cleanup_fixture() { return data_dir() / "backup" / "cleanup_root"; }

inline int run_pnputil_stand_in()
{
    wchar_t record[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(pnputil_record_variable, record, MAX_PATH)) return 1;
    std::wstring line = GetCommandLineW();
    HANDLE file = CreateFileW(record, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    std::string text(line.begin(), line.end());
    text += "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    if (line.find(L" /delete-driver ") != std::wstring::npos || line.find(L" -d ") != std::wstring::npos) {
        std::wstring name = line.substr(line.find_last_of(L' ') + 1);
        DeleteFileW((std::filesystem::path(windows_folder()) / "inf" / name).wstring().c_str());
    }
    wchar_t code[32] = {};
    const unsigned long exit_code =
        GetEnvironmentVariableW(pnputil_exit_code_variable, code, 32) ? std::wcstoul(code, nullptr, 0) : 0;
    if (exit_code == 0 || exit_code == 3010) pnputil_record_installed_driver(line);
    return static_cast<int>(exit_code);
}

class prefix_store_c {
public:
    prefix_store_c()
    {
        namespace fs = std::filesystem;
        fs::path inf = fs::path(windows_folder()) / "inf";
        for (const char* name : {"oem905.inf", "oem907.inf", "oem909.inf", "netace.inf"}) {
            fs::copy_file(xp_root() / "inf" / name, inf / name, fs::copy_options::overwrite_existing);
            created_.push_back(inf / name);
        }
        fs::path store = fs::path(system_folder()) / "DRVSTORE";
        if (!fs::exists(store)) created_.push_back(store);
        fs::copy(xp_root() / "system32" / "DRVSTORE", store,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    ~prefix_store_c()
    {
        std::error_code ec;
        for (const std::filesystem::path& p : created_) std::filesystem::remove_all(p, ec);
    }
    prefix_store_c(const prefix_store_c&) = delete;
    prefix_store_c& operator=(const prefix_store_c&) = delete;

private:
    std::vector<std::filesystem::path> created_;
};

} // namespace tdu::test
