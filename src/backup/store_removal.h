#pragma once
// Removing the packages the clean-up chose, with the system's own means:
// from Windows 10 on "pnputil /delete-driver oemN.inf", from Windows Vista to
// 8.1 "pnputil -d oemN.inf", before Vista SetupUninstallOEMInfW. pnputil is
// the system's own, from the system folder of the Windows folder (through
// "Sysnative" for a 32-bit program on 64-bit Windows).
//
// Each package is first backed up into the backup folder and recorded in
// the catalogue, as the backup view's run does, unless the run was told not
// to; a package whose backup fails is not removed. A removal counts only
// when the tool succeeded and the published INF is gone from
// "%SYSTEMROOT%\inf" afterwards: a system that answers success and keeps
// the package (Wine's SetupUninstallOEMInfW does) frees nothing.
#include "app/environment.h"
#include "backup/backup_catalogue.h"
#include "backup/backup_runs.h"
#include "backup/removal_platform.h"
#include "backup/store_listing.h"
#include "common/text.h"
#include "common/worker.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace tdu {

enum class removal_kind_t {
    pnputil,          // start `program` with `arguments` and wait
    setup_uninstall,  // SetupUninstallOEMInfW on the published name
};

struct removal_command_t {
    removal_kind_t kind = removal_kind_t::pnputil;
    u16 program;
    u16 arguments;
};

// The removal of `published_name` on the system `env` describes.
removal_command_t choose_removal(const environment_t& env, u16view published_name);

// pnputil's answers that mean removed (3010: removed, restart needed).
bool pnputil_succeeded(uint32_t exit_code);

enum class removal_result_t : int32_t {
    not_done = 0,   // the run ended (or stopped) before this package
    removed = 1,
    backup_failed = 2,   // not removed
    removal_failed = 3,  // the tool failed or could not be started
    still_present = 4,   // the tool answered success, the package is still there
};

// One package as a removal run takes it: copied when the run starts.
struct removal_item_t {
    u16 published_name;
    u16 original_name;
    u16 driver_version;
    u16 folder;     // the store folder the backup archives; empty: no backup possible
    uint64_t size = 0;
    // The devices whose hardware IDs the package's INF names, as the
    // catalogue records them: the devices a restore of it is for.
    std::vector<backup_device_t> devices;
    removal_result_t result = removal_result_t::not_done;
    uint32_t exit_code = 0;  // the tool's answer
    u16 archive_path;        // the backup written; empty when none
};

struct removal_job_t {
    std::atomic<int32_t> progress{0};  // 100 per package, in steps while archiving
    std::vector<removal_item_t> items;
    bool back_up = true;
    u16 backup_folder;
};

// The run's item for a package of the listing.
removal_item_t removal_item_for(const store_package_t& package, const device_inventory_t& inventory);

// The archive title of a package's backup: its original INF name and
// version ("acme.inf-2.1.0.7").
u16 removal_archive_title(const removal_item_t& item);

// The job: backs up (unless told not to) and removes each item in order,
// setting its result; before each package `stop` ends the run. 0 when every
// item was removed, -1 otherwise.
int removal_job(removal_job_t& job, const backup_services_t& services, removal_platform_c& platform,
                const stop_flag_t* stop = nullptr);

// The bytes of the removed items.
uint64_t removal_freed_bytes(const removal_job_t& job);

} // namespace tdu
