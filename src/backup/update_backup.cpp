#include "backup/update_backup.h"

#include "backup/backup_archive.h"
#include "common/ansi_text.h"
#include "common/files.h"
#include "common/ignore_case.h"

namespace tdu {

std::vector<update_backup_item_t> update_backup_items(const backup_services_t& services,
                                                      const std::vector<u16>& device_ids)
{
    std::vector<update_backup_item_t> items;
    for (const u16& id : device_ids) {
        const device_t* device = inventory_find_device(services.inventory, id);
        if (!device || !device->has_driver || device->inf_path[0] == 0) continue;
        update_backup_item_t entry;
        entry.device_id = id;
        char16_t path[store_path_chars] = {};
        u16 folder;
        if (locate_inf_in_store(services.store, device->inf_path, nullptr, nullptr, path, store_path_chars, nullptr) &&
            package_folder_name(services.store, path, folder)) {
            entry.located = true;
            entry.item.has_package = true;
            entry.item.package_folder = path_join(services.store.driver_store_root, folder);
        }
        bool merged = false;
        for (update_backup_item_t& known : items) {
            if (entry.located && known.located &&
                equals_ignore_case(known.item.package_folder, entry.item.package_folder)) {
                known.item.devices.push_back(backup_device_of(*device));
                merged = true;
            }
        }
        if (merged) continue;
        // The installed version in the name: installing the same package
        // twice archives the new driver beside the old one, never over it.
        u16 name(device->driver_desc, u16_length(device->driver_desc));
        if (device->driver_version[0] != 0)
            name += u" " + u16(device->driver_version, u16_length(device->driver_version));
        entry.item.title = archive_title(name + u" before update");
        entry.item.devices.push_back(backup_device_of(*device));
        items.push_back(std::move(entry));
    }
    return items;
}

bool run_update_backup(std::vector<update_backup_item_t>& items, const backup_services_t& services,
                       const backup_origin_t& origin)
{
    // A folder removed since the setting was made is made again.
    create_directories(services.backup_folder);
    for (update_backup_item_t& entry : items) {
        if (!entry.located) return false;
        backup_item_t& item = entry.item;
        u16 archive = path_join(services.backup_folder, archive_file_for(services.catalogue, item.title, item.devices));
        std::atomic<int32_t> progress{0};
        if (write_package_archive(item.package_folder, archive, progress) != 0) return false;
        item.archive_path = archive;
        if (record_backup(services.catalogue, archive, item.devices, services.today(),
                          services.environment.program_folder, origin) != 0)
            return false;
    }
    return true;
}

std::function<bool()> update_backup_run_c::prepare(const std::vector<u16>& device_ids, u16view replacing)
{
    backup_services_t services = services_();
    auto items = std::make_shared<std::vector<update_backup_item_t>>(update_backup_items(services, device_ids));
    if (items->empty()) return {};
    // The catalogue as the file holds it, so that the save after the
    // archive keeps every entry written before (this thread reads the
    // inventory; the worker must not).
    load_catalogue(services.catalogue, services.environment.program_folder, services.backup_folder,
                   services.inventory);
    backup_origin_t origin;
    origin.before_update = true;
    origin.replaced_by = utf16_to_ansi(replacing);
    return [items, services, origin]() { return run_update_backup(*items, services, origin); };
}

bool rollback_item_for(backup_catalogue_t& catalogue, u16view device_id, restore_item_t& item)
{
    std::vector<backup_entry_t> entries = catalogue_entries(catalogue);
    const backup_entry_t* entry = rollback_entry_for(entries, device_id);
    if (!entry) return false;
    item.text = ansi_to_utf16(entry->file);
    item.device_names.clear();
    for (const backup_device_t& record : entry->devices)
        item.device_names.push_back(record.has_current ? record.current.name : record.desc);
    item.entry = *entry;
    return true;
}

bool start_rollback(restore_view_state_t& view, const std::vector<u16>& device_ids, run_host_c& host,
                    backup_services_t& services)
{
    if (view.job->busy.load() == 1) return false;
    load_catalogue(services.catalogue, services.environment.program_folder, services.backup_folder,
                   services.inventory);
    restore_item_t item;
    bool found = false;
    for (const u16& id : device_ids) {
        if (rollback_item_for(services.catalogue, id, item)) {
            found = true;
            break;
        }
    }
    if (!found) {
        host.message_box(lang::rollback_none, box_style_t::error);
        return false;
    }
    view.rollback_devices = device_ids;
    return start_restore(view, &item, host, services, services.restore_point);
}

bool can_roll_back(backup_services_t& services, const std::vector<u16>& device_ids)
{
    load_catalogue(services.catalogue, services.environment.program_folder, services.backup_folder,
                   services.inventory);
    restore_item_t item;
    for (const u16& id : device_ids)
        if (rollback_item_for(services.catalogue, id, item)) return true;
    return false;
}

bool rollback_tick(restore_view_state_t& view, run_host_c& host, backup_services_t& services)
{
    if (!view.worker.held()) {
        host.stop_timer();
        return false;
    }
    if (view.job->busy.load() == 1) return false;
    const int32_t outcome = view.job->outcome.load();
    if (outcome != restore_outcome_not_unpacked && outcome != restore_outcome_no_restore_point)
        return restore_tick(view, host);
    if (!view.worker.take_result()) return false;
    host.stop_timer();
    if (outcome == restore_outcome_not_unpacked) {
        host.message_box(lang::rollback_damaged, box_style_t::error);
        return true;
    }
    // No restore point: asked once a run, as for an installation; Yes rolls
    // back without one. Asked before, nothing is rolled back and that is said.
    restore_point_run_c* run = services.restore_point;
    if (run && run->take_question()) {
        if (host.message_box(lang::download_setup_no_restore_point, box_style_t::yes_no) == box_result_t::accepted) {
            run->allow_without();
            const std::vector<u16> devices = view.rollback_devices;
            start_rollback(view, devices, host, services);
        }
    } else {
        host.message_box(lang::rollback_no_restore_point, box_style_t::error);
    }
    return true;
}

} // namespace tdu
