#include "program/global_services.h"

#include "devices/device.h"
#include "devices/scan_share.h"
#include "devices/setup_api.h"
#include "service/curl_easy.h"
#include "service/update_client.h"

namespace tdu {

bool global_init(scan_share_source_c& scan_share, const std::string& scan_share_host, setup_api_c& api)
{
    curl_global_init(CURL_GLOBAL_ALL);
    scan_share_lookup(scan_share, scan_share_host);
    inventory_clear(device_inventory);
    class_image_list_init(device_inventory, api);
    return update_client().inventory == &device_inventory;
}

void app_cleanup(setup_api_c& api)
{
    update_client_release();
    class_image_list_release(device_inventory, api);
    inventory_clear(device_inventory);
    curl_global_cleanup();
}

} // namespace tdu
