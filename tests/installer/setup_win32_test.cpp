// The setup program and its uninstaller, built by the Windows build, run
// silently in the Wine prefix: what they put where the program and the
// system look for it, what they take away and what they leave to the user.
#include "setup_machine_win32.h"

#include "common/program_title.h"
#include "app/settings.h"
#include "common/win32_text.h"
#include "support/architecture.h"
#include "support/child_process_win32.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using namespace tdu;
using namespace tdu::test;

namespace {

// Runs `work` with `folder` as the current folder, as a user who starts a
// program from a command prompt there.
template <typename F>
auto in_folder(const fs::path& folder, F work)
{
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(folder.c_str());
    auto result = work();
    SetCurrentDirectoryW(previous);
    return result;
}

// What a folder holds, for the message of a failed check.
std::string listing(const fs::path& folder)
{
    std::string names;
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(folder, ignored))
        names += narrow(entry.path().wstring()) + "\n";
    return names;
}

const std::wstring setup_exe = TDU_SETUP_EXE;
const std::wstring settings_key = wide(settings_key_path);
const std::wstring init_key = wide(installer_key_path);
const std::wstring run_key = wide(run_key_path);
const std::wstring run_value = wide(run_value_name);

// The files of the build that the setup program carries.
const std::vector<std::pair<std::wstring, fs::path>> program_files = {
    {L"TavrillDriverUpdater.exe", TDU_PROGRAM_EXE},
    {L"tdu-cli.exe", TDU_CLI_EXE},
    {L"language.ini", TDU_LANGUAGE_INI},
};

class Setup : public testing::Test {
protected:

    void SetUp() override { remove_every_trace(); }
    void TearDown() override { remove_every_trace(); }

    static int install(const std::wstring& arguments) { return run_and_wait(setup_exe, arguments); }

    // A program folder in the state a user leaves it: settings from the
    // program's first run, one changed by the user, a driver backup with its
    // catalogue, a downloaded package and the list of installed ones.
    static void use_the_program()
    {
        boot_run_t run = run_program_at_boot(folder / L"TavrillDriverUpdater.exe");
        ASSERT_EQ(run.exit_code, 0) << "message box: " << narrow(run.message_box);
        ASSERT_TRUE(reg_key_exists(HKEY_CURRENT_USER, settings_key));
        write_reg_dword(HKEY_CURRENT_USER, settings_key, L"scan_offline", 1);
        for (const auto& [name, bytes] : user_files) {
            fs::create_directories((folder / name).parent_path());
            std::ofstream(folder / name, std::ios::binary) << bytes;
        }
    }

    static void expect_user_data_kept()
    {
        EXPECT_EQ(read_reg_dword(HKEY_CURRENT_USER, settings_key, L"scan_offline"), 1u);
        for (const auto& [name, bytes] : user_files) EXPECT_EQ(file_bytes(folder / name), bytes) << narrow(name);
    }

    static inline const fs::path folder = installed_folder();
    static inline const std::vector<std::pair<std::wstring, std::string>> user_files = {
        {L"backup\\oem12.inf_x86_1a2b3c.zip", "PK stand-in archive"},
        {L"backup.xml", "<?xml version=\"1.0\"?><backup/>"},
        {L"download\\0123456789abcdef0123456789abcdef.zip", "PK stand-in package"},
        {L"setup.dat", "http://127.0.0.1/package.zip\n"},
    };
};

