// The backup view's side of the runs: showing, starting, the worker and the
// timer's end handling.
#include "backup/backup_archive.h"
#include "backup/backup_runs.h"

#include "common/files.h"
#include "common/last_error.h"

namespace tdu {

bool backup_view_shown(backup_view_state_t& view, backup_services_t& services)
{
    if (view.worker.held()) return false;
    build_driver_packages(services.packages, services.store, services.inventory);
    load_catalogue(services.catalogue, services.environment.program_folder, services.backup_folder,
                   services.inventory);
    return true;
}

backup_groups_t backup_groups(const std::vector<driver_package_t>& packages)
{
    backup_groups_t groups;
    for (size_t i = 0; i < packages.size(); ++i) (packages[i].inbox ? groups.inbox : groups.available).push_back(i);
    return groups;
}

namespace {

backup_item_t backup_item_for(const backup_services_t& services, const device_t* device)
{
    backup_item_t item;
    int index = find_package_of_device(services.packages, device);
    if (index < 0) return item;  // the worker fails the run when it comes to it
    const driver_package_t& package = services.packages[static_cast<size_t>(index)];
    item.has_package = true;
    item.package_folder = package_folder_path(services.store, package);
    item.title = archive_title(package.devices.empty() ? u16view() : u16view(package.devices.front()->driver_desc));
    item.devices = backup_devices_of(package);
    return item;
}

} // namespace

bool start_backup(backup_view_state_t& view, const std::vector<const device_t*>& ticked, run_host_c& host,
                  const backup_services_t& services)
{
    if (view.worker.held()) return false;
    backup_job_t& job = *view.job;
    job.progress.store(0);
    job.selected.clear();
    for (const device_t* device : ticked) job.selected.push_back(backup_item_for(services, device));
    job.backup_folder = services.backup_folder;
    if (job.selected.empty()) {
        host.message_box(lang::backup_no_driver, box_style_t::warning);
        return false;
    }
    view.selected_count = static_cast<int32_t>(job.selected.size());
    host.start_timer();
    std::shared_ptr<backup_job_t> shared = view.job;
    backup_services_t copy = services;
    auto run = [shared, copy](const stop_flag_t& stop) { return static_cast<int32_t>(backup_job(*shared, copy, &stop)); };
    if (!view.worker.start(run)) {
        // No thread: the run ends at once, as failed.
        host.stop_timer();
        host.message_box(lang::backup_failed, box_style_t::error);
        return false;
    }
    return true;
}

int backup_job(backup_job_t& job, const backup_services_t& services, const stop_flag_t* stop)
{
    // A folder removed since the setting was made is made again.
    create_directories(job.backup_folder);
    for (backup_item_t& item : job.selected) {
        // Stopping between packages leaves every archive whole and recorded.
        if (stop && stop->load() != 0) {
            set_last_error(error_stopped);
            return -1;
        }
        if (!item.has_package) return -1;
        u16 archive = path_join(job.backup_folder, archive_file_for(services.catalogue, item.title, item.devices));
        if (write_package_archive(item.package_folder, archive, job.progress) != 0) return -1;
        item.archive_path = archive;
        if (record_backup(services.catalogue, archive, item.devices, services.today(),
                          services.environment.program_folder) != 0)
            return -1;
    }
    return 0;
}

backup_tick_result_t backup_tick(backup_view_state_t& view, run_host_c& host)
{
    host.redraw();
    if (!view.worker.held()) return backup_tick_result_t::idle;
    std::optional<worker_result_t> ended = view.worker.take_result();
    if (!ended) return backup_tick_result_t::running;
    host.stop_timer();
    if (ended->status < 0) {
        host.message_box(lang::backup_failed, box_style_t::error);
        return backup_tick_result_t::failed;
    }
    host.message_box(lang::backup_completed, box_style_t::information);
    return backup_tick_result_t::completed;
}

} // namespace tdu
