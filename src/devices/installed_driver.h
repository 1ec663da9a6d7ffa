#pragma once
// What is known about the driver installed for a device: six values of the
// device's driver key and the setup rank of the installed driver.
#include <cstddef>
#include <cstdint>

#include "devices/device.h"
#include "devices/setup_api.h"

namespace tdu {

// Reads "DriverVersion", "InfPath", "DriverDate", "DriverDesc",
// "MatchingDeviceId" (all required, REG_SZ) and "ProviderName" (optional)
// into `device`. True when every required value was read; values read
// before the first missing one stay in the record.
bool installed_driver_read(setup_api_c& api, device_set_t set, const device_node_t& node, device_t& device);

// The setup rank of the installed driver into device.driver_rank; false
// (rank left at 0) when it cannot be determined.
bool installed_driver_rank(setup_api_c& api, device_set_t set, const device_node_t& node, device_t& device);

// Rewrites a driver-key date, month-day-year ("6-21-2006"), as
// year-month-day with two-digit month and day ("2006-06-21"), so that dates
// compare correctly as text. A text that is not such a date (not three
// numbers, or a month, day or year out of range) leaves the field empty:
// the date is unknown. `date` is a field of `capacity` units.
void driver_date_normalise(char16_t* date, size_t capacity);

} // namespace tdu