TEST_F(Setup, SilentInstallPutsTheProgramWhereItIsFoundInTheLanguageAskedFor)
{
    struct language_case_t {
        const wchar_t* arguments;
        DWORD code;
        bool desktop_shortcut;
    };
    const language_case_t cases[] = {
        {L"/S /LANG=2", 2, false},
        {L"/S /LANG=6 /DESKTOP", 6, true},
        {L"/LANG=11 /S", 11, false},
    };
    // The x64 setup's file name says so: both may sit in one download folder.
    const std::wstring name = fs::path(setup_exe).filename().wstring();
    EXPECT_EQ(name, std::wstring(L"TavrillDriverUpdater-Setup-4.2.0.1") + this_architecture().setup_suffix + L".exe");
    for (const language_case_t& c : cases) {
        SCOPED_TRACE(narrow(c.arguments));
        remove_every_trace();
        ASSERT_EQ(install(c.arguments), 0);

        // The Program Files folder of the program's architecture (the 32-bit
        // one in the 32-bit prefix, the 64-bit one for x64), with the
        // build's own files.
        EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"InstallLocation"), folder.wstring());
        uintmax_t bytes = 0;
        for (const auto& [name, built] : program_files) {
            EXPECT_EQ(file_bytes(folder / name), file_bytes(built)) << narrow(name);
            bytes += fs::file_size(built);
        }

        // The code the program reads on its first run.
        EXPECT_EQ(read_reg_dword(HKEY_CURRENT_USER, init_key, L"language"), c.code);

        // The system's list of programs.
        // The x64 setup's entry says so, beside an x86 one on the same system.
        EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"DisplayName"),
                  std::wstring(this_architecture().display_name));
        // The 64-bit setup writes its entry into the 64-bit view alone.
        if (this_architecture().system_is_64bit) {
            HKEY in_32bit_view = nullptr;
            EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, uninstall_key, 0, KEY_READ | KEY_WOW64_32KEY, &in_32bit_view),
                      ERROR_SUCCESS);
            if (in_32bit_view) RegCloseKey(in_32bit_view);
        }
        EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"DisplayVersion"), L"4.2.0.1");
        EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"Publisher"), L"Tavrill");
        EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"DisplayIcon"),
                  (folder / L"TavrillDriverUpdater.exe").wstring() + L",0");
        EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"UninstallString"),
                  L"\"" + (folder / L"uninstall.exe").wstring() + L"\"");
        EXPECT_TRUE(fs::exists(folder / L"uninstall.exe"));
        std::optional<DWORD> size_kb = read_reg_dword(HKEY_LOCAL_MACHINE, uninstall_key, L"EstimatedSize");
        ASSERT_TRUE(size_kb);
        bytes += fs::file_size(folder / L"uninstall.exe");
        EXPECT_GE(*size_kb, bytes / 1024);
        EXPECT_LE(*size_kb, bytes / 1024 + 16);

        // The Start menu entry starts the program; the desktop one only
        // when asked for.
        EXPECT_EQ(shortcut_target(start_menu_folder() / L"Tavrill Driver Updater.lnk"),
                  (folder / L"TavrillDriverUpdater.exe").wstring());
        EXPECT_EQ(fs::exists(desktop_shortcut()), c.desktop_shortcut);
        if (c.desktop_shortcut)
            EXPECT_EQ(shortcut_target(desktop_shortcut()), (folder / L"TavrillDriverUpdater.exe").wstring());

        // The installed program starts as at logon and ends cleanly, having
        // taken the installer's language as its own.
        boot_run_t run = run_program_at_boot(folder / L"TavrillDriverUpdater.exe");
        EXPECT_EQ(run.exit_code, 0) << "message box: " << narrow(run.message_box);
        EXPECT_TRUE(run.message_box.empty());
        EXPECT_EQ(read_reg_text(HKEY_CURRENT_USER, settings_key, L"language"),
                  std::wstring(wide(installer_language_name(c.code))));

        // The console front end works from the installed folder.
        int cli_status = -1;
        std::string printed = in_folder(folder, [&] {
            return run_and_capture((folder / L"tdu-cli.exe").wstring(), L"environment", &cli_status);
        });
        EXPECT_EQ(cli_status, 0) << printed;
        EXPECT_NE(printed.find("program path:      " + narrow((folder / L"tdu-cli.exe").wstring())), std::string::npos)
            << printed;
        // The installed build knows its system: 64-bit for the x64 setup.
        EXPECT_NE(printed.find(std::string("64-bit system:     ") + (this_architecture().system_is_64bit ? "yes" : "no")),
                  std::string::npos)
            << printed;
    }
}

