#include "program/global_services.h"

#include "devices/device.h"
#include "devices/device_class.h"
#include "devices/scan_share.h"
#include "devices/setup_api.h"
#include "service/curl_easy.h"
#include "service/update_client.h"

#include <mutex>

namespace tdu {

namespace {

class_image_list_t process_class_images;
std::mutex latest_lock;
std::shared_ptr<const scan_outcome_t> latest;

// An empty result that carries the class icons.
std::shared_ptr<const scan_outcome_t> empty_scan()
{
    return make_scan_outcome(process_class_images);
}

} // namespace

bool global_init(scan_share_source_c& scan_share, const std::string& scan_share_host, setup_api_c& api)
{
    curl_global_init(CURL_GLOBAL_ALL);
    scan_share_lookup(scan_share, scan_share_host);
    class_image_list_init(process_class_images, api);
    set_latest_scan(empty_scan());
    update_client();
    return true;
}

void app_cleanup(setup_api_c& api)
{
    update_client_release();
    set_latest_scan(nullptr);
    class_image_list_release(process_class_images, api);
    curl_global_cleanup();
}

const class_image_list_t& class_images()
{
    return process_class_images;
}

std::shared_ptr<const scan_outcome_t> latest_scan()
{
    std::lock_guard<std::mutex> lock(latest_lock);
    return latest ? latest : empty_scan();
}

void set_latest_scan(std::shared_ptr<const scan_outcome_t> result)
{
    std::lock_guard<std::mutex> lock(latest_lock);
    latest = std::move(result);
}

} // namespace tdu
