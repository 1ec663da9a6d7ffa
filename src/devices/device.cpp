#include "devices/device.h"

#include <algorithm>
#include <iterator>

namespace tdu {

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

const device_t* inventory_find_device(const device_inventory_t& inventory, u16view device_id)
{
    for (const device_t& device : inventory.devices) {
        if (u16view(device.device_id) == device_id) return &device;
    }
    return nullptr;
}

std::shared_ptr<scan_outcome_t> make_scan_outcome(const class_image_list_t& class_images)
{
    auto made = std::make_shared<scan_outcome_t>();
    made->inventory.class_image_list = class_images;
    return made;
}

device_inventory_t inventory_copy(const device_inventory_t& from)
{
    device_inventory_t to;
    to.classes = from.classes;
    to.class_image_list = from.class_image_list;
    to.devices.reserve(from.devices.size());
    for (const device_t& d : from.devices) {
        to.devices.emplace_back();
        device_t& c = to.devices.back();
        std::copy(std::begin(d.device_id), std::end(d.device_id), c.device_id);
        std::copy(std::begin(d.class_name), std::end(d.class_name), c.class_name);
        std::copy(std::begin(d.class_guid), std::end(d.class_guid), c.class_guid);
        std::copy(std::begin(d.name), std::end(d.name), c.name);
        std::copy(std::begin(d.enumerator), std::end(d.enumerator), c.enumerator);
        c.hardware_ids = d.hardware_ids;
        c.compatible_ids = d.compatible_ids;
        c.instance_count = d.instance_count;
        std::copy(std::begin(d.inf_path), std::end(d.inf_path), c.inf_path);
        std::copy(std::begin(d.driver_date), std::end(d.driver_date), c.driver_date);
        std::copy(std::begin(d.driver_desc), std::end(d.driver_desc), c.driver_desc);
        std::copy(std::begin(d.driver_version), std::end(d.driver_version), c.driver_version);
        std::copy(std::begin(d.provider_name), std::end(d.provider_name), c.provider_name);
        std::copy(std::begin(d.matching_device_id), std::end(d.matching_device_id), c.matching_device_id);
        c.driver_rank = d.driver_rank;
        if (d.offers) {
            // The array may be longer than offer_count; only the counted
            // entries are read.
            c.offers = std::make_unique<driver_offer_t[]>(static_cast<size_t>(d.offer_count));
            for (int32_t i = 0; i < d.offer_count; ++i) c.offers[static_cast<size_t>(i)] = d.offers[static_cast<size_t>(i)];
        }
        c.offer_count = d.offer_count;
        c.has_driver = d.has_driver;
        c.is_present = d.is_present;
        if (d.device_class && !from.classes.empty() && d.device_class >= from.classes.data() &&
            d.device_class < from.classes.data() + from.classes.size())
            c.device_class = to.classes.data() + (d.device_class - from.classes.data());
        else
            c.device_class = d.device_class;
        auto moved = [&](const driver_offer_t* offer) -> driver_offer_t* {
            if (!offer || !d.offers || offer < d.offers.get() || offer >= d.offers.get() + d.offer_count)
                return nullptr;
            return c.offers.get() + (offer - d.offers.get());
        };
        c.best_offer = moved(d.best_offer);
        c.latest_offer = moved(d.latest_offer);
        c.best_offer_better = d.best_offer_better;
        c.latest_offer_newer = d.latest_offer_newer;
    }
    return to;
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
