// The update request against real servers on 127.0.0.1: the form post the
// service receives, the fail-over over three mirrors, the failure codes, and
// the answer parsed and ranked into the devices. Runs natively and under Wine.
#include "service/update_client.h"

#include "app/environment.h"
#include "common/ansi_text.h"
#include "common/last_error.h"
#include "service/request_document.h"
#include "support/sample_devices.h"
#include "support/server_access.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace tdu;
using namespace tdu::test;

namespace {

struct client_fixture_c : ::testing::Test {
    device_inventory_t inventory = sample_inventory();
    update_client_t client;
    update_request_t request;
    temp_dir_c folder;  // the program's folder, where "setup.dat" lives
    u16 saved_folder = environment.program_folder;

    void SetUp() override
    {
        update_client_init(client);
        request.os_code = "WIN7";
        request.model = u"Test Machine";
        request.os_version = 61;
        request.oem_code_page = 437;
        copy_field(environment.program_folder, path_chars, utf8_to_utf16(folder.path().u8string() + "/"));
        set_last_error(0);
    }
    void TearDown() override { copy_field(environment.program_folder, path_chars, saved_folder); }

    void mirrors(const std::string& a, const std::string& b, const std::string& c)
    {
        client.mirrors[0] = a;
        client.mirrors[1] = b;
        client.mirrors[2] = c;
    }
};
using SendUpdateRequest = client_fixture_c;

} // namespace

TEST_F(SendUpdateRequest, FailsOverToTheNextMirrorAndReadsTheAnswer)
{
    mirrors(refused_url("/"), server_url("/update/echo/failover-2/"), server_url("/update/echo/failover-3/"));
    ASSERT_TRUE(send_update_request(client, inventory, request)) << get_last_error();
    EXPECT_EQ(request.response_status, 200);
    EXPECT_STREQ(request.error_text, "");
    EXPECT_EQ(server_seen("/update/echo/failover-3/", "hits"), "0") << "the third mirror is never asked";

    // The service inflated exactly the document the client built.
    EXPECT_EQ(server_get("/_request/update/echo/failover-2/"),
              build_update_request(inventory.devices.data(), inventory.devices.size(), request));

    // It offered one driver per device; each is ranked against what is
    // installed. The sample's last ID holds characters outside the code
    // page, so the echoed ID ("?") names no device.
    for (size_t i = 0; i < 3; ++i) {
        const device_t& d = inventory.devices[i];
        ASSERT_EQ(d.offer_count, 1) << i;
        EXPECT_EQ(d.best_offer, &d.offers[0]);
        EXPECT_EQ(d.latest_offer, &d.offers[0]);
        EXPECT_EQ(std::string(d.offers[0].link), server_url("/bytes/100/pkg.zip"));
    }
    EXPECT_EQ(inventory.devices[3].offer_count, 0);
    EXPECT_TRUE(inventory.devices[1].best_offer_better) << "no installed driver";
    EXPECT_TRUE(inventory.devices[0].best_offer_better) << "same class and score, other matching ID";
}

TEST_F(SendUpdateRequest, ReportsHowTheLastMirrorFailed)
{
    struct row {
        const char* what;
        std::string m1, m2, m3;
        int32_t code;
        int32_t status;
        bool has_error_text;
    };
    const row rows[] = {
        {"every mirror answers 500", server_url("/status/500"), server_url("/status/500"), server_url("/status/500"),
         error_network_status, 500, false},
        {"every mirror answers 404", server_url("/status/404"), server_url("/status/404"), server_url("/status/404"),
         error_network_status, 404, false},
        {"the last mirror answers 504", server_url("/status/500"), server_url("/status/500"), server_url("/status/504"),
         error_network_timeout, 504, false},
        {"no mirror can be reached", refused_url("/a/"), refused_url("/b/"), refused_url("/c/"),
         error_network_timeout, 504, false},
        {"the mirrors do not speak HTTP", garbage_server_url(), garbage_server_url(), garbage_server_url(),
         error_network_timeout, 504, false},
        {"an answer of 5 MiB does not fit", server_url("/update/big/"), server_url("/update/big/"),
         server_url("/update/big/"), error_network_status, 200, true},
        {"the answer is cut short", server_url("/status/500"), server_url("/status/500"),
         server_url("/close-early/4000/"), error_network_status, 200, true},
        {"the answer is not XML", refused_url("/"), server_url("/update/garbage/"), server_url("/status/500"),
         error_bad_response, 200, false},
        // What arrives whole is read whole or not at all.
        {"half an answer", server_url("/update/half/"), server_url("/status/500"), server_url("/status/500"),
         error_bad_response, 200, false},
        {"an answer with a zero byte inside", server_url("/update/nul/"), server_url("/status/500"),
         server_url("/status/500"), error_bad_response, 200, false},
    };
    for (const auto& r : rows) {
        mirrors(r.m1, r.m2, r.m3);
        request.response_status = 0;
        request.error_text[0] = 0;
        request.transport_result = 0;
        set_last_error(0);
        EXPECT_FALSE(send_update_request(client, inventory, request)) << r.what;
        EXPECT_EQ(get_last_error(), r.code) << r.what;
        EXPECT_EQ(request.response_status, r.status) << r.what;
        EXPECT_EQ(request.error_text[0] != 0, r.has_error_text) << r.what << ": " << request.error_text;
        // The interface says a transport failure in its own words, by this number.
        EXPECT_EQ(request.transport_result != 0, r.has_error_text) << r.what;
        EXPECT_LT(std::string(request.error_text).size(), sizeof request.error_text);
        for (const device_t& d : inventory.devices) EXPECT_EQ(d.offers, nullptr) << r.what;
    }
}

