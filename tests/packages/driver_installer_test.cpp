// Choosing the installer of an unpacked package over real folders, with a
// recording shell: which program is started with which arguments.
#include "packages/driver_installer.h"

#include "common/files.h"
#include "fakes.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace tdu;
namespace fs = std::filesystem;

namespace {


std::string replace_all(std::string s, const std::string& from, const std::string& to)
{
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) s.replace(at, from.size(), to);
    return s;
}

environment_t program_in(const u16& folder, uint16_t architecture = 0)
{
    environment_t env;
    copy_field(env.program_folder, path_chars, folder + u"\\");
    env.system_info.processor_architecture = architecture;
    return env;
}

} // namespace

TEST(CommonInfFolder, SharedFolderPrefix)
{
    struct row { std::vector<u16> names; bool ok; const char16_t* folder; };
    const row rows[] = {
        {{u"drv\\x64\\a.inf", u"drv\\x64\\b.inf"}, true, u"drv\\x64\\"},
        {{u"drv\\x64\\a.inf"}, true, u"drv\\x64\\"},
        {{u"drv\\x64\\a.inf", u"drv\\x86\\a.inf"}, true, u"drv\\"},
        {{u"drv\\x64\\net.inf", u"drv\\x64\\netx.inf"}, true, u"drv\\x64\\"},
        {{u"drv\\x64a\\a.inf", u"drv\\x64b\\a.inf"}, true, u"drv\\"},
        {{u"a\\x.inf", u"b\\y.inf"}, false, u""},
        {{u"a.inf"}, false, u""},
        {{}, false, u""},
        {{u"Drv\\a.inf", u"drv\\a.inf"}, false, u""},  // code units compared exactly
    };
    for (const auto& r : rows) {
        inf_name_set_t names(r.names.begin(), r.names.end());
        u16 folder = u"unchanged";
        EXPECT_EQ(common_inf_folder(names, folder), r.ok) << r.names.size();
        EXPECT_EQ(folder, r.ok ? u16(r.folder) : u16(u"unchanged"));
    }
}

TEST(DriverInstaller, ArgumentsNeverEndInABackslashBeforeTheQuote)
{
    struct row { const char16_t* folder; bool force; const char16_t* arguments; };
    const row rows[] = {
        {u"C:\\dl\\abc\\drv\\x64\\", false, u"/SH /PATH \"C:\\dl\\abc\\drv\\x64\""},
        {u"C:\\dl\\abc\\drv\\x64", false, u"/SH /PATH \"C:\\dl\\abc\\drv\\x64\""},
        {u"C:\\backup\\pkg\\", true, u"/SH /F /PATH \"C:\\backup\\pkg\""},
        {u"C:\\dl\\with space\\\\", false, u"/SH /PATH \"C:\\dl\\with space\""},
    };
    for (const auto& r : rows) EXPECT_EQ(driver_installer_arguments(r.folder, r.force), r.arguments);
}

TEST(DriverInstaller, ToolOfTheSystemsWidthFromTheProgramsFolder)
{
    struct row { uint16_t architecture; bool wow64; const char16_t* tool; };
    const row rows[] = {
        {0, false, u"C:\\Program Files\\Tavrill\\DPInst32.exe"},
        {9, false, u"C:\\Program Files\\Tavrill\\DPInst64.exe"},  // x64
        {6, false, u"C:\\Program Files\\Tavrill\\DPInst64.exe"},  // Itanium
        {0, true, u"C:\\Program Files\\Tavrill\\DPInst64.exe"},   // the 32-bit program under WOW64
    };
    for (const auto& r : rows) {
        environment_t env = program_in(u"C:\\Program Files\\Tavrill", r.architecture);
        env.wow64_process = r.wow64;
        EXPECT_EQ(driver_installer_path(env), r.tool);
        installer_choice_t choice = choose_driver_installer(env, true, u"D:\\pkg\\", true);
        EXPECT_EQ(choice.kind, installer_kind_t::dpinst);
        EXPECT_EQ(choice.program, r.tool);
        EXPECT_EQ(choice.arguments, u"/SH /F /PATH \"D:\\pkg\"");
    }
}

