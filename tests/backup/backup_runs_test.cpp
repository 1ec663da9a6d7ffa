// The backup and restore runs as the views drive them, with real workers,
// real archives and catalogue files, and a recording shell in place of the
// driver package installer. Run under ThreadSanitizer too.
#include "backup/backup_runs.h"

#include "backup/backup_archive.h"
#include "backup_fixture.h"
#include "packages/fakes.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace tdu;
using namespace tdu::test;
namespace fs = std::filesystem;

namespace {

// A gate the workers wait at, opened by the test.
class gate_c {
public:
    void close()
    {
        std::lock_guard<std::mutex> hold(lock_);
        open_ = false;
        waiting_ = 0;
    }
    void open()
    {
        std::lock_guard<std::mutex> hold(lock_);
        open_ = true;
        changed_.notify_all();
    }
    void pass()
    {
        std::unique_lock<std::mutex> hold(lock_);
        ++waiting_;
        changed_.notify_all();
        changed_.wait(hold, [this] { return open_; });
    }
    // Blocks until a worker waits at the gate.
    void await_arrival()
    {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold, [this] { return waiting_ > 0; });
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool open_ = true;
    int waiting_ = 0;
};

gate_c today_gate;

std::string fixed_today()
{
    today_gate.pass();
    return "2013-04-02";
}

// The installer's shell: records, and holds the worker at a gate.
class gated_shell_c final : public shell_c {
public:
    recording_shell_c record;
    gate_c gate;
    bool execute(u16view file, u16view parameters) override
    {
        gate.pass();
        return record.execute(file, parameters);
    }
    bool is_user_an_admin() override { return true; }
};

class BackupRunsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        today_gate.open();
        scan_backup_machine(inventory);
        u16 root = vista_store_root();
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

    // The first device of each package of the group, as the tree ticks it.
    std::vector<const device_t*> ticked(bool available, bool inbox)
    {
        backup_groups_t groups = backup_groups(packages);
        std::vector<const device_t*> out;
        if (available)
            for (size_t i : groups.available) out.push_back(packages[i].devices.front());
        if (inbox)
            for (size_t i : groups.inbox) out.push_back(packages[i].devices.front());
        return out;
    }

    // Backs up the available packages and fills the restore list.
    std::vector<restore_item_t> restore_list_after_backup()
    {
        backup_view_state_t backup;
        backup_view_shown(backup, services);
        EXPECT_TRUE(start_backup(backup, ticked(true, false), host, services));
        finish(backup);
        std::vector<restore_item_t> items;
        EXPECT_EQ(fill_restore_list(items, services), 0);
        return items;
    }

    backup_tick_result_t finish(backup_view_state_t& view)
    {
        view.worker.wait();
        return backup_tick(view, host);
    }

    fs::path backup_file(const char* name) const { return dir.path() / "backups" / name; }

    std::vector<std::string> catalogue_files()
    {
        std::vector<std::string> files;
        for (const backup_entry_t& e : catalogue_entries(catalogue)) files.push_back(e.file);
        return files;
    }

    temp_dir_c dir;
    device_inventory_t inventory;
    fake_store_platform_c platform{vista_root()};  // answers the store's lookups
    driver_store_t store;
    std::vector<driver_package_t> packages;
    backup_catalogue_t catalogue;
    environment_t environment;
    gated_shell_c shell;
    backup_services_t services{store, packages, catalogue, inventory, environment, shell, u16(), fixed_today};
    test::recording_host_c host;
};

} // namespace

TEST_F(BackupRunsTest, BackingUpThreePackagesCountsTo300AndCompletes)
{
    backup_view_state_t view;
    ASSERT_TRUE(backup_view_shown(view, services));
    ASSERT_EQ(packages.size(), 3u);
    // The inbox package is ticked too, and comes after the available ones.
    ASSERT_TRUE(start_backup(view, ticked(true, true), host, services));
    EXPECT_EQ(view.selected_count, 3);
    EXPECT_EQ(host.timer_starts, 1);

    EXPECT_EQ(finish(view), backup_tick_result_t::completed);
    EXPECT_EQ(view.job->progress.load(), 300);
    EXPECT_EQ(host.boxes, (std::vector<std::string>{"backup_completed/0"}));
    EXPECT_EQ(host.timer_stops, 1);
    EXPECT_GE(host.redraws, 1);

    EXPECT_EQ(catalogue_files(),
              (std::vector<std::string>{"ACME-LAN--Gigabit.zip", "Vendor-HD-Audio.zip", "ACE-Fast-Ethernet.zip"}));
    EXPECT_EQ(read_archive(program_path(backup_file("ACME-LAN--Gigabit.zip")), false).size(), 4u);
    std::string saved = read_file(dir.path() / "program" / "backup.xml");
    EXPECT_LT(saved.find("Vendor-HD-Audio.zip"), saved.find("ACE-Fast-Ethernet.zip"));

    // A later tick has nothing more to do.
    EXPECT_EQ(backup_tick(view, host), backup_tick_result_t::idle);
    EXPECT_EQ(host.boxes.size(), 1u);
}

