#pragma once
// What a scan run works on in a native test: a fixture machine behind the
// fake Setup API, an inventory, an update client whose mirrors the test
// points at a loopback server, the offline setting and a language table.
#include <string>
#include <utility>

#include "devices/fake_setup_api.h"
#include "service/scan_run.h"

namespace tdu::test {

struct scan_test_services_t {
    explicit scan_test_services_t(machine_t machine) : api(std::move(machine)) { update_client_init(client, inventory); }

    // Every mirror of the update client at `url`.
    void mirrors(const std::string& url)
    {
        for (std::string& m : client.mirrors) m = url;
    }

    fake_setup_api_c api;
    device_inventory_t inventory;
    update_client_t client;
    app_settings_t settings;  // scan_offline 0
    language_table_t language;
    scan_services_t services{inventory, api, client, settings, language};
};

} // namespace tdu::test
