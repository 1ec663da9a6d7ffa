// The setup program and its uninstaller, built by the Windows build, run
// silently in the Wine prefix: what they put where the program and the
// system look for it, what they take away and what they leave to the user.
#include "setup_machine_win32.h"

#include "common/program_title.h"
#include "app/endpoints.h"
#include "app/settings.h"
#include "common/win32_text.h"
#include "support/architecture.h"
#include "support/child_process_win32.h"
#include "tdu_version.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cwchar>
#include <fstream>
#include <set>
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

// What the temporary folder holds that the uninstaller may leave: the
// installer system's "~nsu*.tmp" folders and its "ns*.tmp" files.
std::set<std::wstring> temporary_leftovers()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::set<std::wstring> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(temp, ignored)) {
        std::wstring name = entry.path().filename().wstring();
        if (name.rfind(L"~nsu", 0) == 0 || (name.rfind(L"ns", 0) == 0 && entry.path().extension() == L".tmp"))
            names.insert(name);
    }
    return names;
}

// Whether the temporary folder is back to `before`, looking for up to 40 s.
bool temporary_folder_back_to(const std::set<std::wstring>& before)
{
    for (int i = 0; i < 400 && temporary_leftovers() != before; ++i) Sleep(100);
    return temporary_leftovers() == before;
}

const std::wstring setup_exe = TDU_SETUP_EXE;
const std::wstring settings_key = wide(settings_key_path);
const std::wstring init_key = wide(installer_key_path);
const std::wstring run_key = wide(run_key_path);
const std::wstring run_value = wide(run_value_name);
// The endpoint override an administrator sets for every account.
const std::wstring machine_key = wide(machine_endpoints_key);
const std::wstring machine_value = wide(machine_endpoints_value);

// The files of the build that the setup program carries.
const std::vector<std::pair<std::wstring, fs::path>> program_files = {
    {L"TavrillDriverUpdater.exe", TDU_PROGRAM_EXE},
    {L"tdu-cli.exe", TDU_CLI_EXE},
    {L"language.ini", TDU_LANGUAGE_INI},
    {L"update\\update.exe", TDU_UPDATER_EXE},
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
    EXPECT_EQ(name, std::wstring(L"TavrillDriverUpdater-Setup-" TDU_VERSION_TEXT) + this_architecture().setup_suffix + L".exe");
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
        EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"DisplayVersion"), L"" TDU_VERSION_TEXT);
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
    write_reg_dword(HKEY_CURRENT_USER, settings_key, L"autorun", 1);
    ASSERT_TRUE(create_scan_task(folder / L"TavrillDriverUpdater.exe"));
    write_reg_dword(HKEY_CURRENT_USER, settings_key, L"scheduled_scan", 1);
    ASSERT_TRUE(scan_task_exists());
    write_reg_text(HKEY_LOCAL_MACHINE, machine_key, machine_value, L"http://127.0.0.1:1/update");

    const std::set<std::wstring> temporary = temporary_leftovers();
    ASSERT_EQ(uninstall_silently(folder), 0);
    // The copy it ran from the temporary folder goes too, once it has ended.
    EXPECT_TRUE(temporary_folder_back_to(temporary));

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
    // ...but not the two settings that stood for the Run entry and the task
    // just removed: a later installation shows both unticked, as they are.
    EXPECT_EQ(read_reg_dword(HKEY_CURRENT_USER, settings_key, L"autorun"), 0u);
    EXPECT_EQ(read_reg_dword(HKEY_CURRENT_USER, settings_key, L"scheduled_scan"), 0u);
    // The administrator's endpoint override is kept with the data.
    EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, machine_key, machine_value), L"http://127.0.0.1:1/update");
    SHDeleteValueW(HKEY_LOCAL_MACHINE, machine_key.c_str(), machine_value.c_str());
}

TEST_F(Setup, UninstallWithoutUserDataLeavesNoFolderBehind)
{
    ASSERT_EQ(install(L"/S /LANG=1"), 0);
    ASSERT_EQ(uninstall_silently(folder), 0);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_FALSE(reg_key_exists(HKEY_LOCAL_MACHINE, uninstall_key));
    // The program never ran: the uninstaller makes no settings key for it.
    EXPECT_FALSE(reg_key_exists(HKEY_CURRENT_USER, settings_key));
}