TEST(DriverInstaller, ChoiceOverPackageLayouts)
{
    // {F} is the package folder, {P} the program's folder.
    struct row {
        const char* what;
        std::vector<std::string> files;  // relative to the package folder, backslashes
        std::vector<u16> inf_names;
        std::vector<std::string> calls;
    };
    const row rows[] = {
        {"INF files two levels deep",
         {"drv\\x64\\a.inf", "drv\\x64\\b.inf", "drv\\x64\\a.sys", "setup.exe"},
         {u"drv\\x64\\a.inf", u"drv\\x64\\b.inf"},
         {"{P}\\DPInst32.exe|/SH /PATH \"{F}\\drv\\x64\""}},
        {"only the second INF is there",
         {"drv\\x64\\b.inf"},
         {u"drv\\x64\\a.inf", u"drv\\x64\\b.inf"},
         {"{P}\\DPInst32.exe|/SH /PATH \"{F}\\drv\\x64\""}},
        {"INF files in two folders: the package root",
         {"net\\a.inf", "wlan\\b.inf"},
         {u"net\\a.inf", u"wlan\\b.inf"},
         {"{P}\\DPInst32.exe|/SH /PATH \"{F}\""}},
        {"one INF at the root",
         {"a.inf"},
         {u"a.inf"},
         {"{P}\\DPInst32.exe|/SH /PATH \"{F}\""}},
        {"no INF: the one program of the INF folder",
         {"drv\\x64\\install.exe", "Setup.exe", "other.exe"},
         {u"drv\\x64\\a.inf"},
         {"{F}\\drv\\x64\\install.exe|"}},
        {"no INF: a program one folder up",
         {"drv\\x64\\readme.txt", "drv\\tool.exe"},
         {u"drv\\x64\\a.inf"},
         {"{F}\\drv\\tool.exe|"}},
        {"no INF folder at all: Setup.exe among three at the root",
         {"a.exe", "SeTuP.ExE", "b.exe"},
         {u"drv\\x64\\a.inf"},
         {"{F}\\SeTuP.ExE|"}},
        {"autorun.exe among two",
         {"AUTORUN.EXE", "b.exe"},
         {},
         {"{F}\\AUTORUN.EXE|"}},
        {"two programs of other names: the folder is opened",
         {"a.exe", "b.exe", "drv\\x64\\c.exe", "drv\\x64\\d.exe"},
         {u"drv\\x64\\a.inf"},
         {"{F}|"}},
        {"one program of any name at the root",
         {"Driver_Win7_v2.exe", "notes.txt"},
         {},
         {"{F}\\Driver_Win7_v2.exe|"}},
        {"nothing at all: the folder is opened",
         {"readme.txt"},
         {u"a.inf"},
         {"{F}|"}},
        {"a folder named like a program is not one",
         {"x.exe\\inner.txt", "setup.exe"},
         {},
         {"{F}\\setup.exe|"}},
        // INF names from the answer that climb out of the package folder
        // never reach what lies beside it.
        {"an INF name that climbs out is not followed",
         {"..\\zz\\a.inf", "readme.txt"},
         {u"..\\zz\\a.inf"},
         {"{F}|"}},
        {"the setup program search stops at the package root",
         {"..\\zz\\setup.exe", "..\\zz\\x\\readme.txt"},
         {u"..\\zz\\x\\a.inf"},
         {"{F}|"}},
        {"beside a name that climbs out, the safe name decides",
         {"drv\\a.inf", "..\\zz\\b.inf"},
         {u"drv\\a.inf", u"..\\zz\\b.inf"},
         {"{P}\\DPInst32.exe|/SH /PATH \"{F}\\drv\""}},
    };
    for (const auto& r : rows) {
        test::temp_dir_c dir;
        for (const auto& f : r.files) {
            std::string rel = replace_all(f, "\\", "/");
            test::write_file(dir.path() / "pkg" / rel, "x");
        }
        fs::create_directories(dir.path() / "pkg");
        test::write_file(dir.path() / "program" / "DPInst32.exe", "x");
        u16 package = path_join(test::program_path(dir.path()), u"pkg");
        environment_t env = program_in(test::program_path(dir.path() / "program"));
        inf_name_set_t names(r.inf_names.begin(), r.inf_names.end());
        test::recording_shell_c shell;

        start_package_installer(shell, nullptr, env, package, names);

        std::vector<std::string> expected;
        for (const auto& c : r.calls) {
            expected.push_back(replace_all(replace_all(c, "{F}", utf16_to_utf8(package)), "{P}",
                                           utf16_to_utf8(test::program_path(dir.path() / "program"))));
        }
        EXPECT_EQ(shell.lines(), expected) << r.what;
    }
}

