// The program on today's Windows, under Wine: the prefix's version is set
// the way a Windows installation keeps it, in the machine's registry
// (HKLM\Software\Microsoft\Windows NT\CurrentVersion), so the program sees
// 8.1, 10 and 11 (Wine has no setting for 11: it is 10.0 with build 22631).
// tdu-cli.exe environment (which has the program's manifest) must then name
// the system's code, build and name as the side bar shows it, and the update
// request made from the same start-up facts must carry the code and build.
// The values are put back afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/environment.h"
#include "service/request_document.h"
#include "service/scan_run.h"
#include "support/architecture.h"
#include "support/child_process_win32.h"
#include "system/system_info.h"

using namespace tdu::test;

namespace {

constexpr wchar_t version_key[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion";
const wchar_t* const version_values[] = {L"CurrentVersion", L"CurrentBuild", L"CurrentBuildNumber",
                                         L"CurrentMajorVersionNumber", L"CurrentMinorVersionNumber",
                                         L"CSDVersion"};

struct saved_value_t {
    std::wstring name;
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> data;
};

HKEY open_version_key()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, version_key, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, &key) !=
        ERROR_SUCCESS)
        return nullptr;
    return key;
}

// The version values as they were, written back when the test ends however
// it ends.
class version_values_guard_c {
public:
    version_values_guard_c()
    {
        HKEY key = open_version_key();
        if (!key) return;
        for (const wchar_t* name : version_values) {
            saved_value_t v;
            v.name = name;
            DWORD size = 0;
            if (RegQueryValueExW(key, name, nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
                v.data.resize(size);
                v.present = RegQueryValueExW(key, name, nullptr, &v.type, v.data.data(), &size) == ERROR_SUCCESS;
                v.data.resize(size);
            }
            saved_.push_back(v);
        }
        RegCloseKey(key);
        ok_ = true;
    }
    ~version_values_guard_c()
    {
        HKEY key = open_version_key();
        if (!key) return;
        for (const auto& v : saved_) {
            if (v.present)
                RegSetValueExW(key, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
            else
                RegDeleteValueW(key, v.name.c_str());
        }
        RegCloseKey(key);
    }
    bool ok() const { return ok_; }

private:
    std::vector<saved_value_t> saved_;
    bool ok_ = false;
};

bool set_text(HKEY key, const wchar_t* name, const std::wstring& text)
{
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool set_dword(HKEY key, const wchar_t* name, DWORD value)
{
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

// The values a Windows installation of that version holds.
bool set_windows_version(DWORD major, DWORD minor, const std::wstring& build)
{
    HKEY key = open_version_key();
    if (!key) return false;
    // Wine reads the version from CurrentVersion alone (Windows itself keeps
    // "6.3" there from 10 on and the numbers in the two DWORDs).
    bool ok = set_text(key, L"CurrentVersion", std::to_wstring(major) + L"." + std::to_wstring(minor)) &&
              set_text(key, L"CurrentBuild", build) && set_text(key, L"CurrentBuildNumber", build) &&
              set_dword(key, L"CurrentMajorVersionNumber", major) && set_dword(key, L"CurrentMinorVersionNumber", minor);
    RegDeleteValueW(key, L"CSDVersion");
    RegCloseKey(key);
    return ok;
}

// The probe: the update request's <client> line made from this process's
// start-up facts, as the scan view makes it.
int run_probe()
{
    if (!tdu::environment_capture(tdu::environment, tdu::win32_environment_source())) return 3;
    tdu::scan_result_t run;
    tdu::system_info_t info;
    info.computer_model = u"probe";
    tdu::scan_result_init(run, tdu::environment, info);
    std::string doc = tdu::build_update_request(nullptr, 0, *run.request);
    size_t from = doc.find("<client ");
    if (from == std::string::npos) return 4;
    std::printf("%s\n", doc.substr(from, doc.find('\n', from) - from).c_str());
    return 0;
}

std::string line_of(const std::string& text, const std::string& start)
{
    size_t at = text.find("\n" + start);
    if (at == std::string::npos) return "<no line " + start + ">";
    at += 1;
    size_t end = text.find_first_of("\r\n", at);
    return text.substr(at, end - at);
}

} // namespace

TEST(SystemVersionWin32, TodaysWindowsAreNamedTheirOwn)
{
    struct row {
        const char* what;
        DWORD major, minor;
        const wchar_t* build;
        const char* code;    // without the architecture's suffix
        const char* number;  // major x 10 + minor
        const char* name;    // a part of the system's name
    };
    const row rows[] = {
        {"8.1", 6, 3, L"9600", "WIN81", "63", "Windows 8.1"},
        {"10", 10, 0, L"19045", "WIN10", "100", "Windows 10"},
        {"11 (10.0, build 22631)", 10, 0, L"22631", "WIN11", "100", "Windows 11"},
    };
    const std::string suffix = this_architecture().os_code_suffix;
    version_values_guard_c guard;
    ASSERT_TRUE(guard.ok());
    for (const auto& r : rows) {
        ASSERT_TRUE(set_windows_version(r.major, r.minor, r.build)) << r.what;
        std::string build(r.build, r.build + wcslen(r.build));
        std::string code = r.code + suffix;

        int status = -1;
        std::string printed = run_and_capture(std::wstring(L"Z:") + std::wstring(TDU_CLI_EXE_W), L"environment", &status);
        EXPECT_EQ(status, 0) << r.what << "\n" << printed;
        EXPECT_EQ(line_of(printed, "os code:"), "os code:           " + code) << r.what << "\n" << printed;
        EXPECT_EQ(line_of(printed, "os version number:"), std::string("os version number: ") + r.number) << r.what;
        EXPECT_EQ(line_of(printed, "os build:"), "os build:          " + build) << r.what;
        std::string system = line_of(printed, "system:");
        EXPECT_NE(system.find(r.name), std::string::npos) << r.what << ": " << system;
        EXPECT_NE(system.find(build), std::string::npos) << r.what << ": " << system;
        if (std::string(r.code) == "WIN11") EXPECT_EQ(system.find("Windows 10"), std::string::npos) << system;

        std::string client = run_and_capture(own_path(), L"--probe", &status);
        EXPECT_EQ(status, 0) << r.what;
        EXPECT_NE(client.find(" os=\"" + code + "\""), std::string::npos) << r.what << ": " << client;
        EXPECT_NE(client.find(" build=\"" + build + "\""), std::string::npos) << r.what << ": " << client;
    }
}

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "--probe") return run_probe();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
