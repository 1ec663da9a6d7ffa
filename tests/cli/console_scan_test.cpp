// The console front end's scan, natively: the demo machine through the fake
// Setup API against the stand-in update service with the demo catalogue,
// run inside the test program on a loopback port; and the ways a console
// scan fails.
#include "cli/console_scan.h"
#include "cli/scan_report.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "app/language_keys.h"
#include "common/last_error.h"
#include "cli/demo_expectations.h"
#include "devices/scan_services_fixture.h"
#include "devices/scan_share.h"
#include "http/update_service.h"
#include "support/test_support.h"

using namespace tdu;
using namespace tdu::test;

namespace {

// The stand-in service on a free loopback port for the whole test program.
class demo_service_c {
public:
    demo_service_c()
    {
        server::service_options_t options;
        options.catalogue = TDU_DEMO_CATALOGUE_FILE;
        options.port = 0;
        options.log = &log_;
        // The build's test key, which the client has built in.
        auto key = std::make_shared<server::answer_secret_key_t>();
        std::string error;
        if (!server::load_secret_key(TDU_TEST_ANSWER_SECRET_KEY, *key, error)) throw std::runtime_error(error);
        options.signing_key = key;
        service_ = std::make_unique<server::update_service_t>(options);
        if (!service_->bind(error)) throw std::runtime_error("the demo service does not start: " + error);
        thread_ = std::thread([this] { service_->run(); });
    }
    ~demo_service_c()
    {
        service_->stop();
        thread_.join();
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(service_->port()) + "/"; }

private:
    std::ostringstream log_;
    std::unique_ptr<server::update_service_t> service_;
    std::thread thread_;
};

demo_service_c& demo_service()
{
    static demo_service_c service;
    return service;
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class ConsoleScan : public ::testing::Test, protected scan_test_services_t {
protected:
    ConsoleScan() : scan_test_services_t(load_machine(data_dir() / "devices" / "demo_machine.ini"))
    {
        language_load(language, ascii_to_utf16((data_dir() / ".." / ".." / "src" / "ui" / "resources" /
                                                "language.ini").string()),
                      u"English", true);
        mirrors(demo_service().url());
        update_request_t& request = *run.request;
        request.os_code = "WIN7";
        request.os_version = 61;
        request.oem_code_page = 437;
        request.model = u"Tavrill Demo PC";
    }
    void SetUp() override
    {
        set_last_error(0);
        scan_share_limit = scan_share_initial_limit;
    }

    scan_result_t run;
};

} // namespace

TEST_F(ConsoleScan, TheDemoMachineGetsTheDemoCataloguesOffers)
{
    // On Windows 7 the installed drivers' ranks decide first; on XP (as the
    // demo runs under Wine, which reports no ranks) the dates and versions.
    struct row {
        const char* os_code;
        int32_t os_version;
    };
    for (const row& r : {row{"WIN7", 61}, row{"WINXP", 51}}) {
        SCOPED_TRACE(r.os_code);
        run.request->os_code = r.os_code;
        run.request->os_version = r.os_version;
        console_scan_outcome_t outcome = run_console_scan(run, services, 0, 1);
        ASSERT_TRUE(outcome.finished) << utf16_to_utf8(outcome.error_text) << " (" << outcome.error_code << ")";
        EXPECT_EQ(outcome.total_nodes, static_cast<int32_t>(api.machine().devices.size()));
        ASSERT_TRUE(outcome.result);
        const device_inventory_t& inventory = outcome.result->inventory;
        EXPECT_EQ(static_cast<int>(inventory.devices.size()), demo_kept_devices);

        std::vector<std::string> lines = lines_of(scan_report_text(inventory, outcome.total_nodes));
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], "Scanned 9 device nodes: 8 devices kept, 7 with offered drivers.");
        std::vector<std::string> expected(std::begin(demo_report_lines), std::end(demo_report_lines));
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), expected);

        // Every offer is a package of the catalogue, served by the same service.
        offer_grouping_t grouping = result_rows(inventory, offer_kind_t::best);
        ASSERT_EQ(grouping.groups.size(), std::size(demo_offered_packages));
        // Its link names the file's version (16 hexadecimal digits) and the package.
        for (size_t i = 0; i < grouping.groups.size(); ++i) {
            const std::string key(grouping.groups[i].key), prefix = demo_service().url() + "packages/";
            const std::string suffix = std::string("/") + demo_offered_packages[i];
            ASSERT_EQ(key.size(), prefix.size() + 16 + suffix.size()) << key;
            EXPECT_EQ(key.substr(0, prefix.size()), prefix);
            EXPECT_EQ(key.substr(prefix.size(), 16).find_first_not_of("0123456789abcdef"), std::string::npos) << key;
            EXPECT_EQ(key.substr(key.size() - suffix.size()), suffix);
        }
    }
}

TEST_F(ConsoleScan, AFailedRequestEndsWithItsTextInsteadOfRetrying)
{
    mirrors("http://127.0.0.1:1/");  // nothing listens there
    console_scan_outcome_t outcome = run_console_scan(run, services, 0, 1);
    EXPECT_FALSE(outcome.finished);
    EXPECT_EQ(outcome.error_code, error_network_timeout);
    EXPECT_EQ(outcome.error_text, language_text(language, lang::error_network_timeout));
    EXPECT_FALSE(outcome.error_text.empty());
}

TEST_F(ConsoleScan, AFailedDeviceScanEndsWithTheFixedText)
{
    api.device_set_fails = true;
    console_scan_outcome_t outcome = run_console_scan(run, services, 0, 1);
    EXPECT_FALSE(outcome.finished);
    EXPECT_EQ(outcome.error_code, error_device_list);
    EXPECT_EQ(outcome.error_text, u"Scan Devices Error");
}
