#pragma once
// The process-wide services start-up makes after the settings and the
// language, and the tear-down at exit in the reverse order of their making:
//
//   global_init    libcurl, the scan-share lookup, the class icons, the
//                  update client, an empty latest scan result
//   app_cleanup    the update client, the latest scan result, the class
//                  icons, libcurl
#include "devices/device.h"
#include "devices/scan_share.h"
#include "devices/setup_api.h"

#include <memory>
#include <string>

namespace tdu {

// Makes the services over the given seams (the update client is the
// process-wide one). True when it exists; a scan-share lookup without
// answer or a missing class icon list is no failure.
bool global_init(scan_share_source_c& scan_share, const std::string& scan_share_host, setup_api_c& api);

// Frees them again: the update client with its transfer and installed
// links, the latest scan result, the class icon list, then libcurl. Only
// once no worker runs any more (see program_exit).
void app_cleanup(setup_api_c& api);

// The system's class icon list, obtained by global_init and released by
// app_cleanup; every scan's result carries a copy of it.
const class_image_list_t& class_images();

// The result of the latest finished scan: what the backup, restore and
// clean-up views and the console's commands look devices up in. An empty
// result (with the class icons) until the first scan finishes. A new scan's
// result replaces it; whoever holds the old one keeps it unchanged.
std::shared_ptr<const scan_outcome_t> latest_scan();
void set_latest_scan(std::shared_ptr<const scan_outcome_t> result);

} // namespace tdu