// Scripts and software management tools run the registered quiet command
// and read its exit status: it waits until the uninstall is done and says
// whether it was.
TEST_F(Setup, TheRegisteredQuietUninstallWaitsAndReportsItsStatus)
{
    ASSERT_EQ(install(L"/S /LANG=1"), 0);
    use_the_program();

    HANDLE mutex = CreateMutexW(nullptr, TRUE, wide(program_title));
    ASSERT_TRUE(mutex);
    EXPECT_EQ(run_quiet_uninstall_command(), 2) << "refused while the program runs";
    CloseHandle(mutex);
    for (const auto& [name, built] : program_files) EXPECT_TRUE(fs::exists(folder / name)) << narrow(name);
    EXPECT_TRUE(fs::exists(folder / L"uninstall.exe"));
    EXPECT_TRUE(reg_key_exists(HKEY_LOCAL_MACHINE, uninstall_key));

    const std::set<std::wstring> temporary = temporary_leftovers();
    EXPECT_EQ(run_quiet_uninstall_command(), 0);
    // Done when it returns: nothing of the program is left, the data is;
    // the uninstaller's own file goes as soon as it has ended.
    for (const auto& [name, built] : program_files) EXPECT_FALSE(fs::exists(folder / name)) << narrow(name);
    EXPECT_FALSE(reg_key_exists(HKEY_LOCAL_MACHINE, uninstall_key));
    EXPECT_FALSE(fs::exists(start_menu_folder()));
    expect_user_data_kept();
    EXPECT_TRUE(gone_soon(folder / L"uninstall.exe")) << listing(folder);
    EXPECT_TRUE(temporary_folder_back_to(temporary));

    // Without data the folder goes as well.
    remove_every_trace();
    ASSERT_EQ(install(L"/S /LANG=1"), 0);
    EXPECT_EQ(run_quiet_uninstall_command(), 0);
    EXPECT_FALSE(fs::exists(folder / L"TavrillDriverUpdater.exe"));
    EXPECT_TRUE(gone_soon(folder)) << listing(folder);
}

// /D= names the folder; one that cannot be used is refused before anything
// is written, instead of being replaced by the default folder or cut.
TEST_F(Setup, AFolderSwitchThatCannotBeUsedInstallsNothing)
{
    const std::wstring long_folder = program_files_folder().wstring() + L"\\" + std::wstring(1214, L'x');
    const std::wstring too_long = L"C:\\" + std::wstring(198, L'y');  // 201 characters
    const std::vector<std::wstring> refused = {
        L"Tools\\TDU",     // relative
        L"C:\\",           // a drive's root
        L"C:",             // a drive alone
        L"C:\\Tools\\..",  // the root again
        L"C:\\Tools\\a|b", // a character no path holds
        long_folder,       // longer than the command line the setup reads
        too_long,
    };
    for (const std::wstring& given : refused) {
        SCOPED_TRACE(narrow(given.substr(0, 40)));
        EXPECT_EQ(install(L"/S /LANG=1 /D=" + given), 2);
        EXPECT_FALSE(fs::exists(folder)) << listing(folder);
        EXPECT_FALSE(reg_key_exists(HKEY_LOCAL_MACHINE, uninstall_key));
        EXPECT_FALSE(reg_key_exists(HKEY_CURRENT_USER, init_key));
        EXPECT_FALSE(fs::exists(L"C:\\Tools"));
    }
    // 200 characters, named with "..", are taken as the folder they name.
    const fs::path longest = L"C:\\" + std::wstring(197, L'z');
    ASSERT_EQ(install(L"/S /LANG=1 /D=C:\\Tools\\..\\" + longest.filename().wstring()), 0);
    EXPECT_TRUE(fs::exists(longest / L"TavrillDriverUpdater.exe"));
    EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"InstallLocation"), longest.wstring());
    EXPECT_EQ(uninstall_silently(longest), 0);
    std::error_code ignored;
    fs::remove_all(longest, ignored);
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
    EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"DisplayVersion"), L"" TDU_VERSION_TEXT);
}

// Installing again leaves one installation: the Start menu holds this
// installation's entries alone, a copy in another folder is removed first
// (its data kept there), and an older version does not silently replace a
// newer one.
TEST_F(Setup, InstallingAgainLeavesOneInstallation)
{
    ASSERT_EQ(install(L"/S /LANG=2"), 0);
    ASSERT_EQ(install(L"/S /LANG=1"), 0);
    std::set<std::wstring> links;
    for (const auto& entry : fs::directory_iterator(start_menu_folder())) links.insert(entry.path().filename().wstring());
    EXPECT_EQ(links, (std::set<std::wstring>{L"Tavrill Driver Updater.lnk", L"Uninstall Tavrill Driver Updater.lnk"}));

    use_the_program();
    const fs::path elsewhere = L"C:\\Tools\\TDU";
    ASSERT_EQ(install(L"/S /LANG=1 /D=" + elsewhere.wstring()), 0);
    EXPECT_TRUE(fs::exists(elsewhere / L"TavrillDriverUpdater.exe"));
    EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"InstallLocation"), elsewhere.wstring());
    for (const auto& [name, built] : program_files) EXPECT_FALSE(fs::exists(folder / name)) << narrow(name);
    EXPECT_TRUE(gone_soon(folder / L"uninstall.exe"));
    expect_user_data_kept();

    // 4.10 is newer than 4.2: a silent run refuses and writes nothing.
    write_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"DisplayVersion", L"4.10.0.0");
    std::ofstream(elsewhere / L"language.ini", std::ios::binary) << "[English]\n";  // the newer version's file
    EXPECT_EQ(install(L"/S /LANG=1"), 2);
    EXPECT_TRUE(file_bytes(elsewhere / L"language.ini") == "[English]\n") << "replaced by the older version's";
    EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"DisplayVersion"), L"4.10.0.0");

    std::error_code ignored;
    fs::remove_all(elsewhere.parent_path(), ignored);
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
    EXPECT_EQ(product_version_of(setup_exe), L"" TDU_VERSION_TEXT);
    ASSERT_EQ(install(L"/S /LANG=1"), 0);
    EXPECT_NE(manifest_of(folder / L"uninstall.exe").find("requireAdministrator"), std::string::npos);
}

