#pragma once
// The backup and restore runs, as the backup and restore views drive them:
// what a view collects when shown and when its button is pressed, the
// worker each run starts, and how the view learns the end of a run. No
// function here touches a window; the view is their run host
// (app/run_host.h).
//
// A backup archives each ticked package (write_package_archive) and records
// it in the catalogue, which saves "backup.xml"; the view polls it with its
// 200 ms timer. A restore unpacks one archive into a folder of the same
// title beside it and starts the driver package installer with forced
// installation on that folder; pnputil (Windows 10 on) is waited for and its
// exit code says whether the driver went in, as for an installation. A
// roll-back is an installation too: it is made within the run's restore
// point.
#include "app/environment.h"
#include "app/run_host.h"
#include "backup/backup_catalogue.h"
#include "backup/driver_store.h"
#include "common/text.h"
#include "common/worker.h"
#include "devices/device.h"
#include "packages/process_run.h"
#include "packages/shell.h"
#include "system/restore_point.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tdu {

// The process-wide records and services the runs use. Copied into each
// worker; the references must outlive every run.
struct backup_services_t {
    driver_store_t& store;
    std::vector<driver_package_t>& packages;
    backup_catalogue_t& catalogue;
    device_inventory_t& inventory;
    const environment_t& environment;  // the program's folder, 64-bit or not
    shell_c& shell;
    u16 backup_folder;  // the backup_path setting as it stands
    std::string (*today)() = local_date_today;
    // Runs pnputil and waits for its exit code; without it the shell starts
    // pnputil and nothing waits.
    process_runner_c* processes = nullptr;
    // The run's restore point, which a roll-back takes as an installation
    // does; none when null.
    restore_point_run_c* restore_point = nullptr;
};

// One ticked package as a backup run takes it: copied when the run starts,
// since a scan frees the inventory's records (which the package list refers
// to) at any time, and the worker must read nothing of them.
struct backup_item_t {
    bool has_package = false;  // the ticked device belonged to a package
    u16 package_folder;        // the package's folder in the driver store
    u16 title;                 // archive_title of its first device's driver description
    std::vector<backup_device_t> devices;  // its devices as the catalogue records them
    u16 archive_path;          // the archive the worker wrote; empty until it did
};

// One backup run. The worker adds 100 to `progress` per package (in steps),
// so a run of n packages ends at 100 x n; the view reads it while drawing.
struct backup_job_t {
    std::atomic<int32_t> progress{0};
    std::vector<backup_item_t> selected;  // one per ticked package, in tree order
    u16 backup_folder;                    // where this run writes
};

// What the backup view keeps between its messages.
struct backup_view_state_t {
    std::shared_ptr<backup_job_t> job = std::make_shared<backup_job_t>();
    int32_t selected_count = 0;  // the progress bar's full scale is 100 times it
    worker_c worker;             // held from the start of a run until its end is handled
};

// The backup view is shown: rebuilds the package list and reloads the
// catalogue, unless its run is still going (then both stay as they are,
// since the worker reads them) and false is returned.
bool backup_view_shown(backup_view_state_t& view, backup_services_t& services);

// The packages of the two groups of the backup view's tree, as indices into
// the package list: "backup_available_drivers" (not inbox) and
// "backup_inbox_drivers".
struct backup_groups_t {
    std::vector<size_t> available;
    std::vector<size_t> inbox;
};
backup_groups_t backup_groups(const std::vector<driver_package_t>& packages);

// The "btn_backup" button: `ticked` holds the first device of every ticked
// package in tree order (the available group first). Does nothing while a
// run is held; shows "backup_no_driver" when nothing is ticked; otherwise
// starts the timer and the worker. True when a worker was started.
bool start_backup(backup_view_state_t& view, const std::vector<device_t*>& ticked, run_host_c& host,
                  const backup_services_t& services);

// The job: archives and records each selected package in order, in an
// archive named by archive_file_for; -1 at the first failure (a package not
// found, an archive or the catalogue not written) or, before the next
// package, when `stop` is raised; 0 when all were done.
int backup_job(backup_job_t& job, const backup_services_t& services, const stop_flag_t* stop = nullptr);

// Timer 1 of the backup view: redraws; once the worker has ended, stops the
// timer and shows "backup_failed" (style 2) or "backup_completed" (style 0).
enum class backup_tick_result_t { running, idle, failed, completed };
backup_tick_result_t backup_tick(backup_view_state_t& view, run_host_c& host);

