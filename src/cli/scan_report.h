#pragma once
// What the console front end prints after a scan: a summary line, one line
// per result group (the devices that share one offered package, in the
// results view's order) and the three counts; or the same as one JSON
// document.
#include "devices/device.h"
#include "devices/offer_grouping.h"

#include <string>

namespace tdu {

// A group's state as the results show it: some member with an installed
// driver is out of date; else some member without a driver gets one; else
// every member is up to date.
enum class group_status { update, no_driver, up_to_date };
group_status offer_group_status(const offer_group_t& group);
const char* group_status_text(group_status status);  // "update", "no driver", "up to date"

// The groups of the best offers of `inventory`'s devices.
offer_grouping_t best_offer_groups(device_inventory_t& inventory);

// `total_nodes`: the device nodes the scan went through.
std::string scan_report_text(device_inventory_t& inventory, int32_t total_nodes);
std::string scan_report_json(device_inventory_t& inventory, int32_t total_nodes);

} // namespace tdu