// The test server signs as the service does, with the build's test key,
// which the client has built in; its forging modes make each kind of answer
// the client must refuse before reading it. A refused answer counts as a
// failed mirror: a genuine answer of a later mirror is taken.
TEST_F(SendUpdateRequest, RefusesAnswersWithoutAValidSignatureBeforeReadingThem)
{
    ASSERT_FALSE(client.trusted_keys.empty()) << "the build's key is built in";
    struct row {
        const char* mode;
        signature_verdict_t verdict;
    };
    const row rows[] = {
        {"unsigned", signature_verdict_t::missing},
        {"tampered", signature_verdict_t::forged},
        {"stale", signature_verdict_t::expired},
        {"elsewhere", signature_verdict_t::other_request},
    };
    for (const row& r : rows) {
        std::string url = server_url(std::string("/update/") + r.mode + "/");
        mirrors(url, url, url);
        set_last_error(0);
        EXPECT_FALSE(send_update_request(client, inventory, request)) << r.mode;
        EXPECT_EQ(get_last_error(), error_answer_refused) << r.mode;
        EXPECT_EQ(request.signature_verdict, r.verdict) << r.mode;
        EXPECT_EQ(request.response_status, 200) << r.mode;
        for (const device_t& d : inventory.devices) EXPECT_EQ(d.offer_count, 0) << r.mode << ": nothing was read";
    }

    // The first mirror's answer was altered on the way, the second's is
    // genuine.
    mirrors(server_url("/update/tampered/"), server_url("/update/echo/after-tampered/"), refused_url("/"));
    ASSERT_TRUE(send_update_request(client, inventory, request)) << get_last_error();
    EXPECT_EQ(inventory.devices[0].offer_count, 1);

    // A client that trusts no key takes no answer at all.
    client.trusted_keys.clear();
    mirrors(server_url("/update/echo/"), server_url("/update/echo/"), server_url("/update/echo/"));
    EXPECT_FALSE(send_update_request(client, inventory, request));
    EXPECT_EQ(get_last_error(), error_answer_refused);
    EXPECT_EQ(request.signature_verdict, signature_verdict_t::no_keys);
}

// The client's clock decides whether a signature still holds.
TEST_F(SendUpdateRequest, HoldsTheTimeLimitAgainstItsClock)
{
    mirrors(server_url("/update/echo/clock/"), refused_url("/"), refused_url("/"));
    client.clock = [] { return static_cast<int64_t>(std::time(nullptr)) + 2 * 3600; };
    EXPECT_FALSE(send_update_request(client, inventory, request));
    EXPECT_EQ(request.signature_verdict, signature_verdict_t::expired);
    client.clock = [] { return static_cast<int64_t>(std::time(nullptr)); };
    EXPECT_TRUE(send_update_request(client, inventory, request)) << get_last_error();
}

TEST_F(SendUpdateRequest, ReusesItsTransferAndSendsAnEmptyInventory)
{
    mirrors(server_url("/update/echo/reuse/"), refused_url("/"), refused_url("/"));
    ASSERT_TRUE(send_update_request(client, inventory, request));
    http_transfer_t* first = client.update_transfer.get();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->response.body->capacity, update_response_capacity);

    // A second scan with no devices: the request still goes out with an
    // empty "hardwares", and an answer without any "hardware" is refused.
    inventory.devices.clear();
    mirrors(server_url("/update/echo/empty/"), refused_url("/"), refused_url("/"));
    EXPECT_FALSE(send_update_request(client, inventory, request));
    EXPECT_EQ(get_last_error(), error_bad_response);
    EXPECT_EQ(client.update_transfer.get(), first);
    EXPECT_NE(server_get("/_request/update/echo/empty/").find("<hardwares />"), std::string::npos);
}

TEST_F(SendUpdateRequest, AnOfferWhoseInstallationStartedIsNoUpdate)
{
    write_file(folder.path() / "setup.dat", server_url("/bytes/100/pkg.zip") + "\n");
    mirrors(server_url("/update/echo/installed/"), refused_url("/"), refused_url("/"));
    ASSERT_TRUE(send_update_request(client, inventory, request));
    EXPECT_EQ(client.installed_links.count(server_url("/bytes/100/pkg.zip")), 1u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_FALSE(inventory.devices[i].best_offer_better) << i;
        EXPECT_FALSE(inventory.devices[i].latest_offer_newer) << i;
    }
}

TEST_F(SendUpdateRequest, AModelOutsideTheCodePageStillGivesAWellFormedRequest)
{
    request.model = u"\u4e2d\u6587 <PC> & \"Co\"";
    mirrors(server_url("/update/echo/model/"), refused_url("/"), refused_url("/"));
    ASSERT_TRUE(send_update_request(client, inventory, request));
    EXPECT_NE(server_get("/_request/update/echo/model/").find("model='?? &lt;PC&gt; &amp; &quot;Co&quot;'"),
              std::string::npos);
}