TEST_F(Setup, SilentUninstallRemovesTheProgramAndKeepsTheUsersData)
{
    ASSERT_EQ(install(L"/S /LANG=1 /DESKTOP"), 0);
    use_the_program();
    // What the program's settings add: start at logon and the weekly scan.
    write_reg_text(HKEY_CURRENT_USER, run_key, run_value, (folder / L"TavrillDriverUpdater.exe").wstring());
    ASSERT_TRUE(create_scan_task(folder / L"TavrillDriverUpdater.exe"));
    ASSERT_TRUE(scan_task_exists());

    ASSERT_EQ(uninstall_silently(folder), 0);

    for (const auto& [name, built] : program_files) EXPECT_FALSE(fs::exists(folder / name)) << narrow(name);
    EXPECT_FALSE(fs::exists(folder / L"uninstall.exe"));
    EXPECT_FALSE(fs::exists(start_menu_folder()));
    EXPECT_FALSE(fs::exists(desktop_shortcut()));
    EXPECT_FALSE(reg_key_exists(HKEY_LOCAL_MACHINE, uninstall_key));
    EXPECT_FALSE(reg_key_exists(HKEY_CURRENT_USER, init_key));
    EXPECT_FALSE(read_reg_text(HKEY_CURRENT_USER, run_key, run_value));
    EXPECT_FALSE(scan_task_exists());

    // Backups, downloads and settings are the user's: a silent run keeps
    // them all.
    EXPECT_EQ(read_reg_text(HKEY_CURRENT_USER, settings_key, L"language"), L"English");
    expect_user_data_kept();
}

TEST_F(Setup, UninstallWithoutUserDataLeavesNoFolderBehind)
{
    ASSERT_EQ(install(L"/S /LANG=1"), 0);
    ASSERT_EQ(uninstall_silently(folder), 0);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_FALSE(reg_key_exists(HKEY_LOCAL_MACHINE, uninstall_key));
}

TEST_F(Setup, InstallingAgainOverAnInstalledCopyKeepsSettingsAndBackups)
{
    ASSERT_EQ(install(L"/S /LANG=4"), 0);
    use_the_program();
    // Stands for an older version's file: the upgrade replaces it.
    std::ofstream(folder / L"language.ini", std::ios::binary) << "[English]\n";

    write_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"DisplayVersion", L"4.1.0.3");

    ASSERT_EQ(install(L"/S /LANG=2"), 0);

    expect_user_data_kept();
    // The program chose its language on its first run; an upgrade leaves it.
    EXPECT_EQ(read_reg_text(HKEY_CURRENT_USER, settings_key, L"language"), L"Français");
    for (const auto& [name, built] : program_files) EXPECT_EQ(file_bytes(folder / name), file_bytes(built)) << narrow(name);
    EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"DisplayVersion"), L"4.2.0.1");
}

TEST_F(Setup, AnUpgradeGoesIntoTheFolderOfTheInstalledCopy)
{
    const fs::path chosen = program_files_folder().parent_path() / L"Tools" / L"TDU";
    ASSERT_EQ(install(L"/S /LANG=1 /D=" + chosen.wstring()), 0);
    ASSERT_TRUE(fs::exists(chosen / L"TavrillDriverUpdater.exe"));
    fs::remove(chosen / L"tdu-cli.exe");

    ASSERT_EQ(install(L"/S /LANG=1"), 0);
    EXPECT_TRUE(fs::exists(chosen / L"tdu-cli.exe"));
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"InstallLocation"), chosen.wstring());

    EXPECT_EQ(uninstall_silently(chosen), 0);
    EXPECT_FALSE(fs::exists(chosen));
    std::error_code ignored;
    fs::remove_all(chosen.parent_path(), ignored);
}

