// tdu-cli.exe backup and restore end to end under Wine: the backup machine
// imported into the prefix's registry with its INF files and old-style
// store in the prefix's Windows folder, the program run as a copy in a
// folder of its own under a name whose Wine version is Windows XP (before
// Windows Vista the store is the DRVSTORE folder, which Wine has), and a
// stand-in "DPInst32.exe" (x64: "DPInst64.exe") beside it (a copy of this test program) that
// records its command line.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/win32_text.h"
#include "devices/machine_registry.h"
#include "prefix_store_win32.h"
#include "program_keys_win32.h"
#include "support/architecture.h"
#include "support/child_process_win32.h"
#include "support/test_support.h"

using namespace tdu::test;
namespace fs = std::filesystem;

namespace {

constexpr wchar_t xp_program_name[] = L"tdu_cli_backup_xp.exe";
constexpr wchar_t dpinst_record[] = L"dpinst_command_line.txt";

int run_dpinst_stand_in()
{
    return record_command_line((fs::path(own_path()).parent_path() / dpinst_record).wstring());
}

bool ends_with(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class TduCliBackup : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        registry = std::make_unique<machine_registry_c>(load_machine(data_dir() / "backup" / "backup_machine.ini"));
        store = std::make_unique<prefix_store_c>();
        ASSERT_TRUE(set_wine_program_version(xp_program_name, L"winxp"));
        // Start-up looks up the scan-share host: an address literal makes
        // no network traffic.
        suite_dir = std::make_unique<temp_dir_c>();
        fs::path endpoints = suite_dir->path() / "endpoints.ini";
        write_file(endpoints, "mirror1 = http://127.0.0.1:9/\nmirror2 = http://127.0.0.1:9/\n"
                              "mirror3 = http://127.0.0.1:9/\nscan_share_host = 8.8.4.4\n");
        SetEnvironmentVariableW(L"TDU_ENDPOINTS", endpoints.wstring().c_str());
    }
    static void TearDownTestSuite()
    {
        SetEnvironmentVariableW(L"TDU_ENDPOINTS", nullptr);
        set_wine_program_version(xp_program_name, nullptr);
        reset_program_keys(false);
        store.reset();
        registry.reset();
        suite_dir.reset();
    }
    // Each test's program runs for the first time: the backup folder it
    // saves in its settings is its own.
    void SetUp() override
    {
        ASSERT_TRUE(registry->ok()) << registry->error();
        reset_program_keys(true);
    }

    // The program, its language file and the stand-in installer in the
    // test's folder, under `name`.
    fs::path install_program(const wchar_t* name)
    {
        fs::path built(TDU_CLI_EXE);
        fs::path program = folder.path() / name;
        fs::copy_file(built, program);
        fs::copy_file(built.parent_path() / "language.ini", folder.path() / "language.ini");
        fs::copy_file(own_path(), folder.path() / tdu::test::this_architecture().driver_installer);
        return program;
    }

    // The first entry of the catalogue a backup run wrote becomes one an
    // installation took before it replaced the package, as the program
    // writes it.
    bool mark_first_entry_before_update()
    {
        fs::path backups = folder.path() / "backup";
        fs::rename(backups / "ACME-LAN--Gigabit.zip", backups / "ACME-LAN--Gigabit-2.1.0.7-before-update.zip");
        std::string catalogue = read_file(folder.path() / "backup.xml");
        const std::string first = "<driver>\r\n\t\t<file>\r\n\t\t\t<![CDATA[ACME-LAN--Gigabit.zip]]>";
        const size_t at = catalogue.find(first);
        if (at == std::string::npos) return false;
        catalogue.replace(at, first.size(),
                          "<driver before_update=\"1\" replaced_by=\"acmelan.inf (acme-3.0.zip)\">\r\n\t\t<file>\r\n"
                          "\t\t\t<![CDATA[ACME-LAN--Gigabit-2.1.0.7-before-update.zip]]>");
        write_file(folder.path() / "backup.xml", catalogue);
        return true;
    }

    static std::unique_ptr<machine_registry_c> registry;
    static std::unique_ptr<prefix_store_c> store;
    static std::unique_ptr<temp_dir_c> suite_dir;
    temp_dir_c folder;
};

