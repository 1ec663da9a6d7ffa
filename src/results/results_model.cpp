#include "results/results_model.h"

#include <cmath>

namespace tdu {

offer_grouping_t result_rows(const device_inventory_t& inventory, offer_kind_t kind)
{
    offer_grouping_t grouping;
    offer_grouping_build(grouping, inventory.devices.data(), static_cast<int32_t>(inventory.devices.size()),
                         static_cast<int32_t>(kind));
    return grouping;
}

group_status_t group_status(const offer_group_t& group)
{
    const bool latest = group.mode == grouping_by_latest_offer;
    bool no_driver = false;
    for (const device_t* d : group.devices) {
        device_state_t state = device_offer_state(*d, latest);
        if (state == device_state_t::out_of_date) return group_status_t::update;
        no_driver = no_driver || state == device_state_t::no_driver;
    }
    return no_driver ? group_status_t::no_driver : group_status_t::up_to_date;
}

u16 group_class_text(const device_t& device)
{
    if (device.device_class && device.device_class->description[0]) return u16(device.device_class->description);
    return group_class_name(device);
}

u16 group_class_name(const device_t& device)
{
    if (device.device_class && device.device_class->class_name[0]) return u16(device.device_class->class_name);
    return u16(device.class_name);
}

offer_counts_t result_counts(const device_inventory_t& inventory)
{
    return count_offer_results(inventory.devices.data(), inventory.devices.size());
}

int32_t result_score(const offer_counts_t& counts)
{
    int64_t with_offers = int64_t{counts.out_of_date} + counts.no_driver + counts.up_to_date;
    if (with_offers <= 0) return 100;
    int64_t up = counts.up_to_date < 0 ? 0 : counts.up_to_date;
    // Exactly in integers while the squares fit: in floating point 9 of 10
    // gave 80 on the 32-bit build (x87) and 81 natively.
    if (with_offers < 300000000) return static_cast<int32_t>(up * up * 100 / (with_offers * with_offers));
    double share = static_cast<double>(up) / static_cast<double>(with_offers);
    return static_cast<int32_t>(std::floor(share * share * 100.0));
}

ignored_offers_t group_ignore_entries(const offer_group_t& group)
{
    const bool latest = group.mode == grouping_by_latest_offer;
    ignored_offers_t entries;
    for (const device_t* d : group.devices) {
        const driver_offer_t* offer = latest ? d->latest_offer : d->best_offer;
        if (offer) ignore_offer(entries, ignored_entry_of(*offer));
    }
    return entries;
}

size_t devices_with_offers(const device_inventory_t& inventory)
{
    size_t n = 0;
    for (const device_t& d : inventory.devices) n += d.offers ? 1 : 0;
    return n;
}

} // namespace tdu