TEST_F(Setup, NeitherSetupNorUninstallerRunsWhileTheProgramRuns)
{
    // The running program's single-instance mutex.
    HANDLE mutex = CreateMutexW(nullptr, TRUE, wide(program_title));
    ASSERT_TRUE(mutex);
    EXPECT_EQ(install(L"/S /LANG=1"), 2);
    EXPECT_FALSE(fs::exists(folder)) << listing(folder);
    EXPECT_FALSE(reg_key_exists(HKEY_CURRENT_USER, init_key));
    EXPECT_FALSE(reg_key_exists(HKEY_LOCAL_MACHINE, uninstall_key));
    CloseHandle(mutex);

    ASSERT_EQ(install(L"/S /LANG=1"), 0);
    mutex = CreateMutexW(nullptr, TRUE, wide(program_title));
    // Run in place ("_?="), so its refusal is its own exit status.
    EXPECT_EQ(run_and_wait((folder / L"uninstall.exe").wstring(), L"/S _?=" + folder.wstring()), 2);
    CloseHandle(mutex);
    for (const auto& [name, built] : program_files) EXPECT_TRUE(fs::exists(folder / name)) << narrow(name);
    EXPECT_TRUE(reg_key_exists(HKEY_LOCAL_MACHINE, uninstall_key));
    EXPECT_TRUE(fs::exists(start_menu_folder() / L"Tavrill Driver Updater.lnk"));
}

TEST_F(Setup, AnUnknownLanguageCodeInstallsNothing)
{
    for (const wchar_t* arguments : {L"/S /LANG=0", L"/S /LANG=12", L"/S /LANG=de", L"/S /LANG=", L"/S /LANG=02"}) {
        SCOPED_TRACE(narrow(arguments));
        EXPECT_EQ(install(arguments), 2);
        EXPECT_FALSE(fs::exists(folder));
        EXPECT_FALSE(reg_key_exists(HKEY_CURRENT_USER, init_key));
        EXPECT_FALSE(reg_key_exists(HKEY_LOCAL_MACHINE, uninstall_key));
    }
}

// The manifest a program carries, as Windows reads it before starting it.
std::string manifest_of(const fs::path& exe)
{
    std::string text;
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return text;
    if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)))
        if (HGLOBAL data = LoadResource(module, found))
            text.assign(static_cast<const char*>(LockResource(data)), SizeofResource(module, found));
    FreeLibrary(module);
    return text;
}

std::wstring product_version_of(const fs::path& exe)
{
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeW(exe.c_str(), &ignored));
    if (info.empty() || !GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data())) return L"";
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &size) || !fixed) return L"";
    return std::to_wstring(HIWORD(fixed->dwProductVersionMS)) + L"." + std::to_wstring(LOWORD(fixed->dwProductVersionMS)) +
           L"." + std::to_wstring(HIWORD(fixed->dwProductVersionLS)) + L"." +
           std::to_wstring(LOWORD(fixed->dwProductVersionLS));
}

// Windows asks for administrator rights before either program starts (Wine
// does not ask, so the manifests are read here).
TEST_F(Setup, SetupAndUninstallerAskForAdministratorRights)
{
    EXPECT_NE(manifest_of(setup_exe).find("requireAdministrator"), std::string::npos) << manifest_of(setup_exe);
    EXPECT_EQ(product_version_of(setup_exe), L"4.2.0.1");
    ASSERT_EQ(install(L"/S /LANG=1"), 0);
    EXPECT_NE(manifest_of(folder / L"uninstall.exe").find("requireAdministrator"), std::string::npos);
}

// A setup program made with a packager folder holding the driver package
// installers and the updater (tests/installer/CMakeLists.txt).
TEST_F(Setup, ThePackagersFilesAreInstalledBesideTheProgramAndRemovedWithIt)
{
    const fs::path packager = TDU_PACKAGER_FIXTURE;
    const std::vector<std::wstring> added = {L"DPInst32.exe", L"DPInst64.exe", L"update\\update.exe"};
    ASSERT_EQ(run_and_wait(TDU_PACKAGED_SETUP_EXE, L"/S /LANG=1"), 0);
    for (const std::wstring& name : added) EXPECT_EQ(file_bytes(folder / name), file_bytes(packager / name)) << narrow(name);
    EXPECT_FALSE(fs::exists(folder / L"README.md"));

    ASSERT_EQ(uninstall_silently(folder), 0);
    EXPECT_FALSE(fs::exists(folder));
}

} // namespace