// How a restore run ended.
enum restore_outcome_t : int32_t {
    restore_outcome_none = 0,           // still running, or none ran
    restore_outcome_started = 1,        // unpacked, and the installer started on it
    restore_outcome_not_unpacked = 2,   // the archive could not be unpacked: nothing started
    restore_outcome_opened_folder = 3,  // no installer on this Windows (XP): its folder was opened
    restore_outcome_not_started = 4,    // the shell could not start the installer
    restore_outcome_stopped = 5,        // the process was ending: nothing started
    restore_outcome_installed = 6,      // pnputil installed it (exit code 0)
    restore_outcome_restart_needed = 7, // pnputil installed it; Windows must restart (3010)
    // pnputil ended with another exit code (restore_job_t::exit_code): the
    // driver of the backup was not installed.
    restore_outcome_installer_error = 8,
    // A roll-back for which no restore point could be made, and the user has
    // not agreed to go on without one: unpacked, nothing started.
    restore_outcome_no_restore_point = 9,
};

// Whether a restore that ended so installed the backup or started an
// installer on it (restore_outcome_started, installed, restart_needed).
bool restore_outcome_restores(int32_t outcome);

// One restore run.
struct restore_job_t {
    u16 archive_file;             // the archive's file name in the backup folder
    u16 backup_folder;
    std::atomic<int32_t> busy{0};  // 1 from the start until the worker is done
    std::atomic<int32_t> outcome{restore_outcome_none};  // set by the worker before it clears `busy`
    std::atomic<uint32_t> exit_code{0};  // pnputil's, for installer_error; stored before `outcome`
    // A roll-back's: the run's restore point, which the installer's start
    // is made within; null for a restore from the restore view.
    restore_point_run_c* restore_point = nullptr;
};

struct restore_view_state_t {
    std::shared_ptr<restore_job_t> job = std::make_shared<restore_job_t>();
    worker_c worker;  // held until the next start collects it
    std::vector<u16> rollback_devices;  // the devices of the latest roll-back, to ask again for
};

// One top-level item of the restore view's tree.
struct restore_item_t {
    u16 text;                     // the entry's archive file name
    std::vector<u16> device_names;  // its devices' names, as child items
    backup_entry_t entry;
};

// The text of an item in the restore view's tree: its archive file name,
// and for an entry taken before an update "restore_before_update" around it.
u16 restore_item_label(const restore_item_t& item);

// The restore view is shown: reloads the catalogue and fills `items`, one
// per entry, sorted by their text. -1 when the catalogue is empty.
int fill_restore_list(std::vector<restore_item_t>& items, backup_services_t& services);

// The same, and shows "restore_no_backup" (style 0) when it is empty.
int restore_view_shown(std::vector<restore_item_t>& items, run_host_c& host, backup_services_t& services);

// The "btn_restore" button; `ticked` is the first ticked top-level item
// from the top, or null. Does nothing while a restore runs; waits for an
// earlier worker that is still held; shows "restore_no_driver" when nothing
// is ticked. True when a worker was started; the run's timer then runs
// until restore_tick has said how it ended. `restore_point` (a roll-back):
// the installer starts within the run's restore point (see restore_job).
bool start_restore(restore_view_state_t& view, const restore_item_t* ticked, run_host_c& host,
                   const backup_services_t& services, restore_point_run_c* restore_point = nullptr);

// The job: unpacks the archive into the folder of its title in the backup
// folder (made or emptied first) and, when that succeeded and `stop` was not
// raised meanwhile, starts the driver package installer with "/F" on the
// folder; pnputil is waited for through `services.processes`. With the job's
// `restore_point` the start is made within the run's restore point (after
// the unpacking: an archive that cannot be unpacked changes nothing, not
// even a restore point). 0 when restore_outcome_restores, else -1; clears
// `busy`.
int restore_job(restore_job_t& job, const backup_services_t& services, const stop_flag_t* stop = nullptr);

// The restore view's timer: once the worker has ended, stops the timer and
// says how the run ended: "restore_started" (style 0) when the installer
// was started on the unpacked backup, "restore_installed" (style 0) when
// pnputil installed it, "download_setup_restart" (style 0) when that needs a
// restart, "restore_installer_error" with pnputil's code (style 2) when it
// did not install it, "download_setup_manual" (style 0) when this Windows
// has none and the folder was opened, "restore_failed" (style 2) when the
// archive could not be unpacked or the installer not started; nothing for a
// run stopped at exit. False while it runs or when none ran.
bool restore_tick(restore_view_state_t& view, run_host_c& host);

// The folder a restore unpacks `archive_file` into.
u16 restore_folder_for(u16view backup_folder, u16view archive_file);

} // namespace tdu