std::unique_ptr<machine_registry_c> TduCliBackup::registry;
std::unique_ptr<prefix_store_c> TduCliBackup::store;
std::unique_ptr<temp_dir_c> TduCliBackup::suite_dir;

TEST_F(TduCliBackup, BacksUpEveryPackageAndRestoresOneArchive)
{
    fs::path program = install_program(xp_program_name);
    int code = -1;
    std::vector<std::string> out = text_lines(run_and_capture(program.wstring(), L"backup", &code));
    EXPECT_EQ(code, 0);
    // The vendor packages only (before Windows Vista), into the default
    // backup folder beside the program.
    ASSERT_EQ(out.size(), 4u) << testing::PrintToString(out);
    EXPECT_EQ(out[0], "The selected drivers have been backed up.");
    EXPECT_TRUE(out[1].rfind("archive: ", 0) == 0 && ends_with(out[1], "\\backup\\ACME-LAN--Gigabit.zip")) << out[1];
    EXPECT_TRUE(out[2].rfind("archive: ", 0) == 0 && ends_with(out[2], "\\backup\\Vendor-HD-Audio.zip")) << out[2];
    EXPECT_TRUE(out[3].rfind("catalogue: ", 0) == 0 && ends_with(out[3], "\\backup.xml")) << out[3];
    fs::path backups = folder.path() / "backup";
    fs::path store_folder = fs::path(system_folder()) / "DRVSTORE" / "acmelan_4f1c2a90";
    EXPECT_TRUE(fs::exists(backups / "Vendor-HD-Audio.zip"));
    std::string catalogue = read_file(folder.path() / "backup.xml");
    EXPECT_NE(catalogue.find("<![CDATA[ACME-LAN--Gigabit.zip]]>"), std::string::npos) << catalogue;
    EXPECT_NE(catalogue.find("<![CDATA[Vendor-HD-Audio.zip]]>"), std::string::npos) << catalogue;

    // The restore unpacks beside the archive and starts the installer with
    // forced installation on that folder; the installer runs on its own.
    std::string restored = run_and_capture(program.wstring(), L"restore ACME-LAN--Gigabit.zip", &code);
    EXPECT_EQ(code, 0) << restored;
    EXPECT_NE(restored.find("restored: ACME-LAN--Gigabit.zip"), std::string::npos) << restored;
    EXPECT_EQ(read_file(backups / "ACME-LAN--Gigabit" / "acmelan.inf"), read_file(store_folder / "acmelan.inf"));
    fs::path record = folder.path() / dpinst_record;
    std::string command_line = wait_for_record(record.wstring());
    EXPECT_NE(command_line.find("/SH /F /PATH \"" + (backups / "ACME-LAN--Gigabit").string() + "\""),
              std::string::npos)
        << command_line;
}

TEST_F(TduCliBackup, ARestoreOfAnUnknownOrBrokenArchiveFailsAndStartsNoInstaller)
{
    fs::path program = install_program(xp_program_name);
    int code = -1;
    run_and_capture(program.wstring(), L"backup", &code);
    ASSERT_EQ(code, 0);
    fs::path backups = folder.path() / "backup";

    std::string out = run_and_capture(program.wstring(), L"restore Missing.zip", &code);
    EXPECT_EQ(code, 1);
    EXPECT_NE(out.find("The backup catalogue has no archive \"Missing.zip\"."), std::string::npos) << out;

    write_file(backups / "Vendor-HD-Audio.zip", "no archive at all");
    out = run_and_capture(program.wstring(), L"restore Vendor-HD-Audio.zip", &code);
    EXPECT_EQ(code, 1);
    EXPECT_NE(out.find("cannot be unpacked"), std::string::npos) << out;
    Sleep(500);
    EXPECT_FALSE(fs::exists(folder.path() / dpinst_record));
}

TEST_F(TduCliBackup, WithNoPackageFoundTheBackupFailsAndWritesNothing)
{
    // Under the prefix's own version the store lookup locates nothing.
    fs::path program = install_program(L"tdu_cli_backup_default.exe");
    int code = -1;
    std::string out = run_and_capture(program.wstring(), L"backup", &code);
    EXPECT_EQ(code, 1);
    EXPECT_NE(out.find("Please select at least one driver to back up."), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(folder.path() / "backup.xml"));

    out = run_and_capture(program.wstring(), L"restore ACME-LAN--Gigabit.zip", &code);
    EXPECT_EQ(code, 1);
    EXPECT_NE(out.find("No driver backups were found."), std::string::npos) << out;
}

