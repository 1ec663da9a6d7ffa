#pragma once
// What the console front end prints after a scan: a summary line, one line
// per row of the best offers (the devices that share one offered package,
// in the results view's order) and the three counts; or the same as one
// JSON document. The rules are the results model's.
#include "devices/device.h"
#include "results/results_model.h"

#include <string>

namespace tdu {

// The console's word for a row's status: "update", "no driver", "up to date".
const char* group_status_text(group_status_t status);

// `total_nodes`: the device nodes the scan went through.
std::string scan_report_text(const device_inventory_t& inventory, int32_t total_nodes);
std::string scan_report_json(const device_inventory_t& inventory, int32_t total_nodes);

} // namespace tdu
