#pragma once
// The process-wide services start-up makes after the settings and the
// language, and the tear-down at exit in the reverse order of their making:
//
//   global_init    libcurl, the scan-share lookup, the device inventory's
//                  class icons, the update client
//   app_cleanup    the update client, the device inventory, libcurl
#include "devices/scan_share.h"
#include "devices/setup_api.h"

#include <string>

namespace tdu {

// Makes the services over the given seams (the device inventory and the
// update client are the process-wide ones). True when both exist; a scan-
// share lookup without answer or a missing class icon list is no failure.
bool global_init(scan_share_source_c& scan_share, const std::string& scan_share_host, setup_api_c& api);

// Frees them again: the update client with its transfer and installed
// links, the class icon list and every device record, then libcurl. Only
// once no worker runs any more (see program_exit).
void app_cleanup(setup_api_c& api);

} // namespace tdu
