// The backup an installation takes of the drivers it replaces, and the
// roll-back to it: real archives and catalogue files over the fixture store,
// real restore workers, a recording shell in place of the driver installer.
#include "backup/update_backup.h"

#include "app/language.h"
#include "backup/backup_archive.h"
#include "backup_fixture.h"
#include "packages/fakes.h"
#include "support/test_support.h"
#include "system/restore_point_fake.h"

#include <gtest/gtest.h>

using namespace tdu;
using namespace tdu::test;
namespace fs = std::filesystem;

namespace {

std::string fixed_today() { return "2026-12-11"; }

// pnputil run through the process runner: each run noted in the order of
// the restore point's own calls (when given), answered as set.
class noting_processes_c final : public process_runner_c {
public:
    explicit noting_processes_c(test::recording_restore_point_c* order = nullptr) : order_(order) {}
    process_end_t end = process_end_t::ended;
    uint32_t exit_code = 0;
    std::vector<std::string> runs;

    process_result_t run_and_wait(u16view program, u16view arguments, uint32_t) override
    {
        runs.push_back(utf16_to_utf8(program) + "|" + utf16_to_utf8(arguments));
        if (order_) order_->note("pnputil");
        return {end, exit_code};
    }

private:
    test::recording_restore_point_c* order_;
};

class UpdateBackupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scan_backup_machine(inventory);
        u16 root = vista_store_root();
        // oem909.inf (the old adapter's) is not in the store.
        platform.store_paths = {
            {u"oem905.inf", root + u"\\acmelan.inf_x86_4f1c2a90\\acmelan.inf"},
            {u"oem907.inf", root + u"\\vsnd.inf_x86_7d2e11b0\\vsnd.inf"},
            {u"netace.inf", root + u"\\netace.inf_x86_11aa22bb\\netace.inf"},
        };
        ASSERT_EQ(init_driver_store(store, 61, platform), 0);
        fs::create_directories(dir.path() / "program");
        write_file(dir.path() / "program" / "DPInst32.exe", "the installer tool");
        copy_field(environment.program_folder, path_chars, program_path(dir.path() / "program") + u"\\");
        services.backup_folder = program_path(dir.path() / "backups");
    }

    u16 id(const char* prefix) { return u16(device_starting(inventory, prefix).device_id); }
    u16 port1() { return id("PCI\\VEN_ACE1&DEV_0001"); }
    u16 port2() { return id("PCI\\VEN_ACE1&DEV_0002"); }
    u16 sound() { return id("PCI\\VEN_ACE2"); }
    u16 old_adapter() { return id("PCI\\VEN_ACE4"); }
    u16 no_driver() { return id("PCI\\VEN_ACE5"); }

    // Windows 10: restores install with pnputil.
    void as_windows_10()
    {
        environment.version_info = os_version_t{10, 0, 19045, ver_platform_win32_nt};
        copy_field(environment.windows_folder, path_chars, u"C:\\Windows");
    }
    // A roll-back of `ids` run to its end, and what its timer said.
    std::vector<std::string> roll_back(restore_view_state_t& view, const std::vector<u16>& ids)
    {
        host.boxes.clear();
        if (!start_rollback(view, ids, host, services)) return host.boxes;
        view.worker.wait();
        // A Yes to the restore point question starts it again.
        while (rollback_tick(view, host, services) && view.worker.held()) view.worker.wait();
        return host.boxes;
    }

    // The backup before an installation of `replacing` over `ids`, run as the worker runs it.
    bool back_up(const std::vector<u16>& ids, const char16_t* replacing = u"acmelan.inf (acme-3.0.zip)")
    {
        update_backup_run_c run(&current_services);
        self = this;
        std::function<bool()> job = run.prepare(ids, replacing);
        return !job || job();
    }
    static backup_services_t current_services() { return self->services; }
    static UpdateBackupTest* self;

    fs::path backup_file(const char* name) const { return dir.path() / "backups" / name; }
    std::string saved_catalogue() { return read_file(dir.path() / "program" / "backup.xml"); }

    temp_dir_c dir;
    device_inventory_t inventory;
    fake_store_platform_c platform{vista_root()};
    driver_store_t store;
    std::vector<driver_package_t> packages;
    backup_catalogue_t catalogue;
    environment_t environment;
    recording_shell_c shell;
    backup_services_t services{store, packages, catalogue, inventory, environment, shell, u16(), fixed_today};
    test::recording_host_c host;
};