// tdu-cli rollback DEVICE restores the backup taken before the program
// updated the device (an entry marked so in the catalogue): unpacked beside
// it, the installer forced on it. With its archive damaged or missing it
// says so, exits with 1 and starts no installer.
TEST_F(TduCliBackup, RollbackRestoresTheBackupTakenBeforeAnUpdateAndNothingWithoutItsArchive)
{
    fs::path program = install_program(xp_program_name);
    int code = -1;
    run_and_capture(program.wstring(), L"backup", &code);
    ASSERT_EQ(code, 0);
    fs::path backups = folder.path() / "backup";
    ASSERT_TRUE(mark_first_entry_before_update());
    const std::wstring device = L"rollback PCI\\VEN_ACE1&DEV_0002&SUBSYS_00011AC3&REV_01";
    const std::wstring port1 = L"rollback PCI\\VEN_ACE1&DEV_0001&SUBSYS_00011AC3&REV_01";

    // Devices are named by their hardware ID, as "tdu-cli scan --json" gives
    // it. A device the program never updated has nothing to roll back to.
    std::string out = run_and_capture(program.wstring(), L"rollback PCI\\VEN_ACE2&DEV_0A10&SUBSYS_0A101AC3&REV_02", &code);
    EXPECT_EQ(code, 1);
    EXPECT_NE(out.find("There is no backup of this device's previous driver"), std::string::npos) << out;

    // A damaged archive: said, no installer.
    const std::string archive = read_file(backups / "ACME-LAN--Gigabit-2.1.0.7-before-update.zip");
    write_file(backups / "ACME-LAN--Gigabit-2.1.0.7-before-update.zip", "PK\x03\x04 damaged");
    out = run_and_capture(program.wstring(), port1, &code);
    EXPECT_EQ(code, 1);
    EXPECT_NE(out.find("its archive is damaged. Nothing was changed."), std::string::npos) << out;
    Sleep(500);
    EXPECT_FALSE(fs::exists(folder.path() / dpinst_record));

    // Whole again, but a roll-back is an installation: where no restore
    // point can be made (Wine's System Restore makes none) nothing starts
    // without the switch.
    write_file(backups / "ACME-LAN--Gigabit-2.1.0.7-before-update.zip", archive);
    out = run_and_capture(program.wstring(), port1, &code);
    EXPECT_EQ(code, 1) << out;
    EXPECT_NE(out.find(": not rolled back, no system restore point could be made"), std::string::npos) << out;
    EXPECT_NE(out.find("\"tdu-cli rollback --no-restore-point DEVICE\""), std::string::npos) << out;
    Sleep(500);
    EXPECT_FALSE(fs::exists(folder.path() / dpinst_record));

    // With it: restored, the installer forced on the unpacked folder.
    out = run_and_capture(program.wstring(), L"rollback --no-restore-point PCI\\VEN_ACE1&DEV_0001&SUBSYS_00011AC3&REV_01",
                          &code);
    EXPECT_EQ(code, 0) << out;
    EXPECT_NE(out.find("rolled back: ACME-LAN--Gigabit-2.1.0.7-before-update.zip"), std::string::npos) << out;
    fs::path record = folder.path() / dpinst_record;
    std::string command_line = wait_for_record(record.wstring());
    EXPECT_NE(command_line.find("/SH /F /PATH \"" + (backups / "ACME-LAN--Gigabit-2.1.0.7-before-update").string() + "\""),
              std::string::npos)
        << command_line;
    fs::path store_folder = fs::path(system_folder()) / "DRVSTORE" / "acmelan_4f1c2a90";
    EXPECT_EQ(read_file(backups / "ACME-LAN--Gigabit-2.1.0.7-before-update" / "acmelan.inf"),
              read_file(store_folder / "acmelan.inf"));

    // The archive gone: the entry is no way back any more; nothing starts.
    fs::remove(record);
    fs::remove(backups / "ACME-LAN--Gigabit-2.1.0.7-before-update.zip");
    out = run_and_capture(program.wstring(), device, &code);
    EXPECT_EQ(code, 1);
    EXPECT_NE(out.find("or its archive is missing. Nothing was changed."), std::string::npos) << out;
    Sleep(500);
    EXPECT_FALSE(fs::exists(record));
    // The catalogue was not rewritten by the refusal.
    EXPECT_NE(read_file(folder.path() / "backup.xml").find("before_update=\"1\""), std::string::npos);
}

