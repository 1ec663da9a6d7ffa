#pragma once
// The device scan: walks every device node the Setup API reports, reads its
// identity and installed driver, and keeps the nodes for which a driver
// update is meaningful.
#include "common/worker.h"
#include "devices/device.h"
#include "devices/setup_api.h"

namespace tdu {

// Runs a whole scan into `inventory` (classes first, then devices). False on
// failure with last-error code 16 (class list), 17 (device list) or 19
// (enumeration ended with an error; the devices kept so far stay), or 27
// when `stop` was raised (checked before each device node).
bool device_scan(device_inventory_t& inventory, setup_api_c& api, scan_progress_t& progress,
                 const stop_flag_t* stop = nullptr);

// Reads a node's identity into `device` (ID, name, enumerator, class, ID
// lists). False when a required part is missing.
bool device_identity_read(setup_api_c& api, device_set_t set, const device_node_t& node, device_t& device);

// Whether a node with its driver installed is left out: enumerated by
// "ISAPNP" or "ROOT", of class "DiskDrive", or an "ACPI" node of class
// "System" or "Processor" (case ignored).
bool installed_driver_drops(const device_t& device);

} // namespace tdu
