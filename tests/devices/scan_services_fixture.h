#pragma once
// What a scan run works on in a native test: a fixture machine behind the
// fake Setup API, the class icons, an inventory for the tests that call the
// update client themselves, an update client whose mirrors the test points
// at a loopback server, the offline setting and a language table.
#include <string>
#include <utility>

#include "devices/fake_setup_api.h"
#include "service/scan_run.h"

namespace tdu::test {

struct scan_test_services_t {
    explicit scan_test_services_t(machine_t machine) : api(std::move(machine)) { update_client_init(client); }

    // Every mirror of the update client at `url`.
    void mirrors(const std::string& url)
    {
        for (std::string& m : client.mirrors) m = url;
    }

    fake_setup_api_c api;
    class_image_list_t class_images;
    device_inventory_t inventory;
    update_client_t client;
    app_settings_t settings;  // scan_offline 0
    language_table_t language;
    scan_services_t services{class_images, api, client, settings, language};
};

} // namespace tdu::test