TEST_F(BackupRunsTest, NothingTickedStartsNothing)
{
    backup_view_state_t view;
    backup_view_shown(view, services);
    EXPECT_FALSE(start_backup(view, {}, host, services));
    EXPECT_EQ(host.boxes, (std::vector<std::string>{"backup_no_driver/1"}));
    EXPECT_EQ(host.timer_starts, 0);
    EXPECT_FALSE(view.worker.held());
}

TEST_F(BackupRunsTest, WhileARunIsHeldTheViewNeitherStartsNorRebuilds)
{
    backup_view_state_t view;
    backup_view_shown(view, services);
    today_gate.close();
    ASSERT_TRUE(start_backup(view, ticked(true, false), host, services));
    today_gate.await_arrival();

    EXPECT_FALSE(start_backup(view, ticked(false, true), host, services));
    const driver_package_t* before = packages.data();
    EXPECT_FALSE(backup_view_shown(view, services));
    EXPECT_EQ(packages.data(), before);
    EXPECT_EQ(backup_tick(view, host), backup_tick_result_t::running);
    EXPECT_EQ(host.timer_stops, 0);

    today_gate.open();
    EXPECT_EQ(finish(view), backup_tick_result_t::completed);
    EXPECT_EQ(catalogue_files(), (std::vector<std::string>{"ACME-LAN--Gigabit.zip", "Vendor-HD-Audio.zip"}));
    EXPECT_TRUE(backup_view_shown(view, services));
}

TEST_F(BackupRunsTest, ACatalogueThatCannotBeWrittenFailsTheRunAfterTheFirstArchive)
{
    backup_view_state_t view;
    backup_view_shown(view, services);
    fs::create_directories(dir.path() / "program" / "backup.xml.tmp" / "blocked");
    ASSERT_TRUE(start_backup(view, ticked(true, false), host, services));
    EXPECT_EQ(finish(view), backup_tick_result_t::failed);
    EXPECT_EQ(host.boxes, (std::vector<std::string>{"backup_failed/2"}));
    EXPECT_TRUE(fs::exists(backup_file("ACME-LAN--Gigabit.zip")));
    EXPECT_FALSE(fs::exists(backup_file("Vendor-HD-Audio.zip")));
    EXPECT_EQ(view.job->progress.load(), 100);
}

TEST_F(BackupRunsTest, ADeviceWithoutPackageFailsTheRun)
{
    backup_view_state_t view;
    backup_view_shown(view, services);
    device_t* stale = inventory_find_device(inventory, u"PCI\\VEN_ACE4&DEV_0100&SUBSYS_01001AC3&REV_01");
    ASSERT_NE(stale, nullptr);
    ASSERT_TRUE(start_backup(view, {stale}, host, services));
    EXPECT_EQ(finish(view), backup_tick_result_t::failed);
    EXPECT_FALSE(fs::exists(dir.path() / "program" / "backup.xml"));
}

TEST_F(BackupRunsTest, ABackupRunOutlivesItsView)
{
    {
        backup_view_state_t view;
        backup_view_shown(view, services);
        today_gate.close();
        ASSERT_TRUE(start_backup(view, ticked(true, true), host, services));
        today_gate.await_arrival();
    }  // the view goes while its worker waits; the worker keeps its job
    today_gate.open();
    // The worker's last step is saving; the catalogue's lock shows when it
    // is through, and the services outlive the worker's copy of them.
    while (catalogue_files().size() < 3) std::this_thread::yield();
    EXPECT_TRUE(fs::exists(backup_file("ACE-Fast-Ethernet.zip")));
}

TEST_F(BackupRunsTest, ARescanDuringARunFreesNothingTheWorkerReads)
{
    backup_view_state_t view;
    backup_view_shown(view, services);
    today_gate.close();
    ASSERT_TRUE(start_backup(view, ticked(true, true), host, services));
    today_gate.await_arrival();  // the worker is in the first of three packages
    // A scan now frees every device record (the package list's references
    // with them) and makes new ones.
    scan_backup_machine(inventory);
    today_gate.open();

    EXPECT_EQ(finish(view), backup_tick_result_t::completed);
    EXPECT_EQ(view.job->progress.load(), 300);
    EXPECT_EQ(catalogue_files(),
              (std::vector<std::string>{"ACME-LAN--Gigabit.zip", "Vendor-HD-Audio.zip", "ACE-Fast-Ethernet.zip"}));
    std::string saved = read_file(dir.path() / "program" / "backup.xml");
    EXPECT_NE(saved.find("<![CDATA[Vendor HD Audio Controller]]>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<![CDATA[netace.inf]]>"), std::string::npos) << saved;
}

