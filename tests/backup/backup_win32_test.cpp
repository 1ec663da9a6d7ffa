// Backup and restore against Wine's real calls: the Setup API store lookup
// of the default prefix (Windows 7), and, in a copy of this program that the
// prefix runs as Windows XP, a whole backup and restore: the fixture machine
// is put into the registry and scanned through the real Setup API, its INF
// files and store folders are put into the prefix's "inf" and "DRVSTORE"
// folders, the archives and "backup.xml" are written to disk, and the
// restore starts a stand-in "DPInst32.exe" (x64: "DPInst64.exe") (another copy of this program)
// that records its command line.
#include "app/environment.h"
#include "backup/backup_archive.h"
#include "backup/backup_runs.h"
#include "backup/store_platform.h"
#include "backup_fixture.h"
#include "prefix_store_win32.h"
#include "common/file_tree.h"
#include "common/win32_text.h"
#include "devices/device_scan.h"
#include "devices/machine_registry.h"
#include "support/architecture.h"
#include "support/child_process_win32.h"
#include "support/recording_host.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <cstdio>
#include <fstream>
#include <sstream>

using namespace tdu;
using namespace tdu::test;
namespace fs = std::filesystem;

namespace {

const wchar_t dpinst_record[] = L"dpinst_command_line.txt";

// The stand-in installer: writes its command line beside itself.
int run_dpinst_stand_in()
{
    return record_command_line(fs::path(own_path()).parent_path().wstring() + L"\\" + dpinst_record);
}

// The probe, run as Windows XP: scans, locates, backs up every package and
// restores the first one, printing what it saw.
int run_xp_probe(const std::wstring& backups)
{
    // As the program does at start: its folder becomes the current directory,
    // which the environment takes for the program's folder.
    SetCurrentDirectoryW(fs::path(own_path()).parent_path().wstring().c_str());
    environment_t env;
    if (!environment_capture(env, win32_environment_source())) return 3;
    std::printf("version %d\n", static_cast<int>(os_version_number(env.version_info)));
    device_inventory_t inventory;
    scan_progress_t progress;
    if (!device_scan(inventory, win32_setup_api(), progress)) return 4;
    driver_store_t store;
    std::printf("init %d\n", init_driver_store(store, os_version_number(env.version_info), win32_store_platform()));

    std::vector<driver_package_t> packages;
    backup_catalogue_t catalogue;
    backup_services_t services{store, packages, catalogue, inventory, env, win32_shell(), u16(u16ptr(backups.c_str()))};
    backup_view_state_t view;
    backup_view_shown(view, services);
    std::vector<const device_t*> ticked;
    for (const driver_package_t& p : packages) {
        std::printf("package %s%s %d\n", utf16_to_utf8(p.folder_name).c_str(), p.inbox ? " inbox" : "",
                    static_cast<int>(p.devices.size()));
        ticked.push_back(p.devices.front());
    }
    test::recording_host_c host;
    if (!start_backup(view, ticked, host, services)) return 5;
    view.worker.wait();
    backup_tick(view, host);
    std::string boxes;
    for (const std::string& box : host.boxes) boxes += box;
    std::printf("backup %s %d\n", boxes.c_str(), static_cast<int>(view.job->progress.load()));

    std::vector<restore_item_t> items;
    if (fill_restore_list(items, services) != 0) return 6;
    restore_view_state_t restore;
    if (!start_restore(restore, &items.front(), host, services)) return 7;
    restore.worker.wait();
    std::printf("restore %s %d\n", utf16_to_utf8(items.front().text).c_str(),
                static_cast<int>(restore.worker.take_result().value_or(worker_result_t{-1, 0}).status));
    return 0;
}

} // namespace

TEST(BackupWin32, TheDefaultPrefixHasTheStoreCallButItLocatesNothing)
{
    driver_store_t store;
    ASSERT_EQ(init_driver_store(store, 61, win32_store_platform()), 0);
    u16 windows = u16ptr(windows_folder().c_str());
    EXPECT_EQ(store.inf_folder, windows + u"\\inf");
    EXPECT_EQ(store.driver_store_root, windows + u"\\System32\\DriverStore\\FileRepository");
    EXPECT_EQ(store.lookup, driver_store_t::lookup_setup_api);

    // Wine exports SetupGetInfDriverStoreLocationW but does not implement
    // it: every lookup fails with ERROR_CALL_NOT_IMPLEMENTED, so no package
    // is located, and nothing else goes wrong.
    char16_t buffer[260] = {};
    uint32_t required = 0;
    EXPECT_FALSE(locate_inf_in_store(store, u"oem905.inf", nullptr, nullptr, buffer, 260, &required));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));

    device_inventory_t inventory;
    scan_backup_machine(inventory);
    std::vector<driver_package_t> packages;
    build_driver_packages(packages, store, inventory);
    EXPECT_TRUE(packages.empty());
}