UpdateBackupTest* UpdateBackupTest::self = nullptr;

} // namespace

// One item per store folder, in the order of the row's devices; a device
// without a driver adds none, one whose package is not in the store adds
// one that fails.
TEST_F(UpdateBackupTest, TheItemsAreTheStoreFoldersOfTheDevicesInstalledDrivers)
{
    std::vector<update_backup_item_t> items =
        update_backup_items(services, {sound(), port1(), no_driver(), port2(), u"PCI\\VEN_FFFF\\gone"});
    ASSERT_EQ(items.size(), 2u);
    EXPECT_TRUE(items[0].located);
    EXPECT_EQ(items[0].item.title, u"Vendor-HD-Audio-6.0.1.5-before-update");
    EXPECT_EQ(items[0].item.devices.size(), 1u);
    EXPECT_EQ(items[1].item.title, u"ACME-LAN--Gigabit-2.1.0.7-before-update");
    EXPECT_EQ(items[1].item.package_folder, vista_store_root() + u"\\acmelan.inf_x86_4f1c2a90");
    ASSERT_EQ(items[1].item.devices.size(), 2u);
    EXPECT_EQ(items[1].item.devices[1].device_id, port2());

    EXPECT_TRUE(update_backup_items(services, {no_driver()}).empty());
    std::vector<update_backup_item_t> missing = update_backup_items(services, {old_adapter()});
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_FALSE(missing[0].located);
}

