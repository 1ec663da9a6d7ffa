// The program on today's Windows, under Wine: the prefix's version is set
// the way a Windows installation keeps it, in the machine's registry
// (HKLM\Software\Microsoft\Windows NT\CurrentVersion), so the program sees
// 8.1, 10 and 11 (Wine has no setting for 11: it is 10.0 with build 22631).
// tdu-cli.exe environment (which has the program's manifest) must then name
// the system's code, build and name as the side bar shows it, and the update
// request made from the same start-up facts must carry the code and build.
// The values are put back afterwards.
//
// On the demo machine and against the stand-in update service with the
// demo catalogue, Windows 10 and 11 are offered the network driver built for
// each, and tdu-cli install hands it to pnputil (a stand-in: this test
// program under that name in the system folder, since Wine has none), whose
// exit code the console reports.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/environment.h"
#include "cli/program_keys_win32.h"
#include "devices/machine_registry.h"
#include "prefix_store_win32.h"
#include "service/request_document.h"
#include "service/scan_run.h"
#include "support/architecture.h"
#include "support/child_process_win32.h"
#include "system/system_info.h"

using namespace tdu::test;
namespace fs = std::filesystem;

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

std::string without_cr(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// The last line of `text` that holds `part`.
std::string line_with(const std::string& text, const std::string& part)
{
    size_t at = text.rfind(part);
    if (at == std::string::npos) return "<no line with " + part + ">";
    size_t from = text.rfind('\n', at);
    from = from == std::string::npos ? 0 : from + 1;
    return text.substr(from, text.find('\n', at) - from);
}

bool is_wow64()
{
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The stand-in pnputil.exe in the system folder the program starts it from
// (a 32-bit program on 64-bit Windows reaches the 64-bit one through
// "Sysnative"), for the life of the object.
class stand_in_pnputil_c {
public:
    stand_in_pnputil_c()
        : folder_(is_wow64() ? "Sysnative" : "System32"), path_(fs::path(windows_folder()) / folder_ / "pnputil.exe")
    {
        if (fs::exists(path_)) return;  // the prefix has one of its own: ok() says so
        std::error_code ec;
        placed_ = fs::copy_file(own_path(), path_, ec);
    }
    ~stand_in_pnputil_c()
    {
        std::error_code ec;
        if (placed_) fs::remove(path_, ec);
    }
    bool ok() const { return placed_; }
    const char* folder() const { return folder_; }

private:
    const char* folder_;
    fs::path path_;
    bool placed_ = false;
};

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

TEST(SystemVersionWin32, TheDemoCatalogueOffersTheDriverBuiltForTheSystemAndPnputilsAnswerIsReported)
{
    const char* port_file = std::getenv("TDU_DEMO_SERVICE_PORT_FILE");
    ASSERT_NE(port_file, nullptr) << "TDU_DEMO_SERVICE_PORT_FILE names no port file of the update service";
    std::string port = read_file(port_file);
    while (!port.empty() && (port.back() == '\n' || port.back() == '\r')) port.pop_back();
    ASSERT_FALSE(port.empty());
    machine_registry_c registry(load_machine(data_dir() / "devices" / "demo_machine.ini"));
    ASSERT_TRUE(registry.ok()) << registry.error();
    temp_dir_c suite;
    const std::string url = "http://127.0.0.1:" + port + "/";
    write_file(suite.path() / "endpoints.ini", "mirror1 = " + url + "\nmirror2 = " + url + "\nmirror3 = " + url +
                                                   "\nscan_share_host = 8.8.4.4\n");
    SetEnvironmentVariableW(L"TDU_ENDPOINTS", (suite.path() / "endpoints.ini").wstring().c_str());
    const fs::path record = suite.path() / "pnputil_calls.txt";
    SetEnvironmentVariableW(pnputil_record_variable, record.wstring().c_str());
    stand_in_pnputil_c pnputil;
    ASSERT_TRUE(pnputil.ok()) << "the prefix has a pnputil of its own";
    version_values_guard_c guard;
    ASSERT_TRUE(guard.ok());

    // Wine cannot tell an installed driver's rank, and from Vista on the
    // comparison needs it (see cli/demo_expectations.h): the network
    // adapter's offer is shown but not installed, and the package install
    // hands to pnputil is the one of the device without a driver.
    struct row {
        const char* what;
        const wchar_t* build;
        const char* offered;       // the network adapter's best offer
        const char* not_offered;   // a version the system must not be offered
        const wchar_t* exit_code;  // what pnputil answers
        const char* said;          // what the console says of the package
        int status;                // tdu-cli's exit code
    };
    const row rows[] = {
        {"Windows 10", L"19045", "offered 2015-07-29 3.6.0.0", "4.0.2.0", L"259",
         ": not installed, no device took the driver (pnputil exit code 259", 1},
        {"Windows 11", L"22631", "offered 2021-10-04 4.0.2.0", "3.2.1.0 (", L"3010",
         ": installed; restart Windows to finish the installation\n", 0},
        {"Windows 11, pnputil fails", L"22631", "offered 2021-10-04 4.0.2.0", "3.2.1.0 (", L"0xE0000247",
         ": not installed, pnputil failed with exit code 0xE0000247\n", 1},
        {"Windows 10, installed", L"19045", "offered 2015-07-29 3.6.0.0", "4.0.2.0", L"0", ": installed\n", 0},
    };
    const std::string package = "ostara-usb3-1.4.zip", inf_folder = "\\USB3\\Driver";
    for (const auto& r : rows) {
        ASSERT_TRUE(set_windows_version(10, 0, r.build)) << r.what;
        // The program runs for the first time, from a folder of its own.
        temp_dir_c folder;
        fs::path built(std::wstring(L"Z:") + TDU_CLI_EXE_W);
        fs::path program = folder.path() / "tdu_cli_today.exe";
        fs::copy_file(built, program);
        fs::copy_file(built.parent_path() / "language.ini", folder.path() / "language.ini");
        reset_program_keys(true);
        std::error_code ec;
        fs::remove(record, ec);

        int status = -1;
        std::string scan = without_cr(run_and_capture(program.wstring(), L"scan", &status));
        EXPECT_EQ(status, 0) << r.what << "\n" << scan;
        std::string network = line_with(scan, "| Network adapters |");
        EXPECT_NE(network.find(r.offered), std::string::npos) << r.what << ": " << network;
        EXPECT_EQ(scan.find(r.not_offered), std::string::npos) << r.what << "\n" << scan;

        SetEnvironmentVariableW(pnputil_exit_code_variable, r.exit_code);
        std::string install = without_cr(run_and_capture(program.wstring(), L"install --no-restore-point", &status));
        SetEnvironmentVariableW(pnputil_exit_code_variable, nullptr);
        std::string said = line_with(install, package + ": ");
        EXPECT_NE((said + "\n").find(r.said), std::string::npos) << r.what << ": " << said << "\n" << install;
        EXPECT_EQ(status, r.status) << r.what << "\n" << install;
        // pnputil was waited for: its record is complete when the program
        // has ended, with the package's INF folder.
        std::string calls = read_file(record);
        std::string call = line_with(calls, inf_folder);
        EXPECT_NE(call.find(std::string("\\") + pnputil.folder() + "\\pnputil.exe\" /add-driver \""),
                  std::string::npos)
            << r.what << ": " << calls;
        EXPECT_NE(call.find(inf_folder + "\\*.inf\" /install"), std::string::npos)
            << r.what << ": " << calls;
    }
    reset_program_keys(false);
    SetEnvironmentVariableW(L"TDU_ENDPOINTS", nullptr);
    SetEnvironmentVariableW(pnputil_record_variable, nullptr);
}

int main(int argc, char** argv)
{
    if (_wcsicmp(fs::path(own_path()).filename().wstring().c_str(), L"pnputil.exe") == 0) return run_pnputil_stand_in();
    if (argc == 2 && std::string(argv[1]) == "--probe") return run_probe();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
