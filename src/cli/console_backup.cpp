// tdu-cli backup and restore: the views' runs over the process-wide device
// inventory, driver store, package list and catalogue.
#include "cli/console_backup.h"

#include "cli/console_host.h"
#include "program/program.h"

#include "app/environment.h"
#include "app/language.h"
#include "app/settings.h"
#include "backup/backup_archive.h"
#include "backup/backup_runs.h"
#include "backup/store_platform.h"
#include "backup/update_backup.h"
#include "common/text.h"
#include "devices/device.h"
#include "devices/device_scan.h"
#include "devices/setup_api.h"

#include <cstdio>
#include <vector>

namespace tdu {
namespace {

// The catalogue keeps only entries whose devices are in the inventory, so
// both commands scan the devices first.
bool scan_devices()
{
    scan_progress_t progress;
    if (device_scan(device_inventory, win32_setup_api(), progress)) return true;
    std::fprintf(stderr, "The devices cannot be scanned.\n");
    return false;
}

} // namespace

int console_backup()
{
    if (!scan_devices()) return 1;
    if (init_driver_store(driver_store, os_version_number(environment.version_info), win32_store_platform()) != 0) {
        std::fprintf(stderr, "The driver store cannot be found.\n");
        return 1;
    }
    backup_services_t services = program_backup_services();
    backup_view_state_t view;
    backup_view_shown(view, services);

    // Everything the view's tree would list, ticked, in its order.
    backup_groups_t groups = backup_groups(driver_packages);
    std::vector<size_t> order = groups.available;
    order.insert(order.end(), groups.inbox.begin(), groups.inbox.end());
    std::vector<device_t*> ticked;
    for (size_t i : order) ticked.push_back(driver_packages[i].devices.front());

    console_host_c host(box_result_t::accepted, true);
    if (!start_backup(view, ticked, host, services)) return 1;
    view.worker.wait();
    backup_tick_result_t result = backup_tick(view, host);
    // The archives the run wrote (a name may carry a suffix; see archive_file_for).
    for (const backup_item_t& item : view.job->selected)
        if (!item.archive_path.empty()) std::printf("archive: %s\n", utf16_to_utf8(item.archive_path).c_str());
    std::printf("catalogue: %s\n", utf16_to_utf8(catalogue_path(environment.program_folder)).c_str());
    return result == backup_tick_result_t::completed ? 0 : 1;
}

int console_restore(const std::string& archive_file)
{
    if (!scan_devices()) return 1;
    backup_services_t services = program_backup_services();
    console_host_c host(box_result_t::accepted, true);
    std::vector<restore_item_t> items;
    restore_view_shown(items, host, services);
    const restore_item_t* chosen = nullptr;
    for (const restore_item_t& item : items)
        if (utf16_to_utf8(item.text) == archive_file) chosen = &item;
    if (!chosen) {
        std::fprintf(stderr, "The backup catalogue has no archive \"%s\".\n", archive_file.c_str());
        return 1;
    }
    restore_view_state_t view;
    if (!start_restore(view, chosen, host, services)) {
        std::fprintf(stderr, "The restore cannot be started.\n");
        return 1;
    }
    view.worker.wait();
    u16 folder = restore_folder_for(services.backup_folder, chosen->text);
    const int32_t outcome = view.job->outcome.load();
    if (outcome == restore_outcome_not_unpacked) {
        view.worker.take_result();
        std::fprintf(stderr, "The archive cannot be unpacked into %s.\n", utf16_to_utf8(folder).c_str());
        return 1;
    }
    // Says how it ended, as the restore view does (pnputil's failure with
    // its code).
    restore_tick(view, host);
    if (!restore_outcome_restores(outcome)) return 1;
    std::printf("restored: %s\ninstaller started on: %s\n", utf16_to_utf8(chosen->text).c_str(),
                utf16_to_utf8(folder).c_str());
    return 0;
}

int console_rollback(const std::string& device_id, bool without_restore_point)
{
    if (!scan_devices()) return 1;
    backup_services_t services = program_backup_services();
    if (without_restore_point && services.restore_point) services.restore_point->allow_without();
    console_host_c host(box_result_t::accepted, true);
    restore_view_state_t view;
    if (!start_rollback(view, {utf8_to_utf16(device_id)}, host, services)) return 1;
    view.worker.wait();
    const int32_t outcome = view.job->outcome.load();
    if (outcome == restore_outcome_no_restore_point) {
        // The console asks nothing: the switch is its answer.
        view.worker.take_result();
        std::fprintf(stderr,
                     "%s: not rolled back, no system restore point could be made (System Restore is off or not "
                     "available); run \"tdu-cli rollback --no-restore-point DEVICE\" to roll back without one\n",
                     device_id.c_str());
        return 1;
    }
    // Says how it ended, as the results row's roll-back does.
    rollback_tick(view, host, services);
    if (!restore_outcome_restores(outcome)) return 1;
    std::printf("rolled back: %s\ninstaller started on: %s\n", utf16_to_utf8(view.job->archive_file).c_str(),
                utf16_to_utf8(restore_folder_for(services.backup_folder, view.job->archive_file)).c_str());
    return 0;
}

} // namespace tdu