// From Windows 10 on the roll-back installs through the system's pnputil
// (a stand-in: this test program under that name in the system folder,
// since Wine has none), waits for it and says what it answered: a failure
// with its code and exit code 1, never as a success.
TEST_F(TduCliBackup, FromWindows10ARollBackSaysWhatPnputilAnswered)
{
    fs::path program = install_program(xp_program_name);
    int code = -1;
    run_and_capture(program.wstring(), L"backup", &code);
    ASSERT_EQ(code, 0);
    ASSERT_TRUE(mark_first_entry_before_update());
    // The same program as Windows 10, in the same folder (catalogue and
    // backups are the same).
    const wchar_t* win10_name = L"tdu_cli_backup_win10.exe";
    fs::copy_file(program, folder.path() / win10_name);
    ASSERT_TRUE(set_wine_program_version(win10_name, L"win10"));
    const fs::path pnputil = fs::path(system_folder()) / "pnputil.exe";
    ASSERT_FALSE(fs::exists(pnputil)) << "the prefix has a pnputil of its own";
    fs::copy_file(own_path(), pnputil);
    const fs::path record = folder.path() / "pnputil_calls.txt";
    SetEnvironmentVariableW(pnputil_record_variable, record.wstring().c_str());
    const std::wstring rollback = L"rollback --no-restore-point PCI\\VEN_ACE1&DEV_0001&SUBSYS_00011AC3&REV_01";

    SetEnvironmentVariableW(pnputil_exit_code_variable, L"0xE0000247");
    const std::string failed = run_and_capture((folder.path() / win10_name).wstring(), rollback, &code);
    const int failed_code = code;
    const std::string failed_calls = read_file(record);
    SetEnvironmentVariableW(pnputil_exit_code_variable, L"0");
    const std::string installed = run_and_capture((folder.path() / win10_name).wstring(), rollback, &code);
    const int installed_code = code;
    const std::string calls = read_file(record);

    SetEnvironmentVariableW(pnputil_exit_code_variable, nullptr);
    SetEnvironmentVariableW(pnputil_record_variable, nullptr);
    fs::remove(pnputil);
    set_wine_program_version(win10_name, nullptr);

    EXPECT_EQ(failed_code, 1) << failed;
    EXPECT_NE(failed.find("its driver was not installed: the installer failed (code 0xE0000247)."), std::string::npos)
        << failed;
    EXPECT_EQ(failed.find("rolled back:"), std::string::npos) << failed;
    const std::string unpacked = (folder.path() / "backup" / "ACME-LAN--Gigabit-2.1.0.7-before-update").string();
    EXPECT_NE(failed_calls.find("pnputil.exe\" /add-driver \"" + unpacked + "\\*.inf\" /install"), std::string::npos)
        << failed_calls;
    EXPECT_EQ(installed_code, 0) << installed;
    EXPECT_NE(installed.find("The driver from the backup has been installed."), std::string::npos) << installed;
    EXPECT_NE(installed.find("rolled back: ACME-LAN--Gigabit-2.1.0.7-before-update.zip"), std::string::npos) << installed;
    EXPECT_EQ(text_lines(calls).size(), 2u) << calls;
    EXPECT_FALSE(fs::exists(folder.path() / dpinst_record)) << "Windows 10 installs with pnputil";
}

} // namespace

int main(int argc, char** argv)
{
    if (_wcsicmp(fs::path(own_path()).filename().wstring().c_str(), tdu::test::this_architecture().driver_installer) == 0) return run_dpinst_stand_in();
    if (_wcsicmp(fs::path(own_path()).filename().wstring().c_str(), L"pnputil.exe") == 0) return run_pnputil_stand_in();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