TEST(DriverInstaller, OnlySafeInfNamesAreLookedAt)
{
    const inf_name_set_t names = {
        u"drv\\a.inf", u"net/b.inf", u"c.inf",  // kept, with backslashes
        u"..\\zz\\a.inf", u"drv\\..\\..\\a.inf", u"... \\a.inf", u"drv\\.\\a.inf", u"drv\\\\a.inf",
        u"\\rooted.inf", u"C:\\drive.inf", u"C:drive.inf", u"a.inf:stream", u"", u"drv\\",
    };
    EXPECT_EQ(safe_inf_names(names), (inf_name_set_t{u"c.inf", u"drv\\a.inf", u"net\\b.inf"}));
}

TEST(DriverInstaller, SetupProgramSearchOfOneFolder)
{
    test::temp_dir_c dir;
    u16 root = test::program_path(dir.path());
    test::recording_shell_c shell;
    EXPECT_EQ(find_setup_program(shell, root), -1);
    EXPECT_EQ(find_setup_program(shell, path_join(root, u"missing")), -1);
    test::write_file(dir.path() / "one.EXE", "");
    EXPECT_EQ(find_setup_program(shell, root), 0);
    test::write_file(dir.path() / "two.exe", "");
    EXPECT_EQ(find_setup_program(shell, root), -1);
    ASSERT_EQ(shell.calls().size(), 1u);
    EXPECT_EQ(shell.calls()[0].file, path_join(root, u"one.EXE"));
}