// The archive of the replaced package lies beside the user's own backups,
// under a name of its own, and its entry says it was taken before an update
// and which package replaced it; entries written before stay in the file.
TEST_F(UpdateBackupTest, TheReplacedPackageIsArchivedAndRecordedAsTakenBeforeAnUpdate)
{
    // A backup the user made earlier, in the file but not in memory.
    ASSERT_EQ(record_backup(catalogue, program_path(backup_file("Vendor-HD-Audio.zip")),
                            std::vector<backup_device_t>{backup_device_of(device_starting(inventory, "PCI\\VEN_ACE2"))},
                            "2026-01-05", environment.program_folder),
              0);
    write_file(backup_file("Vendor-HD-Audio.zip"), "the user's archive");
    catalogue.entries.clear();

    ASSERT_TRUE(back_up({port1(), port2()}));
    ASSERT_TRUE(fs::exists(backup_file("ACME-LAN--Gigabit-2.1.0.7-before-update.zip")));
    EXPECT_EQ(read_archive(program_path(backup_file("ACME-LAN--Gigabit-2.1.0.7-before-update.zip")), false).size(), 4u);
    EXPECT_EQ(read_file(backup_file("Vendor-HD-Audio.zip")), "the user's archive");

    const std::string saved = saved_catalogue();
    EXPECT_NE(saved.find("<driver>\r\n\t\t<file>\r\n\t\t\t<![CDATA[Vendor-HD-Audio.zip]]>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<driver before_update=\"1\" replaced_by=\"acmelan.inf (acme-3.0.zip)\">\r\n\t\t<file>\r\n"
                         "\t\t\t<![CDATA[ACME-LAN--Gigabit-2.1.0.7-before-update.zip]]>"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find("<date>2026-12-11</date>"), std::string::npos);

    // Read back, the entry keeps its origin; the user's does not gain one.
    backup_catalogue_t loaded;
    ASSERT_EQ(load_catalogue(loaded, environment.program_folder, services.backup_folder, inventory), 0);
    std::vector<backup_entry_t> entries = catalogue_entries(loaded);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_FALSE(entries[0].origin.before_update);
    EXPECT_TRUE(entries[1].origin.before_update);
    EXPECT_EQ(entries[1].origin.replaced_by, "acmelan.inf (acme-3.0.zip)");
    EXPECT_EQ(entries[1].devices.size(), 2u);
}

// Nothing installed to replace: no backup is asked for. A package not in the
// store, or an archive that cannot be written, fails the backup and records
// nothing.
TEST_F(UpdateBackupTest, WhatFailsTheBackup)
{
    update_backup_run_c run(&current_services);
    self = this;
    EXPECT_FALSE(run.prepare({no_driver()}, u"x.inf (x.zip)"));

    EXPECT_FALSE(back_up({old_adapter()}));
    EXPECT_FALSE(fs::exists(dir.path() / "program" / "backup.xml"));

    // The backup folder is a file: no archive can be written there.
    write_file(dir.path() / "blocked", "a file");
    services.backup_folder = program_path(dir.path() / "blocked");
    EXPECT_FALSE(back_up({port1()}));
    EXPECT_FALSE(fs::exists(dir.path() / "program" / "backup.xml"));
}

// The roll-back restores the device's latest backup taken before an update
// through the restore run: unpacked beside the archive, installer forced.
TEST_F(UpdateBackupTest, RollingBackRestoresTheArchiveTakenBeforeTheUpdate)
{
    // The user's own backup of the same package is not what a roll-back takes.
    ASSERT_EQ(record_backup(catalogue, program_path(backup_file("ACME-LAN--Gigabit.zip")),
                            std::vector<backup_device_t>{backup_device_of(device_starting(inventory, "PCI\\VEN_ACE1&DEV_0001"))},
                            "2026-12-12", environment.program_folder),
              0);
    write_file(backup_file("ACME-LAN--Gigabit.zip"), "the user's archive");
    ASSERT_TRUE(back_up({port1(), port2()}));

    restore_view_state_t view;
    ASSERT_TRUE(start_rollback(view, {sound(), port2()}, host, services));
    view.worker.wait();
    EXPECT_TRUE(rollback_tick(view, host, services));
    EXPECT_EQ(host.boxes, (std::vector<std::string>{"restore_started/0"}));
    EXPECT_FALSE(host.timer_running);
    fs::path target = dir.path() / "backups" / "ACME-LAN--Gigabit-2.1.0.7-before-update";
    EXPECT_TRUE(fs::exists(target / "acmelan.inf"));
    EXPECT_EQ(shell.lines(),
              (std::vector<std::string>{utf16_to_utf8(environment.program_folder) + "DPInst32.exe|/SH /F /PATH \"" +
                                        utf16_to_utf8(services.backup_folder) + "\\ACME-LAN--Gigabit-2.1.0.7-before-update\""}));

    // The restore view marks the entry.
    language_load_text(language_table, "[English]\nrestore_before_update=\"%s (before an update)\"\n", u"English",
                       true);
    std::vector<restore_item_t> items;
    ASSERT_EQ(fill_restore_list(items, services), 0);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(restore_item_label(items[0]), u"ACME-LAN--Gigabit-2.1.0.7-before-update.zip (before an update)");
    EXPECT_EQ(restore_item_label(items[1]), u"ACME-LAN--Gigabit.zip");
}

// A roll-back whose archive is missing or damaged says so and starts no
// installer; a device never updated has nothing to roll back to.
TEST_F(UpdateBackupTest, ARollBackWithoutAnIntactArchiveChangesNothing)
{
    restore_view_state_t view;
    EXPECT_FALSE(start_rollback(view, {sound()}, host, services));
    EXPECT_EQ(host.boxes, (std::vector<std::string>{"rollback_none/2"}));

    ASSERT_TRUE(back_up({port1()}));
    write_file(backup_file("ACME-LAN--Gigabit-2.1.0.7-before-update.zip"), "PK\x03\x04 damaged");
    host.boxes.clear();
    ASSERT_TRUE(start_rollback(view, {port1()}, host, services));
    view.worker.wait();
    EXPECT_TRUE(rollback_tick(view, host, services));
    EXPECT_EQ(host.boxes, (std::vector<std::string>{"rollback_damaged/2"}));
    EXPECT_FALSE(rollback_tick(view, host, services));

    fs::remove(backup_file("ACME-LAN--Gigabit-2.1.0.7-before-update.zip"));
    host.boxes.clear();
    EXPECT_FALSE(start_rollback(view, {port1()}, host, services));
    EXPECT_EQ(host.boxes, (std::vector<std::string>{"rollback_none/2"}));
    EXPECT_TRUE(shell.calls().empty());
}

// From Windows 10 on a restore and a roll-back install through pnputil as
// an installation does, wait for it and say what it answered: a failure is
// said with its code, never as a success.
TEST_F(UpdateBackupTest, FromWindows10RestoreAndRollBackSayWhatPnputilAnswered)
{
    language_load_text(language_table,
                       "[English]\nrestore_installer_error=\"Not installed (code %s).\"\n", u"English", true);
    as_windows_10();
    noting_processes_c processes;
    services.processes = &processes;
    ASSERT_TRUE(back_up({port1()}));
    std::vector<restore_item_t> items;
    ASSERT_EQ(fill_restore_list(items, services), 0);
    ASSERT_EQ(items.size(), 1u);

    struct row_t {
        const char* name;
        process_end_t end;
        uint32_t exit_code;
        int32_t outcome;
        std::string box;
    };
    const row_t rows[] = {
        {"installed", process_end_t::ended, 0, restore_outcome_installed, "restore_installed/0"},
        {"installed, restart needed", process_end_t::ended, 3010, restore_outcome_restart_needed,
         "download_setup_restart/0"},
        {"a failure code", process_end_t::ended, 0xE0000247u, restore_outcome_installer_error,
         "Not installed (code 0xE0000247)./2"},
        {"no device took it", process_end_t::ended, 259, restore_outcome_installer_error, "Not installed (code 259)./2"},
        {"still running when the wait ran out", process_end_t::still_running, 0, restore_outcome_started,
         "restore_started/0"},
        {"not started", process_end_t::not_started, 0, restore_outcome_not_started, "restore_failed/2"},
    };
    const std::string pnputil = "C:\\Windows\\System32\\pnputil.exe|/add-driver \"" +
                                utf16_to_utf8(services.backup_folder) +
                                "\\ACME-LAN--Gigabit-2.1.0.7-before-update\\*.inf\" /install";
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.name);
        processes.end = r.end;
        processes.exit_code = r.exit_code;
        processes.runs.clear();
        restore_view_state_t rollback;
        EXPECT_EQ(roll_back(rollback, {port1()}), std::vector<std::string>{r.box});
        EXPECT_EQ(rollback.job->outcome.load(), r.outcome);
        EXPECT_EQ(processes.runs, std::vector<std::string>{pnputil});

        processes.runs.clear();
        host.boxes.clear();
        restore_view_state_t restore;
        ASSERT_TRUE(start_restore(restore, &items[0], host, services));
        restore.worker.wait();
        EXPECT_TRUE(restore_tick(restore, host));
        EXPECT_EQ(host.boxes, std::vector<std::string>{r.box});
        EXPECT_EQ(restore.job->outcome.load(), r.outcome);
        EXPECT_EQ(processes.runs, std::vector<std::string>{pnputil});
    }
    EXPECT_TRUE(shell.calls().empty()) << "pnputil is run and waited for, not handed to the shell";
}

