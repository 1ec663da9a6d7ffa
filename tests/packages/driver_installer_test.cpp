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
        test::recording_shell_c shell;
        run_driver_installer(shell, env, u"D:\\pkg\\", true);
        ASSERT_EQ(shell.calls().size(), 1u);
        EXPECT_EQ(shell.calls()[0].file, r.tool);
        EXPECT_EQ(shell.calls()[0].parameters, u"/SH /F /PATH \"D:\\pkg\"");
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
        u16 package = path_join(test::program_path(dir.path()), u"pkg");
        environment_t env = program_in(test::program_path(dir.path() / "program"));
        inf_name_set_t names(r.inf_names.begin(), r.inf_names.end());
        test::recording_shell_c shell;

        start_package_installer(shell, env, package, names);

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
