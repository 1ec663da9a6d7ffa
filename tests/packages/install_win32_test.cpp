// Under Wine: the real shell starts a stand-in installer tool that records
// its command line. A package is downloaded from the test server, unpacked
// and installed end to end; then packages with their own setup programs,
// and one that is a program itself.
#include "packages/download_row.h"

#include "common/files.h"
#include "common/sha256.h"
#include "fakes.h"
#include "support/server_access.h"
#include "support/test_support.h"
#include "test_zip.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

using namespace tdu;
using namespace tdu::test;
namespace fs = std::filesystem;

namespace {



std::string stand_in_bytes()
{
    return read_file(fs::path(TDU_STAND_IN_INSTALLER));
}

// Waits for the command line a stand-in wrote (a deadline only against a
// hang); empty when it never came.
std::string command_line_of(const fs::path& program)
{
    fs::path file = program;
    file += ".cmdline";
    // A command line is never empty, so an empty read is a file that Wine
    // still has open from its rename: read again.
    for (int waited = 0; waited < 60000; waited += 20) {
        if (fs::exists(file)) {
            std::string line = read_file(file);
            if (!line.empty()) return line;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::string();
}

bool ends_with(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

struct wine_install_fixture_t {
    temp_dir_c dir;
    fs::path downloads = dir.path() / "download";
    fs::path program = dir.path() / "program";
    environment_t env;
    install_services_t services{win32_shell(), win32_process_runner(), system_threads(), env};

    wine_install_fixture_t()
    {
        fs::create_directories(downloads);
        fs::create_directories(program);
        write_file(program / "DPInst32.exe", stand_in_bytes());
        copy_field(env.program_folder, path_chars, test::program_path(program) + u"\\");
    }
};

// EnumWindows's callback: stops at the first dialog box of this process and
// leaves it in the HWND that `l` points to.
BOOL CALLBACK find_own_dialog(HWND w, LPARAM l)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t name[16] = {};
    GetClassNameW(w, name, 16);
    if (pid != GetCurrentProcessId() || std::wstring(name) != L"#32770") return TRUE;
    *reinterpret_cast<HWND*>(l) = w;
    return FALSE;
}

// A dialog box of this process, if one is open.
HWND own_dialog()
{
    HWND found = nullptr;
    EnumWindows(find_own_dialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace

TEST(InstallWin32, DownloadUnpackAndStartTheInstallerToolOnTheInfFolder)
{
    wine_install_fixture_t f;
    ASSERT_FALSE(is_64bit_system(f.env));
    fs::path source = f.dir.path() / "source.zip";
    write_zip(source, {
                          {"drivers/", ""},
                          {"drivers/net/", ""},
                          {"drivers/net/x64/e1000.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n"},
                          {"drivers/net/x64/e1000.sys", std::string(40000, 's')},
                          {"drivers/net/x64/e1000.cat", "cat"},
                          {"readme.htm", "<html></html>"},
                      });
    std::string package = read_file(source);
    server_put_file("packages-wine/e1000.zip", package);

    download_session_list_c sessions;
    sessions.settings.download_folder = test::program_path(f.downloads);
    sessions.settings.retry_pause_ms = 10;
    recording_host_c host;
    download_row_input_t input;
    input.link = server_url("/files/packages-wine/e1000.zip");
    input.expected_size = static_cast<uint32_t>(package.size());
    input.inf_names = {u"drivers\\net\\x64\\e1000.inf"};
    input.sha256 = sha256_hex_of(package);
    download_row_c row(input, sessions, f.services, host);

    row.click();
    for (int waited = 0; host.timer_running && waited < 60000; waited += 10) {
        row.timer_tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(row.session().state(), download_complete);
    EXPECT_EQ(read_file(test::fs_path(row.session().final_path())), package);

    row.click();  // install
    std::string command_line = command_line_of(f.program / "DPInst32.exe");
    u16 package_folder = path_join(test::program_path(f.downloads), path_file_name(row.session().final_path()));
    package_folder.resize(package_folder.size() - 4);  // without ".zip"
    std::string inf_folder = utf16_to_utf8(package_folder) + "\\drivers\\net\\x64";
    EXPECT_TRUE(ends_with(command_line, " /SH /PATH \"" + inf_folder + "\"")) << command_line;
    EXPECT_NE(command_line.find("DPInst32.exe"), std::string::npos) << command_line;
    std::printf("the installer tool was started as: %s\n", command_line.c_str());

    EXPECT_TRUE(fs::exists(test::fs_path(package_folder) / "drivers" / "net" / "x64" / "e1000.sys"));
    EXPECT_FALSE(fs::exists(test::fs_path(package_folder) / "readme.htm"));
    for (int waited = 0; row.install_request()->installing.load() != 0 && waited < 60000; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(row.install_request()->installing.load(), 0);
    // Recorded by the worker once the shell had started the installer.
    EXPECT_EQ(row.install_outcome(), install_outcome_started);
    EXPECT_EQ(read_file(f.program / "setup.dat"), input.link + "\n");
}

// The real shell's answer decides: an installer tool that is no program
// cannot be started, the installation says so and records nothing.
TEST(InstallWin32, AnInstallerTheShellCannotStartIsNotRecorded)
{
    wine_install_fixture_t f;
    write_file(f.program / "DPInst32.exe", "not a program");
    write_zip(f.downloads / "c0ffee.zip", {{"drv/a.inf", "[Version]\r\n"}});
    install_request_t request;
    request.package_path = test::program_path(f.downloads / "c0ffee.zip");
    request.download_folder = test::program_path(f.downloads);
    request.inf_names = {u"drv\\a.inf"};
    request.link = "http://127.0.0.1/packages/c0ffee.zip";
    request.installing = 1;

    // The shell tells of a program it cannot start in an error box of its
    // own (Windows and Wine alike); the test closes it as a user would.
    std::atomic<bool> done{false};
    int result = 0;
    std::thread worker([&] {
        sha256_file_hex(request.package_path, request.sha256);  // offered with its digest
        result = install_package(request, f.services.shell, f.services.processes, f.env);
        done = true;
    });
    for (int waited = 0; !done && waited < 60000; waited += 20) {
        if (HWND box = own_dialog()) PostMessageW(box, WM_COMMAND, IDOK, 0);
        Sleep(20);
    }
    worker.join();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(request.outcome.load(), install_outcome_not_started);
    EXPECT_FALSE(fs::exists(f.program / "setup.dat"));
}

TEST(InstallWin32, PackagesThatBringTheirOwnSetupProgram)
{
    struct row {
        const char* what;
        std::vector<std::string> programs;  // entries of the package, each the stand-in
        std::string started;                // the one expected to run
    };
    const row rows[] = {
        {"one setup program of any name", {"bin/Driver_Win7_v2.exe"}, "bin/Driver_Win7_v2.exe"},
        {"Setup.exe among three", {"a.exe", "SeTuP.exe", "b.exe"}, "SeTuP.exe"},
    };
    std::string stand_in = stand_in_bytes();
    for (const auto& r : rows) {
        wine_install_fixture_t f;
        std::vector<zip_entry_t> entries;
        for (const auto& p : r.programs) entries.push_back({p, stand_in});
        write_zip(f.downloads / "0badc0de.zip", entries);
        install_request_t request;
        request.package_path = test::program_path(f.downloads / "0badc0de.zip");
        request.download_folder = test::program_path(f.downloads);
        request.inf_names = {u"bin\\missing.inf"};
        request.installing = 1;

        sha256_file_hex(request.package_path, request.sha256);  // offered with its digest
        EXPECT_EQ(install_package(request, f.services.shell, f.services.processes, f.env), 0) << r.what;
        fs::path started = f.downloads / "0badc0de" / r.started;
        std::string command_line = command_line_of(started);
        EXPECT_NE(command_line, "") << r.what;
        for (const auto& p : r.programs) {
            if (p == r.started) continue;
            fs::path other = f.downloads / "0badc0de" / p;
            other += ".cmdline";
            EXPECT_FALSE(fs::exists(other)) << r.what << ": " << p;
        }
        EXPECT_FALSE(fs::exists(f.program / "DPInst32.exe.cmdline")) << r.what;
    }
}

TEST(InstallWin32, APackageThatIsAProgramIsStartedDirectly)
{
    wine_install_fixture_t f;
    write_file(f.downloads / "5eed.exe", stand_in_bytes());
    install_request_t request;
    request.package_path = test::program_path(f.downloads / "5eed.exe");
    request.download_folder = test::program_path(f.downloads);
    request.link = "http://127.0.0.1/packages/5eed.exe";
    request.installing = 1;

    // Started by the shell, the program is the package's installer: the
    // link is recorded.
    sha256_file_hex(request.package_path, request.sha256);  // offered with its digest
    EXPECT_EQ(install_package(request, f.services.shell, f.services.processes, f.env), 0);
    EXPECT_NE(command_line_of(f.downloads / "5eed.exe"), "");
    EXPECT_EQ(request.installing.load(), 0);
    EXPECT_EQ(request.outcome.load(), install_outcome_started);
    EXPECT_EQ(read_file(f.program / "setup.dat"), request.link + "\n");
}

TEST(InstallWin32, AdministratorTestAndTheToolOfA32BitSystem)
{
    EXPECT_TRUE(win32_shell().is_user_an_admin());  // Wine answers TRUE
    environment_t env;
    copy_field(env.program_folder, path_chars, u"C:\\Program Files\\Tavrill\\");
    EXPECT_EQ(driver_installer_path(env), u"C:\\Program Files\\Tavrill\\DPInst32.exe");
}

TEST(InstallWin32, WithoutTheToolWindowsOwnPnputilInstallsTheInfFolder)
{
    // A stand-in Windows folder whose system folders hold stand-in pnputil
    // programs: the 32-bit program on 64-bit Windows must take the one
    // behind "Sysnative", which is the 64-bit one there. pnputil is waited
    // for (its command line is written before it ends) and its exit code is
    // the outcome; Windows 10 takes it even with the tool beside the program.
    struct row {
        const char* what;
        bool wow64;
        uint32_t major;
        bool tool;
        const char* folder;     // the system folder whose pnputil runs
        const char* other;      // the one that must stay unstarted
        std::string arguments;  // after the program's name, {F} the INF folder
        const wchar_t* exit_code;
        int32_t outcome;
        uint32_t recorded_code;
    };
    const row rows[] = {
        {"Windows 7, 32-bit", false, 6, false, "System32", "Sysnative", "-i -a \"{F}\\*.inf\"", L"0",
         install_outcome_installed, 0},
        {"Windows 10, 64-bit", true, 10, false, "Sysnative", "System32", "/add-driver \"{F}\\*.inf\" /install", L"0",
         install_outcome_installed, 0},
        {"Windows 10 with the tool, restart needed", false, 10, true, "System32", "Sysnative",
         "/add-driver \"{F}\\*.inf\" /install", L"3010", install_outcome_restart_needed, 3010},
        {"Windows 10, no device took it", false, 10, false, "System32", "Sysnative",
         "/add-driver \"{F}\\*.inf\" /install", L"259", install_outcome_no_device, 259},
        {"Windows 10, a failure", false, 10, false, "System32", "Sysnative", "/add-driver \"{F}\\*.inf\" /install",
         L"0xE0000247", install_outcome_installer_error, 0xE0000247u},
    };
    std::string stand_in = stand_in_bytes();
    for (const auto& r : rows) {
        wine_install_fixture_t f;
        if (!r.tool) fs::remove(f.program / "DPInst32.exe");
        fs::path windows = f.dir.path() / "windows";
        write_file(windows / "System32" / "pnputil.exe", stand_in);
        write_file(windows / "Sysnative" / "pnputil.exe", stand_in);
        copy_field(f.env.windows_folder, path_chars, test::program_path(windows));
        f.env.version_info = os_version_t{r.major, 1, 7601, ver_platform_win32_nt};
        f.env.wow64_process = r.wow64;
        write_zip(f.downloads / "c0ffee.zip", {{"drv/x64/a.inf", "[Version]\r\n"}, {"drv/x64/a.sys", "sys"}});
        install_request_t request;
        request.package_path = test::program_path(f.downloads / "c0ffee.zip");
        request.download_folder = test::program_path(f.downloads);
        request.inf_names = {u"drv\\x64\\a.inf"};
        request.link = "http://127.0.0.1/c0ffee.zip";
        request.installing = 1;

        sha256_file_hex(request.package_path, request.sha256);  // offered with its digest
        SetEnvironmentVariableW(L"TDU_STAND_IN_EXIT_CODE", r.exit_code);
        const int result = install_package(request, f.services.shell, f.services.processes, f.env);
        SetEnvironmentVariableW(L"TDU_STAND_IN_EXIT_CODE", nullptr);
        const bool installs = install_outcome_installs(r.outcome);
        EXPECT_EQ(result, installs ? 0 : -1) << r.what;
        EXPECT_EQ(request.outcome.load(), r.outcome) << r.what;
        EXPECT_EQ(request.exit_code.load(), r.recorded_code) << r.what;
        EXPECT_EQ(fs::exists(f.program / "setup.dat"), installs) << r.what;
        // Waited for: its record is there as soon as the installation ended.
        fs::path record = windows / r.folder / "pnputil.exe.cmdline";
        ASSERT_TRUE(fs::exists(record)) << r.what;
        std::string command_line = read_file(record);
        std::string inf_folder = utf16_to_utf8(test::program_path(f.downloads / "c0ffee")) + "\\drv\\x64";
        std::string expected = r.arguments;
        expected.replace(expected.find("{F}"), 3, inf_folder);
        EXPECT_TRUE(ends_with(command_line, " " + expected)) << r.what << ": " << command_line;
        EXPECT_NE(command_line.find(std::string(r.folder) + "\\pnputil.exe"), std::string::npos) << command_line;
        std::printf("pnputil was started as: %s\n", command_line.c_str());
        EXPECT_FALSE(fs::exists(windows / r.other / "pnputil.exe.cmdline")) << r.what;
    }
}

// The process runner itself: a program that is not there is not started,
// and one that ends is waited for with its exit code.
TEST(InstallWin32, TheProcessRunnerWaitsForTheExitCode)
{
    temp_dir_c dir;
    process_result_t missing =
        win32_process_runner().run_and_wait(test::program_path(dir.path() / "missing.exe"), u"", 1000);
    EXPECT_EQ(missing.end, process_end_t::not_started);
    write_file(dir.path() / "tool.exe", stand_in_bytes());
    SetEnvironmentVariableW(L"TDU_STAND_IN_EXIT_CODE", L"3010");
    process_result_t ran =
        win32_process_runner().run_and_wait(test::program_path(dir.path() / "tool.exe"), u"a \"b c\"", 60000);
    SetEnvironmentVariableW(L"TDU_STAND_IN_EXIT_CODE", nullptr);
    EXPECT_EQ(ran.end, process_end_t::ended);
    EXPECT_EQ(ran.exit_code, 3010u);
    EXPECT_TRUE(ends_with(read_file(dir.path() / "tool.exe.cmdline"), "tool.exe\" a \"b c\""))
        << read_file(dir.path() / "tool.exe.cmdline");
}

TEST(InstallWin32, TheWindowsFolderOfTheRunningSystem)
{
    environment_t env;
    ASSERT_TRUE(environment_capture(env, win32_environment_source()));
    u16 windows(env.windows_folder, u16_length(env.windows_folder));
    ASSERT_FALSE(windows.empty());
    EXPECT_NE(windows.back(), u'\\');
    EXPECT_TRUE(is_directory(path_join(windows, u"System32")));
}
