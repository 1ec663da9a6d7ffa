#pragma once
// The backup machine's driver files inside the Wine prefix: its INF files
// in the Windows "inf" folder and its old-style store in System32\DRVSTORE,
// copied in for the life of the object and taken out again afterwards.
#include "backup_fixture.h"

#include <windows.h>

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
// hexadecimal), else 0.
constexpr wchar_t pnputil_record_variable[] = L"TDU_PNPUTIL_RECORD";
constexpr wchar_t pnputil_exit_code_variable[] = L"TDU_PNPUTIL_EXIT_CODE";

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
    if (!GetEnvironmentVariableW(pnputil_exit_code_variable, code, 32)) return 0;
    return static_cast<int>(std::wcstoul(code, nullptr, 0));
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
