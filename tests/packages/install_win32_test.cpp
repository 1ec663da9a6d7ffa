// Under Wine: the real shell starts a stand-in installer tool that records
// its command line. A package is downloaded from the test server, unpacked
// and installed end to end; then packages with their own setup programs,
// and one that is a program itself.
#include "packages/download_row.h"

#include "common/files.h"
#include "fakes.h"
#include "support/server_access.h"
#include "support/test_support.h"
#include "test_zip.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
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
    for (int waited = 0; waited < 60000 && !fs::exists(file); waited += 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return fs::exists(file) ? read_file(file) : std::string();
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
    install_services_t services{win32_shell(), system_threads(), env};

    wine_install_fixture_t()
    {
        fs::create_directories(downloads);
        fs::create_directories(program);
        write_file(program / "DPInst32.exe", stand_in_bytes());
        copy_field(env.program_folder, path_chars, test::program_path(program) + u"\\");
    }
};

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

    EXPECT_EQ(read_file(f.program / "setup.dat"), input.link + "\n");
    EXPECT_TRUE(fs::exists(test::fs_path(package_folder) / "drivers" / "net" / "x64" / "e1000.sys"));
    EXPECT_FALSE(fs::exists(test::fs_path(package_folder) / "readme.htm"));
    for (int waited = 0; row.install_request()->installing.load() != 0 && waited < 60000; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(row.install_request()->installing.load(), 0);
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

        EXPECT_EQ(install_package(request, f.services.shell, f.env), 0) << r.what;
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
    request.installing = 1;

    EXPECT_EQ(install_package(request, f.services.shell, f.env), -1);
    EXPECT_NE(command_line_of(f.downloads / "5eed.exe"), "");
    EXPECT_EQ(request.installing.load(), 0);
}

TEST(InstallWin32, AdministratorTestAndTheToolOfA32BitSystem)
{
    EXPECT_TRUE(win32_shell().is_user_an_admin());  // Wine answers TRUE
    environment_t env;
    copy_field(env.program_folder, path_chars, u"C:\\Program Files\\Tavrill\\");
    EXPECT_EQ(driver_installer_path(env), u"C:\\Program Files\\Tavrill\\DPInst32.exe");
}