// A roll-back is an installation: the run's first is made within the run's
// restore point (BEGIN, the installer, END; cancelled when pnputil did not
// install it), later ones run alone; no restore point for an archive that
// cannot be unpacked. Where none can be made the user is asked once a run,
// as for an installation, and only Yes rolls back.
TEST_F(UpdateBackupTest, ARollBackIsMadeWithinTheRunsRestorePoint)
{
    as_windows_10();
    ASSERT_TRUE(back_up({port1()}));
    const std::string begin = "begin Tavrill Driver Updater: ACME-LAN--Gigabit-2.1.0.7-before-update.zip";
    {
        test::recording_restore_point_c system;
        restore_point_run_c run(system);
        noting_processes_c processes(&system);
        services.processes = &processes;
        services.restore_point = &run;
        restore_view_state_t view;
        EXPECT_EQ(roll_back(view, {port1()}), std::vector<std::string>{"restore_installed/0"});
        EXPECT_EQ(system.lines(), (std::vector<std::string>{begin, "pnputil", "end 7 installed"}));
        system.clear();
        EXPECT_EQ(roll_back(view, {port1()}), std::vector<std::string>{"restore_installed/0"});
        EXPECT_EQ(system.lines(), std::vector<std::string>{"pnputil"}) << "one restore point a run";
    }
    {
        // The first of the run fails: its restore point ends cancelled.
        test::recording_restore_point_c system;
        restore_point_run_c run(system);
        noting_processes_c processes(&system);
        processes.exit_code = 0xE0000247u;
        services.processes = &processes;
        services.restore_point = &run;
        restore_view_state_t view;
        roll_back(view, {port1()});
        EXPECT_EQ(view.job->outcome.load(), restore_outcome_installer_error);
        EXPECT_EQ(system.lines(), (std::vector<std::string>{begin, "pnputil", "end 7 cancelled"}));
    }
    const std::string archive = read_file(backup_file("ACME-LAN--Gigabit-2.1.0.7-before-update.zip"));
    {
        // A damaged archive: said, and not even a restore point is made.
        test::recording_restore_point_c system;
        restore_point_run_c run(system);
        noting_processes_c processes(&system);
        services.processes = &processes;
        services.restore_point = &run;
        write_file(backup_file("ACME-LAN--Gigabit-2.1.0.7-before-update.zip"), "PK\x03\x04 damaged");
        restore_view_state_t view;
        EXPECT_EQ(roll_back(view, {port1()}), std::vector<std::string>{"rollback_damaged/2"});
        EXPECT_TRUE(system.lines().empty());
        EXPECT_EQ(run.state(), restore_point_state_t::none);
        write_file(backup_file("ACME-LAN--Gigabit-2.1.0.7-before-update.zip"), archive);
    }
    {
        // System Restore makes none: asked, and Yes rolls back without one;
        // the run does not ask again.
        test::recording_restore_point_c system;
        system.begins = false;
        restore_point_run_c run(system);
        noting_processes_c processes(&system);
        services.processes = &processes;
        services.restore_point = &run;
        restore_view_state_t view;
        host.answers = {box_result_t::accepted};
        EXPECT_EQ(roll_back(view, {port1()}),
                  (std::vector<std::string>{"download_setup_no_restore_point/3", "restore_installed/0"}));
        EXPECT_EQ(system.lines(), (std::vector<std::string>{begin, "pnputil"}));
        EXPECT_EQ(roll_back(view, {port1()}), std::vector<std::string>{"restore_installed/0"});
    }
    {
        // No: nothing starts, and the next roll-back of the run says why
        // instead of asking again.
        test::recording_restore_point_c system;
        system.begins = false;
        restore_point_run_c run(system);
        noting_processes_c processes(&system);
        services.processes = &processes;
        services.restore_point = &run;
        restore_view_state_t view;
        host.answers = {box_result_t::declined};
        EXPECT_EQ(roll_back(view, {port1()}), std::vector<std::string>{"download_setup_no_restore_point/3"});
        EXPECT_EQ(view.job->outcome.load(), restore_outcome_no_restore_point);
        EXPECT_EQ(roll_back(view, {port1()}), std::vector<std::string>{"rollback_no_restore_point/2"});
        EXPECT_TRUE(processes.runs.empty());
        EXPECT_EQ(system.lines(), std::vector<std::string>{begin});
        EXPECT_FALSE(host.timer_running);
    }
    {
        // Turned off by the user's setting: none is asked for.
        test::recording_restore_point_c system;
        restore_point_run_c run(system);
        run.turn_off();
        noting_processes_c processes(&system);
        services.processes = &processes;
        services.restore_point = &run;
        restore_view_state_t view;
        EXPECT_EQ(roll_back(view, {port1()}), std::vector<std::string>{"restore_installed/0"});
        EXPECT_EQ(system.lines(), std::vector<std::string>{"pnputil"});
    }
    {
        // A restore from the restore view takes none.
        test::recording_restore_point_c system;
        restore_point_run_c run(system);
        noting_processes_c processes(&system);
        services.processes = &processes;
        services.restore_point = &run;
        std::vector<restore_item_t> items;
        ASSERT_EQ(fill_restore_list(items, services), 0);
        restore_view_state_t view;
        ASSERT_TRUE(start_restore(view, &items[0], host, services));
        view.worker.wait();
        EXPECT_EQ(system.lines(), std::vector<std::string>{"pnputil"});
        EXPECT_EQ(run.state(), restore_point_state_t::none);
    }
}