TEST(BackupWin32, AFileLockedByAnotherProgramFailsTheArchiveAndKeepsTheOlderOne)
{
    temp_dir_c dir;
    write_file(dir.path() / "pkg" / "a.inf", "[Version]\r\n");
    write_file(dir.path() / "pkg" / "a.sys", "MZ");
    write_file(dir.path() / "A.zip", "the older archive");
    HANDLE locked = CreateFileW((dir.path() / "pkg" / "a.sys").wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    std::atomic<int32_t> progress{0};
    EXPECT_EQ(write_package_archive(program_path(dir.path() / "pkg"), program_path(dir.path() / "A.zip"), progress),
              -1);
    CloseHandle(locked);
    EXPECT_EQ(read_file(dir.path() / "A.zip"), "the older archive");
    EXPECT_FALSE(fs::exists(dir.path() / "A.zip.partial"));
}

TEST(BackupWin32, AWholeBackupAndRestoreOnWindowsXp)
{
    machine_registry_c registry(load_machine(data_dir() / "backup" / "backup_machine.ini"));
    ASSERT_TRUE(registry.ok()) << registry.error();
    prefix_store_c prefix_store;

    temp_dir_c dir;
    fs::path program = dir.path() / "program", backups = dir.path() / "backups";
    fs::create_directories(program);
    const std::wstring probe_name = L"tdu_backup_xp_probe.exe";
    ASSERT_TRUE(CopyFileW(own_path().c_str(), (program / probe_name).wstring().c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(own_path().c_str(), (program / tdu::test::this_architecture().driver_installer).wstring().c_str(), FALSE));
    ASSERT_TRUE(tdu::test::set_wine_program_version(probe_name, L"winxp"));
    std::string out =
        run_and_capture((program / probe_name).wstring(), L"--xp-backup-probe \"" + backups.wstring() + L"\"");
    tdu::test::set_wine_program_version(probe_name, nullptr);

    // Before Windows Vista only vendor packages are offered: the inbox
    // adapter is not, nor the adapter whose installed INF differs from the
    // store's copy.
    EXPECT_EQ(text_lines(out), (std::vector<std::string>{
                                 "version 51",
                                 "init 0",
                                 "package acmelan_4f1c2a90 2",
                                 "package vsnd_7d2e11b0 1",
                                 "backup backup_completed/0 200",
                                 "restore ACME-LAN--Gigabit.zip 0",
                             }));

    // The archive holds the store folder's files with their times.
    fs::path store = fs::path(system_folder()) / "DRVSTORE" / "acmelan_4f1c2a90";
    std::vector<read_entry_t> entries = read_archive(program_path(backups / "ACME-LAN--Gigabit.zip"));
    std::vector<std::string> names;
    for (const read_entry_t& e : entries) {
        names.push_back(e.name);
        fs::path file = store / e.name;
        EXPECT_EQ(e.data, read_file(file)) << e.name;
        local_time_t t;
        ASSERT_TRUE(file_last_write_time(program_path(file), t));
        EXPECT_EQ(e.dos_date, dos_date_time(t)) << e.name;
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"acmelan.cat", "acmelan.inf", "acmelan.sys", "x86/acmecoin.dll"}));

    // The catalogue in the program's folder.
    std::string catalogue = read_file(program / "backup.xml");
    EXPECT_EQ(catalogue.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<velmor>\r\n\t<driver>\r\n", 0), 0u);
    EXPECT_NE(catalogue.find("<![CDATA[ACME-LAN--Gigabit.zip]]>"), std::string::npos);
    EXPECT_NE(catalogue.find("<![CDATA[Vendor-HD-Audio.zip]]>"), std::string::npos);
    EXPECT_NE(catalogue.find("<![CDATA[PCI\\VEN_ACE1&DEV_0002&SUBSYS_00011AC3&REV_01]]>"), std::string::npos);

    // The restore unpacked beside the archive and started the installer,
    // which runs on its own: wait for its record.
    EXPECT_EQ(read_file(backups / "ACME-LAN--Gigabit" / "acmelan.inf"), read_file(store / "acmelan.inf"));
    fs::path record = program / dpinst_record;
    std::string command_line = wait_for_record(record.wstring());
    EXPECT_NE(command_line.find(tdu::test::this_architecture().driver_installer_name), std::string::npos) << command_line;
    EXPECT_NE(command_line.find("/SH /F /PATH \"" + (backups / "ACME-LAN--Gigabit").string() + "\""),
              std::string::npos)
        << command_line;
}

int main(int argc, char** argv)
{
    if (_wcsicmp(fs::path(own_path()).filename().wstring().c_str(), tdu::test::this_architecture().driver_installer) == 0) return run_dpinst_stand_in();
    if (argc == 3 && std::string(argv[1]) == "--xp-backup-probe") {
        int wargc = 0;
        wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
        return run_xp_probe(wargc == 3 ? wargv[2] : L"");
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