TEST_F(BackupRunsTest, TwoPackagesWithOneDescriptionKeepTwoArchivesAndEntries)
{
    // The sound package's first device now has the network package's
    // driver description, so both titles are "ACME-LAN--Gigabit".
    device_t* sound = inventory_find_device(inventory, u"PCI\\VEN_ACE2&DEV_0A10&SUBSYS_0A101AC3&REV_02");
    ASSERT_NE(sound, nullptr);
    copy_field(sound->driver_desc, device_driver_desc_chars, u"ACME LAN: Gigabit ");

    for (int run = 0; run < 2; ++run) {  // the second run finds both names catalogued
        SCOPED_TRACE(run);
        backup_view_state_t view;
        backup_view_shown(view, services);
        ASSERT_TRUE(start_backup(view, ticked(true, false), host, services));
        EXPECT_EQ(finish(view), backup_tick_result_t::completed);
        EXPECT_EQ(catalogue_files(), (std::vector<std::string>{"ACME-LAN--Gigabit.zip", "ACME-LAN--Gigabit (2).zip"}));
        std::vector<std::string> names;
        for (const read_entry_t& e : read_archive(program_path(backup_file("ACME-LAN--Gigabit.zip")), false))
            names.push_back(e.name);
        EXPECT_NE(std::find(names.begin(), names.end(), "acmelan.inf"), names.end());
        names.clear();
        for (const read_entry_t& e : read_archive(program_path(backup_file("ACME-LAN--Gigabit (2).zip")), false))
            names.push_back(e.name);
        EXPECT_NE(std::find(names.begin(), names.end(), "vsnd.inf"), names.end());
        EXPECT_EQ(view.job->selected[1].archive_path, services.backup_folder + u"\\ACME-LAN--Gigabit (2).zip");
    }

    // Each entry restores its own package.
    std::vector<restore_item_t> items;
    ASSERT_EQ(fill_restore_list(items, services), 0);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].text, u"ACME-LAN--Gigabit.zip");
    EXPECT_EQ(items[0].device_names, (std::vector<u16>{u"Vendor HD Audio Controller"}));
}

TEST_F(BackupRunsTest, TheRestoreListShowsTheCatalogueSortedByName)
{
    std::vector<restore_item_t> items;
    EXPECT_EQ(restore_view_shown(items, host, services), -1);
    EXPECT_EQ(host.boxes, (std::vector<std::string>{"restore_no_backup/0"}));
    EXPECT_TRUE(items.empty());

    backup_view_state_t view;
    backup_view_shown(view, services);
    ASSERT_TRUE(start_backup(view, ticked(true, true), host, services));
    finish(view);
    catalogue.entries.clear();  // the list reloads "backup.xml"

    ASSERT_EQ(fill_restore_list(items, services), 0);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].text, u"ACE-Fast-Ethernet.zip");
    EXPECT_EQ(items[1].text, u"ACME-LAN--Gigabit.zip");
    EXPECT_EQ(items[2].text, u"Vendor-HD-Audio.zip");
    EXPECT_EQ(items[1].device_names, (std::vector<u16>{u"ACME LAN Gigabit Port 1", u"ACME LAN Gigabit Port 2"}));
    EXPECT_EQ(items[1].entry.date, "2013-04-02");
}

