#pragma once
// The safety net around an installation over an installed driver: before the
// installer starts, the driver-store package each of the row's devices uses
// now is archived into the backup folder and recorded in the catalogue as
// taken before an update (with the package that replaced it), as a backup
// run records it. A roll-back restores the latest such archive of a device
// through the restore run (restore_job), on a worker.
#include "backup/backup_runs.h"
#include "packages/package_install.h"

#include <functional>
#include <vector>

namespace tdu {

// One package to archive before an update: copied on the interface thread.
struct update_backup_item_t {
    bool located = false;  // the device's installed INF was found in the driver store
    u16 device_id;         // the first device whose driver lies in it
    backup_item_t item;    // its store folder, archive title and device records
};

// What the devices `device_ids` use now, one item per store folder in
// order of the devices. A device without an installed driver adds nothing;
// one whose INF cannot be located in the store adds an item that is not
// `located` (its backup then fails: nothing is installed over a driver that
// has no way back). The archive title is that of the driver description
// with the installed version and " before update" appended
// ("ACME-LAN--Gigabit-2.1.0.7-before-update"): the user's own backup of the
// package keeps its archive, and installing the same package twice keeps
// the archive of the driver from before the first time.
std::vector<update_backup_item_t> update_backup_items(const backup_services_t& services,
                                                      const std::vector<u16>& device_ids);

// The worker's part: archives and records each item with `origin`; false
// at the first failure (an item not located, an archive or the catalogue
// not written).
bool run_update_backup(std::vector<update_backup_item_t>& items, const backup_services_t& services,
                       const backup_origin_t& origin);

// The program's update_backup_c over the services `services()` gives at
// each installation (the backup folder follows the setting).
class update_backup_run_c final : public update_backup_c {
public:
    explicit update_backup_run_c(backup_services_t (*services)()) : services_(services) {}
    std::function<bool()> prepare(const std::vector<u16>& device_ids, u16view replacing) override;

private:
    backup_services_t (*services_)();
};

// The restore item of the entry to roll `device_id` back to, from the
// catalogue as loaded last (rollback_entry_for); false when there is none.
bool rollback_item_for(backup_catalogue_t& catalogue, u16view device_id, restore_item_t& item);

// A roll-back: reloads the catalogue (an entry whose archive is gone is
// dropped by loading), finds the entry of the first of `device_ids` that has
// one and starts its restore on `view`'s worker (start_restore), within the
// run's restore point `services.restore_point` as an installation is (no
// backup is taken first: it puts back a driver that was backed up). Without
// an entry it shows "rollback_none" (style 2) and changes nothing. True when
// the worker was started; rollback_tick says how it ended.
bool start_rollback(restore_view_state_t& view, const std::vector<u16>& device_ids, run_host_c& host,
                    backup_services_t& services);

// Whether a results row of the devices `device_ids` offers "Roll back":
// the catalogue, reloaded, holds an entry taken before an update of one of
// them (whose archive is there: loading drops the others).
bool can_roll_back(backup_services_t& services, const std::vector<u16>& device_ids);

// The roll-back's timer, as restore_tick, except that an archive that could
// not be unpacked (damaged) says "rollback_damaged": the installer was not
// started, nothing changed. Where no restore point could be made (the
// roll-back took the run's, see start_rollback) the user is asked once a
// run, as for an installation ("download_setup_no_restore_point"): Yes
// starts the roll-back again without one; asked before,
// "rollback_no_restore_point" (style 2) says nothing was rolled back.
bool rollback_tick(restore_view_state_t& view, run_host_c& host, backup_services_t& services);

} // namespace tdu