// A second installation over a device (the same package again, or a later
// one) archives the driver it replaces beside the first archive, never over
// it, and the roll-back takes the latest.
TEST_F(UpdateBackupTest, ASecondUpdateKeepsTheArchiveOfTheFirst)
{
    ASSERT_TRUE(back_up({port1()}));
    const std::string first = read_file(backup_file("ACME-LAN--Gigabit-2.1.0.7-before-update.zip"));
    // The first installation took: the device now has the newer driver.
    copy_field(device_starting(inventory, "PCI\\VEN_ACE1&DEV_0001").driver_version, device_driver_version_chars, u"3.0.0.1");
    ASSERT_TRUE(back_up({port1()}));
    EXPECT_EQ(read_file(backup_file("ACME-LAN--Gigabit-2.1.0.7-before-update.zip")), first);
    EXPECT_TRUE(fs::exists(backup_file("ACME-LAN--Gigabit-3.0.0.1-before-update.zip")));
    restore_item_t item;
    ASSERT_TRUE(rollback_item_for(catalogue, port1(), item));
    EXPECT_EQ(item.text, u"ACME-LAN--Gigabit-3.0.0.1-before-update.zip");
}

// Of several entries taken before updates of a device, the latest.
TEST(RollbackEntry, IsTheLatestBackupBeforeAnUpdateOfTheDevice)
{
    auto entry = [](const char* file, const char* date, bool before_update, const char16_t* device) {
        backup_entry_t e;
        e.file = file;
        e.date = date;
        e.origin.before_update = before_update;
        backup_device_t d;
        d.device_id = device;
        e.devices.push_back(d);
        return e;
    };
    std::vector<backup_entry_t> entries = {
        entry("a.zip", "2026-12-01", true, u"PCI\\A"),  entry("b.zip", "2026-12-09", true, u"PCI\\A"),
        entry("c.zip", "2026-12-10", false, u"PCI\\A"), entry("d.zip", "2026-12-09", true, u"PCI\\A"),
        entry("e.zip", "2026-12-11", true, u"PCI\\B"),
    };
    ASSERT_NE(rollback_entry_for(entries, u"pci\\a"), nullptr);
    EXPECT_EQ(rollback_entry_for(entries, u"pci\\a")->file, "d.zip");
    EXPECT_EQ(rollback_entry_for(entries, u"PCI\\B")->file, "e.zip");
    EXPECT_EQ(rollback_entry_for(entries, u"PCI\\C"), nullptr);
}