// A text of a program's version resource, in its first language.
std::wstring version_text_of(const fs::path& exe, const std::wstring& name)
{
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeW(exe.c_str(), &ignored));
    if (info.empty() || !GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data())) return L"";
    WORD* translation = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &size) ||
        size < 4)
        return L"";
    wchar_t path[128];
    swprintf(path, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation[0], translation[1], name.c_str());
    wchar_t* text = nullptr;
    if (!VerQueryValueW(info.data(), path, reinterpret_cast<void**>(&text), &size) || !text) return L"";
    return text;
}

// EnumResourceNamesW's callback for icon_pictures_of: the pictures of the
// first icon group go into the set `param` points to.
BOOL CALLBACK first_icon_pictures(HMODULE m, LPCWSTR, LPWSTR name, LONG_PTR param)
{
    auto* found = reinterpret_cast<std::set<std::string>*>(param);
    HRSRC group = FindResourceW(m, name, MAKEINTRESOURCEW(14));
    const BYTE* dir = group ? static_cast<const BYTE*>(LockResource(LoadResource(m, group))) : nullptr;
    if (!dir) return FALSE;
    // GRPICONDIR: 6 bytes, then 14-byte entries ending in the id.
    WORD count = *reinterpret_cast<const WORD*>(dir + 4);
    for (WORD i = 0; i < count; ++i) {
        WORD id = *reinterpret_cast<const WORD*>(dir + 6 + 14 * i + 12);
        if (HRSRC icon = FindResourceW(m, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3)))  // RT_ICON
            found->insert(std::string(static_cast<const char*>(LockResource(LoadResource(m, icon))),
                                      SizeofResource(m, icon)));
    }
    return FALSE;  // the first group is the program's icon
}

// The pictures of a program's first icon (its first RT_GROUP_ICON), each
// as its bytes: the same set in two programs means the same icon.
std::set<std::string> icon_pictures_of(const fs::path& exe)
{
    std::set<std::string> pictures;
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return pictures;
    EnumResourceNamesW(module, MAKEINTRESOURCEW(14), first_icon_pictures,  // RT_GROUP_ICON
                       reinterpret_cast<LONG_PTR>(&pictures));
    FreeLibrary(module);
    return pictures;
}

// What Windows shows of the setup and the list of programs: the program's
// icon (also the uninstaller's), pages drawn for the system's DPI, the
// setup's own file name in its version, and the product's pages, the date
// and the help link in the Uninstall entry.
TEST_F(Setup, TheSetupAndItsEntryFollowWindowsConventions)
{
    const std::string manifest = manifest_of(setup_exe);
    EXPECT_NE(manifest.find("<dpiAware"), std::string::npos) << manifest;
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos) << manifest;
    EXPECT_EQ(version_text_of(setup_exe, L"OriginalFilename"), fs::path(setup_exe).filename().wstring());
    const std::set<std::string> program_icon = icon_pictures_of(TDU_PROGRAM_EXE);
    ASSERT_EQ(program_icon.size(), 4u);  // 16, 24, 32 and 48 pixels
    EXPECT_TRUE(icon_pictures_of(setup_exe) == program_icon) << "the setup shows the program's icon";

    ASSERT_EQ(install(L"/S /LANG=1"), 0);
    EXPECT_TRUE(icon_pictures_of(folder / L"uninstall.exe") == program_icon) << "the uninstaller too";
    EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"URLInfoAbout"), L"http://www.tavrill.com/driver-updater/");
    EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"HelpLink"),
              L"http://www.tavrill.com/help/driver-updater/");
    SYSTEMTIME today;
    GetLocalTime(&today);
    wchar_t date[16];
    swprintf(date, 16, L"%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
    EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"InstallDate"), std::wstring(date));
}

// A setup program made with a packager folder holding the driver package
// installers and a tool in a subfolder (tests/installer/CMakeLists.txt).
TEST_F(Setup, ThePackagersFilesAreInstalledBesideTheProgramAndRemovedWithIt)
{
    const fs::path packager = TDU_PACKAGER_FIXTURE;
    const std::vector<std::wstring> added = {L"DPInst32.exe", L"DPInst64.exe", L"tools\\tool.exe"};
    ASSERT_EQ(run_and_wait(TDU_PACKAGED_SETUP_EXE, L"/S /LANG=1"), 0);
    for (const std::wstring& name : added) EXPECT_EQ(file_bytes(folder / name), file_bytes(packager / name)) << narrow(name);
    EXPECT_FALSE(fs::exists(folder / L"README.md"));

    ASSERT_EQ(uninstall_silently(folder), 0);
    EXPECT_FALSE(fs::exists(folder));
}

} // namespace