TEST_F(BackupRunsTest, RestoringUnpacksBesideTheArchiveAndForcesTheInstaller)
{
    std::vector<restore_item_t> items = restore_list_after_backup();
    ASSERT_EQ(items.size(), 2u);
    // Files of an earlier restore (of an older archive of that name) in the
    // target folder: the forced installer must not get them.
    write_file(dir.path() / "backups" / "ACME-LAN--Gigabit" / "acmelan.cat", "earlier");
    write_file(dir.path() / "backups" / "ACME-LAN--Gigabit" / "x86" / "stale.dll", "earlier");

    restore_view_state_t view;
    ASSERT_TRUE(start_restore(view, &items[0], host, services));
    EXPECT_TRUE(host.timer_running);  // it watches for the end of the run
    view.worker.wait();
    EXPECT_EQ(view.job->busy.load(), 0);
    EXPECT_EQ(view.job->outcome.load(), restore_outcome_started);
    // The view's timer says how the run ended, once.
    const size_t boxes_before = host.boxes.size();
    EXPECT_TRUE(restore_tick(view, host));
    EXPECT_FALSE(host.timer_running);
    ASSERT_EQ(host.boxes.size(), boxes_before + 1);
    EXPECT_EQ(host.boxes.back(), "restore_started/0");
    EXPECT_FALSE(restore_tick(view, host));
    EXPECT_EQ(host.boxes.size(), boxes_before + 1);

    fs::path target = dir.path() / "backups" / "ACME-LAN--Gigabit";
    EXPECT_EQ(read_file(target / "acmelan.inf"),
              read_file(vista_root() / "System32" / "DriverStore" / "FileRepository" / "acmelan.inf_x86_4f1c2a90" /
                        "acmelan.inf"));
    EXPECT_TRUE(fs::exists(target / "x86" / "acmecoin.dll"));
    EXPECT_EQ(read_file(target / "acmelan.cat"),
              read_file(vista_root() / "System32" / "DriverStore" / "FileRepository" / "acmelan.inf_x86_4f1c2a90" /
                        "acmelan.cat"));
    EXPECT_FALSE(fs::exists(target / "x86" / "stale.dll"));
    EXPECT_EQ(shell.record.lines(),
              (std::vector<std::string>{utf16_to_utf8(environment.program_folder) + "DPInst32.exe|/SH /F /PATH \"" +
                                        utf16_to_utf8(services.backup_folder) + "\\ACME-LAN--Gigabit\""}));
}

TEST_F(BackupRunsTest, RestoreButtonWithoutTickOrWhileRunning)
{
    restore_view_state_t view;
    EXPECT_FALSE(start_restore(view, nullptr, host, services));
    EXPECT_EQ(host.boxes, (std::vector<std::string>{"restore_no_driver/1"}));

    std::vector<restore_item_t> items = restore_list_after_backup();
    ASSERT_EQ(items.size(), 2u);

    shell.gate.close();
    ASSERT_TRUE(start_restore(view, &items[0], host, services));
    shell.gate.await_arrival();
    EXPECT_EQ(view.job->busy.load(), 1);
    EXPECT_FALSE(start_restore(view, &items[1], host, services));  // pressed again: nothing
    shell.gate.open();

    // Once the first has ended the next starts (after waiting for it).
    while (view.job->busy.load() == 1) std::this_thread::yield();
    ASSERT_TRUE(start_restore(view, &items[1], host, services));
    view.worker.wait();
    std::vector<std::string> calls = shell.record.lines();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_NE(calls[0].find("ACME-LAN--Gigabit\""), std::string::npos);
    EXPECT_NE(calls[1].find("Vendor-HD-Audio\""), std::string::npos);
}

TEST_F(BackupRunsTest, ARestoreOfABrokenArchiveStartsNoInstaller)
{
    write_file(backup_file("Broken.zip"), "PK\x03\x04 not really");
    restore_item_t item;
    item.text = u"Broken.zip";
    item.entry.file = "Broken.zip";
    restore_view_state_t view;
    ASSERT_TRUE(start_restore(view, &item, host, services));
    view.worker.wait();
    EXPECT_EQ(view.job->busy.load(), 0);
    EXPECT_EQ(view.job->outcome.load(), restore_outcome_not_unpacked);
    EXPECT_TRUE(shell.record.calls().empty());
    // A failed restore is said, not silent.
    EXPECT_TRUE(restore_tick(view, host));
    EXPECT_EQ(host.boxes, (std::vector<std::string>{"restore_failed/2"}));
    EXPECT_FALSE(host.timer_running);
}

TEST(RestoreFolder, IsTheArchiveTitleInTheBackupFolder)
{
    EXPECT_EQ(restore_folder_for(u"D:\\Backups", u"ACME-LAN--Gigabit.zip"), u"D:\\Backups\\ACME-LAN--Gigabit");
    EXPECT_EQ(restore_folder_for(u"D:\\Backups\\", u"sub\\a.b.zip"), u"D:\\Backups\\a.b");
}

TEST_F(BackupRunsTest, AStopAtExitEndsTheRunBetweenPackagesWithEveryArchiveWhole)
{
    backup_view_state_t view;
    backup_view_shown(view, services);
    today_gate.close();
    ASSERT_TRUE(start_backup(view, ticked(true, false), host, services));
    today_gate.await_arrival();  // inside the first package

    EXPECT_FALSE(stop_all_workers(0));  // asked to stop; the package in hand is finished first
    today_gate.open();
    EXPECT_TRUE(stop_all_workers(10000));
    EXPECT_EQ(finish(view), backup_tick_result_t::failed);
    EXPECT_EQ(catalogue_files(), std::vector<std::string>{"ACME-LAN--Gigabit.zip"});
    EXPECT_TRUE(fs::exists(backup_file("ACME-LAN--Gigabit.zip")));
    EXPECT_FALSE(fs::exists(backup_file("Vendor-HD-Audio.zip")));
}