TEST(DriverInstaller, ChoiceWithoutTheToolFollowsTheWindowsVersion)
{
    // The folder is the INF folder of an unpacked package.
    struct row {
        const char* what;
        bool tool_present;
        uint32_t major, minor, platform;
        bool wow64;
        const char16_t* windows;
        installer_kind_t kind;
        const char16_t* program;
        const char16_t* arguments;
    };
    const uint32_t nt = ver_platform_win32_nt;
    const row rows[] = {
        {"the tool beside the program wins up to Windows 8.1", true, 6, 3, nt, true, u"C:\\Windows",
         installer_kind_t::dpinst, u"C:\\P\\DPInst64.exe", u"/SH /PATH \"D:\\dl\\pkg\\drv\""},
        {"Windows 10 with the tool: pnputil all the same", true, 10, 0, nt, true, u"C:\\Windows",
         installer_kind_t::pnputil, u"C:\\Windows\\Sysnative\\pnputil.exe",
         u"/add-driver \"D:\\dl\\pkg\\drv\\*.inf\" /install"},
        {"Windows 11, 32-bit system, with the tool", true, 10, 0, nt, false, u"C:\\Windows",
         installer_kind_t::pnputil, u"C:\\Windows\\System32\\pnputil.exe",
         u"/add-driver \"D:\\dl\\pkg\\drv\\*.inf\" /install"},
        {"XP without the tool: the folder is opened", false, 5, 1, nt, false, u"C:\\WINDOWS",
         installer_kind_t::open_folder, u"D:\\dl\\pkg\\drv\\", u""},
        {"XP x64 (5.2) without the tool", false, 5, 2, nt, true, u"C:\\WINDOWS",
         installer_kind_t::open_folder, u"D:\\dl\\pkg\\drv\\", u""},
        {"Vista, 32-bit", false, 6, 0, nt, false, u"C:\\Windows",
         installer_kind_t::pnputil, u"C:\\Windows\\System32\\pnputil.exe", u"-i -a \"D:\\dl\\pkg\\drv\\*.inf\""},
        {"Windows 7 64-bit: the 64-bit pnputil past the redirection", false, 6, 1, nt, true, u"C:\\Windows",
         installer_kind_t::pnputil, u"C:\\Windows\\Sysnative\\pnputil.exe", u"-i -a \"D:\\dl\\pkg\\drv\\*.inf\""},
        {"Windows 8.1", false, 6, 3, nt, false, u"E:\\WinNT",
         installer_kind_t::pnputil, u"E:\\WinNT\\System32\\pnputil.exe", u"-i -a \"D:\\dl\\pkg\\drv\\*.inf\""},
        {"Windows 10 64-bit: the new command line", false, 10, 0, nt, true, u"C:\\Windows",
         installer_kind_t::pnputil, u"C:\\Windows\\Sysnative\\pnputil.exe",
         u"/add-driver \"D:\\dl\\pkg\\drv\\*.inf\" /install"},
        {"Windows folder unknown: pnputil by its bare name", false, 6, 1, nt, false, u"",
         installer_kind_t::pnputil, u"pnputil.exe", u"-i -a \"D:\\dl\\pkg\\drv\\*.inf\""},
        {"a 9x platform has no pnputil", false, 4, 90, ver_platform_win32_windows, false, u"C:\\WINDOWS",
         installer_kind_t::open_folder, u"D:\\dl\\pkg\\drv\\", u""},
    };
    for (const auto& r : rows) {
        environment_t env = program_in(u"C:\\P");
        env.version_info.major = r.major;
        env.version_info.minor = r.minor;
        env.version_info.platform_id = r.platform;
        env.wow64_process = r.wow64;
        copy_field(env.windows_folder, path_chars, r.windows);
        installer_choice_t choice = choose_driver_installer(env, r.tool_present, u"D:\\dl\\pkg\\drv\\", false);
        EXPECT_EQ(choice.kind, r.kind) << r.what;
        EXPECT_EQ(choice.program, r.program) << r.what;
        EXPECT_EQ(choice.arguments, r.arguments) << r.what;
    }
    // A forced installation (the restore) keeps "/F" for the tool only.
    environment_t env = program_in(u"C:\\P");
    env.version_info = os_version_t{6, 1, 7601, ver_platform_win32_nt};
    copy_field(env.windows_folder, path_chars, u"C:\\Windows");
    EXPECT_EQ(choose_driver_installer(env, true, u"D:\\r", true).arguments, u"/SH /F /PATH \"D:\\r\"");
    EXPECT_EQ(choose_driver_installer(env, false, u"D:\\r", true).arguments, u"-i -a \"D:\\r\\*.inf\"");
}

TEST(DriverInstaller, RunLooksForTheToolBesideTheProgram)
{
    test::temp_dir_c dir;
    fs::create_directories(dir.path() / "program");
    environment_t env = program_in(test::program_path(dir.path() / "program"));
    env.version_info = os_version_t{5, 1, 2600, ver_platform_win32_nt};
    test::recording_shell_c shell;

    EXPECT_EQ(run_driver_installer(shell, nullptr, env, u"D:\\pkg\\", false).kind, installer_kind_t::open_folder);
    test::write_file(dir.path() / "program" / "DPInst32.exe", "x");
    installer_start_t start = run_driver_installer(shell, nullptr, env, u"D:\\pkg\\", false);
    EXPECT_EQ(start.kind, installer_kind_t::dpinst);
    EXPECT_TRUE(start.started);
    // What the shell answers is passed on: a start it refused is no start.
    shell.starts = false;
    EXPECT_FALSE(run_driver_installer(shell, nullptr, env, u"D:\\pkg\\", false).started);
    ASSERT_EQ(shell.calls().size(), 3u);
    EXPECT_EQ(shell.calls()[0].file, u"D:\\pkg\\");
    EXPECT_EQ(shell.calls()[1].file, driver_installer_path(env));
}
