#pragma once
// The result groups: devices that share one offered driver package (the same
// download link), ordered by update need, by the category of the class and by
// class description.
#include <cstdint>
#include <vector>

#include "devices/device.h"

namespace tdu {

constexpr int32_t grouping_by_best_offer = 0;
constexpr int32_t grouping_by_latest_offer = 1;

struct offer_group_t {
    const char* key = nullptr;  // the download link of the group's offer
    bool no_update = false;     // no member gains a newer driver from the offer
    int32_t mode = 0;           // 0: by best_offer, 1: by latest_offer
    const driver_offer_t* offer = nullptr;  // the offer of the device that created the group
    std::vector<const device_t*> devices;   // members in device-list order
};

struct offer_grouping_t {
    const device_t* devices = nullptr;
    int32_t count = 0;
    int32_t mode = 0;
    std::vector<offer_group_t> groups;
};

// Rebuilds the groups of `grouping` from `count` devices and sorts them.
void offer_grouping_build(offer_grouping_t& grouping, const device_t* devices, int32_t count, int32_t mode);

} // namespace tdu
