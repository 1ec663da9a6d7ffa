// The process-wide services: made over the seams at start, released at exit.
#include "program/global_services.h"

#include <gtest/gtest.h>

#include "app/endpoints.h"
#include "devices/device.h"
#include "devices/fake_setup_api.h"
#include "devices/scan_share.h"
#include "service/update_client.h"
#include "support/test_support.h"

using namespace tdu;
using namespace tdu::test;

namespace {

// The scan-share host resolves to `address`, or to nothing.
struct resolver_c final : scan_share_source_c {
    std::optional<std::string> address;
    std::vector<std::string> asked;
    uint32_t ansi_code_page() override { return 1252; }
    uint32_t oem_code_page() override { return 437; }
    bool startup() override { return true; }
    std::optional<std::string> resolve(const std::string& host) override
    {
        asked.push_back(host);
        return address;
    }
};

class GlobalServices : public ::testing::Test {
protected:
    GlobalServices() : api(load_machine(data_dir() / "devices" / "scan_machine.ini")) {}
    void TearDown() override
    {
        app_cleanup(api);
        scan_share_limit = scan_share_initial_limit;
    }
    fake_setup_api_c api;
    resolver_c resolver;
};

} // namespace

TEST_F(GlobalServices, MakesTheInventoryAndTheClientAndLooksTheShareUp)
{
    resolver.address = "3.1.2.3";
    ASSERT_TRUE(global_init(resolver, "scan-share.test", api));
    EXPECT_EQ(resolver.asked, std::vector<std::string>{"scan-share.test"});
    EXPECT_EQ(scan_share_limit.load(), 3);

    EXPECT_TRUE(class_images().valid);
    EXPECT_NE(class_images().image_list, 0u);
    // Before the first scan the latest result is an empty one with the icons.
    std::shared_ptr<const scan_outcome_t> latest = latest_scan();
    ASSERT_TRUE(latest);
    EXPECT_TRUE(latest->inventory.devices.empty());
    EXPECT_EQ(class_image_list(latest->inventory), class_images().image_list);

    update_client_t& client = update_client();
    EXPECT_FALSE(client.update_transfer) << "made by the first request";
    EXPECT_TRUE(client.installed_links.empty());
    for (int i = 0; i < mirror_count; ++i) EXPECT_EQ(client.mirrors[i], endpoints().mirrors[i]);
}

TEST_F(GlobalServices, NeitherAMissingIconListNorAnUnansweredLookupIsAFailure)
{
    api.class_image_list_fails = true;
    ASSERT_TRUE(global_init(resolver, "scan-share.test", api));
    EXPECT_FALSE(class_images().valid);
    EXPECT_EQ(class_image_list(latest_scan()->inventory), 0u);
    EXPECT_EQ(scan_share_limit.load(), scan_share_initial_limit);
}

TEST_F(GlobalServices, CleanupReleasesWhatTheRunLeftBehind)
{
    ASSERT_TRUE(global_init(resolver, "scan-share.test", api));
    auto scanned = std::make_shared<scan_outcome_t>();
    scanned->inventory.devices.emplace_back();
    scanned->inventory.classes.emplace_back();
    std::weak_ptr<const scan_outcome_t> watched = scanned;
    set_latest_scan(std::move(scanned));
    EXPECT_EQ(latest_scan()->inventory.devices.size(), 1u);
    update_client().installed_links.insert("http://127.0.0.1/pkg.zip");

    app_cleanup(api);
    EXPECT_TRUE(watched.expired()) << "the latest result is let go";
    EXPECT_TRUE(latest_scan()->inventory.devices.empty());
    EXPECT_FALSE(class_images().valid);
    // The client is gone: asking for it again makes a fresh one.
    EXPECT_TRUE(update_client().installed_links.empty());
}
