#include "backup/store_removal.h"

#include "backup/backup_archive.h"
#include "common/files.h"
#include "common/ignore_case.h"
#include "common/last_error.h"

namespace tdu {

removal_command_t choose_removal(const environment_t& env, u16view published_name)
{
    removal_command_t command;
    const os_version_t& v = env.version_info;
    if (v.platform_id != ver_platform_win32_nt || v.major < 6) {
        command.kind = removal_kind_t::setup_uninstall;
        command.program = u16(published_name);
        return command;
    }
    u16 windows(env.windows_folder, u16_length(env.windows_folder));
    if (windows.empty())
        command.program = u"pnputil.exe";
    else
        command.program = path_join(path_join(windows, env.wow64_process ? u"Sysnative" : u"System32"), u"pnputil.exe");
    command.arguments = (v.major >= 10 ? u"/delete-driver " : u"-d ") + u16(published_name);
    return command;
}

bool pnputil_succeeded(uint32_t exit_code)
{
    return exit_code == 0 || exit_code == 3010;
}

removal_item_t removal_item_for(const store_package_t& package, const device_inventory_t& inventory)
{
    removal_item_t item;
    item.published_name = package.published_name;
    item.original_name = package.original_name;
    item.driver_version = package.driver_version;
    item.folder = package.folder;
    item.size = package.size;
    for (const device_t& device : inventory.devices) {
        bool named = false;
        for (const u16& id : device_id_list(device.hardware_ids)) {
            for (const u16& inf_id : package.hardware_ids) named = named || equals_ignore_case(id, inf_id);
        }
        if (named) item.devices.push_back(backup_device_of(device));
    }
    return item;
}

u16 removal_archive_title(const removal_item_t& item)
{
    u16 title = item.original_name;
    if (!item.driver_version.empty()) title += u" " + item.driver_version;
    return archive_title(title);
}

namespace {

bool back_up(removal_job_t& job, removal_item_t& item, const backup_services_t& services)
{
    if (item.folder.empty()) return false;  // nothing to archive: a package without store folder
    u16 archive = path_join(job.backup_folder,
                            archive_file_for(services.catalogue, removal_archive_title(item), item.devices));
    if (write_package_archive(item.folder, archive, job.progress) != 0) return false;
    item.archive_path = archive;
    return record_backup(services.catalogue, archive, item.devices, services.today(),
                         services.environment.program_folder) == 0;
}

void remove(removal_item_t& item, const backup_services_t& services, removal_platform_c& platform)
{
    removal_command_t command = choose_removal(services.environment, item.published_name);
    bool done = false;
    if (command.kind == removal_kind_t::setup_uninstall) {
        done = platform.uninstall_oem_inf(item.published_name);
    } else {
        uint32_t code = 0;
        done = platform.run_and_wait(command.program, command.arguments, code) && pnputil_succeeded(code);
        item.exit_code = code;
    }
    if (!done)
        item.result = removal_result_t::removal_failed;
    else if (path_exists(path_join(services.store.inf_folder, item.published_name)))
        item.result = removal_result_t::still_present;
    else
        item.result = removal_result_t::removed;
}

} // namespace

int removal_job(removal_job_t& job, const backup_services_t& services, removal_platform_c& platform,
                const stop_flag_t* stop)
{
    if (job.back_up) create_directories(job.backup_folder);
    int status = 0;
    int32_t base = job.progress.load();
    for (removal_item_t& item : job.items) {
        if (stop && stop->load() != 0) {
            set_last_error(error_stopped);
            return -1;
        }
        if (job.back_up && !back_up(job, item, services)) {
            item.result = removal_result_t::backup_failed;
        } else {
            remove(item, services, platform);
        }
        if (item.result != removal_result_t::removed) status = -1;
        base += 100;
        job.progress.store(base);
    }
    return status;
}

uint64_t removal_freed_bytes(const removal_job_t& job)
{
    uint64_t freed = 0;
    for (const removal_item_t& item : job.items)
        if (item.result == removal_result_t::removed) freed += item.size;
    return freed;
}

} // namespace tdu
