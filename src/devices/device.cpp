#include "devices/device.h"

namespace tdu {

device_inventory_t device_inventory;

std::optional<u16> scan_progress_t::current_name() const
{
    std::lock_guard<std::mutex> lock(name_lock_);
    return current_name_;
}

void scan_progress_t::set_current_name(u16view name)
{
    std::lock_guard<std::mutex> lock(name_lock_);
    current_name_ = u16(name);
}

void scan_progress_t::clear_current_name()
{
    std::lock_guard<std::mutex> lock(name_lock_);
    current_name_.reset();
}

device_t* inventory_devices(device_inventory_t& inventory, int32_t* count)
{
    *count = static_cast<int32_t>(inventory.devices.size());
    return inventory.devices.empty() ? nullptr : inventory.devices.data();
}

device_t* inventory_find_device(device_inventory_t& inventory, u16view device_id)
{
    for (device_t& device : inventory.devices) {
        if (u16view(device.device_id) == device_id) return &device;
    }
    return nullptr;
}

void inventory_clear(device_inventory_t& inventory)
{
    // The records own their ID lists and offer arrays; destroying them frees
    // both. The list's storage stays for the next scan: records are several
    // kilobytes, and storage given back and taken again costs the system a
    // fresh, zeroed page for every 4 KB at every scan of a large machine.
    inventory.devices.clear();
    inventory.classes.clear();
}

std::vector<u16> device_id_list(u16view multi_string)
{
    std::vector<u16> ids;
    size_t pos = 0;
    while (pos < multi_string.size()) {
        size_t end = multi_string.find(u'\0', pos);
        if (end == u16view::npos) end = multi_string.size();
        if (end == pos) break;  // the empty string that ends the list
        ids.emplace_back(multi_string.substr(pos, end - pos));
        pos = end + 1;
    }
    return ids;
}

u16 make_multi_string(const std::vector<u16>& ids)
{
    u16 out;
    for (const u16& id : ids) {
        if (id.empty()) break;  // an empty string would end the list early
        out += id;
        out.push_back(u'\0');
    }
    out.push_back(u'\0');
    return out;
}

} // namespace tdu
