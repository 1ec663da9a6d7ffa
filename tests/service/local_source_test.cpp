// Offers from a local driver folder through the update client: the demo
// packages as a stick, a machine with the demo's network adapter, no
// service anywhere (the mirrors name a closed port). The offer's file://
// link is fetched by the download code and matches the digest the index
// computed; a stick pulled before the scan ends it with the folder's text.
#include "app/language.h"
#include "common/last_error.h"
#include "common/sha256.h"
#include "service/http_transfer.h"
#include "service/local_source.h"
#include "service/scan_run.h"
#include "service/update_client.h"
#include "support/sample_devices.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tdu {
namespace {

namespace fs = std::filesystem;
using test::device_fields_t;
using test::make_device;

struct local_source_fixture_c : ::testing::Test {
    test::temp_dir_c dir;
    fs::path stick = dir.path() / "stick";
    device_inventory_t inventory;
    update_client_t client;
    update_request_t request;

    void SetUp() override
    {
        fs::copy(fs::path(TDU_DEMO_SOURCE_PACKAGES), stick, fs::copy_options::recursive);
        inventory.devices.push_back(make_device(device_fields_t{
            u"PCI\\VEN_1F3C&DEV_0A21&SUBSYS_00011F3C&REV_03", u"Network adapter", u"Net", u"PCI",
            {u"PCI\\VEN_1F3C&DEV_0A21&SUBSYS_00011F3C&REV_03", u"PCI\\VEN_1F3C&DEV_0A21&SUBSYS_00011F3C",
             u"PCI\\VEN_1F3C&DEV_0A21&CC_020000", u"PCI\\VEN_1F3C&DEV_0A21&CC_0200"},
            {u"PCI\\VEN_1F3C&DEV_0A21&REV_03", u"PCI\\VEN_1F3C&DEV_0A21", u"PCI\\VEN_1F3C&CC_020000",
             u"PCI\\CC_0200"}}));
        inventory.devices.push_back(make_device(device_fields_t{u"USB\\VID_FFFF&PID_0001", u"Unknown", u"USB",
                                                                u"USB", {u"USB\\VID_FFFF&PID_0001"}, {}}));
        update_client_init(client);
        for (auto& mirror : client.mirrors) mirror = "http://127.0.0.1:1/";
        client.local_source = make_local_source(test::program_path(stick), test::program_path(dir.path() / "downloads"));
        request.os_code = "WIN764";
        request.model = u"Test Machine";
        request.os_version = 61;
        request.oem_code_page = 437;
        set_last_error(0);
    }
};

using LocalSource = local_source_fixture_c;

TEST_F(LocalSource, OffersTheFoldersDriversAndCopiesThePackageItsDigestNames)
{
    // Every package folder of the demo catalogue is read.
    int packages = 0;
    for (const auto& entry : fs::directory_iterator(stick)) packages += entry.is_directory() ? 1 : 0;
    ASSERT_GT(packages, 0);
    ASSERT_TRUE(send_update_request(client, inventory, request)) << get_last_error();
    EXPECT_EQ(client.local_source->progress.packages_done.load(), packages);
    EXPECT_EQ(client.local_source->progress.packages_total.load(), packages);
    const device_t& adapter = inventory.devices[0];
    ASSERT_GT(adapter.offer_count, 0);
    EXPECT_EQ(inventory.devices[1].offer_count, 0);
    ASSERT_NE(adapter.best_offer, nullptr);
    const driver_offer_t& best = *adapter.best_offer;
    std::string link = best.link;
    EXPECT_EQ(link.rfind("file:///", 0), 0u) << link;
    EXPECT_NE(link.find("norvale-gbe"), std::string::npos) << link;
    ASSERT_EQ(std::string(best.sha256).size(), 64u);

    // The "download": the same transfer code as for the service's links;
    // a file:// link no driver folder offered is refused.
    transfer_progress_t elsewhere;
    std::string other_file = "file:///" + test::fs_path(test::program_path(dir.path() / "other.zip")).generic_string();
    test::write_file(dir.path() / "other.zip", "x");
    EXPECT_NE(download_with_retries(other_file, test::program_path(dir.path() / "got.zip").c_str(), elsewhere, 0), 0);
    EXPECT_EQ(elsewhere.result_code.load(), CURLE_URL_MALFORMAT);
    fs::path copy = dir.path() / "package.zip";
    transfer_progress_t progress;
    progress.expected_size.store(best.size);
    ASSERT_EQ(download_with_retries(link, test::program_path(copy).c_str(), progress, 0), 0);
    EXPECT_EQ(progress.result_code.load(), 0);
    std::string digest;
    ASSERT_TRUE(sha256_file_hex(test::program_path(copy), digest));
    EXPECT_EQ(digest, best.sha256);
    EXPECT_EQ(fs::file_size(copy), best.size);

    // The second scan reads the index, not the packages.
    ASSERT_TRUE(send_update_request(client, inventory, request)) << get_last_error();
    EXPECT_EQ(client.local_source->report.unchanged, packages);
    EXPECT_EQ(client.local_source->report.read, 0);
}

TEST_F(LocalSource, AStickPulledBeforeTheScanEndsItWithTheFoldersText)
{
    fs::remove_all(stick);
    EXPECT_FALSE(send_update_request(client, inventory, request));
    EXPECT_EQ(get_last_error(), error_driver_folder);
    EXPECT_NE(client.local_source->error.find("cannot list the driver folder"), std::string::npos)
        << client.local_source->error;
    language_table_t language;
    language_load_text(language, "[English]\nerror_driver_folder=\"The driver folder %s could not be read.\"\n", u"English",
                       true);
    std::optional<u16> text = scan_error_text(error_driver_folder, request, language);
    ASSERT_TRUE(text.has_value());
    EXPECT_NE(utf16_to_utf8(*text).find(utf16_to_utf8(test::program_path(stick))), std::string::npos)
        << utf16_to_utf8(*text);
}

// The stick pulled while its packages are read: the run ends with the
// folder's message and keeps nothing half-read (the digest of the first
// package is the moment the folder goes).
TEST_F(LocalSource, AStickPulledDuringTheIndexRunEndsIt)
{
    offers::folder_catalogue_t catalogue;
    offers::folder_index_options_t options;
    options.folder = stick;
    options.cache = dir.path() / "cache";
    int digests = 0;
    options.digest = [&](const fs::path& file, std::string& hex) {
        bool ok = sha256_file_hex(file.u16string(), hex);
        if (++digests == 1) fs::remove_all(stick);
        return ok;
    };
    offers::folder_index_progress_t progress;
    offers::folder_index_report_t report;
    std::string error;
    EXPECT_FALSE(catalogue.index(options, progress, report, error));
    EXPECT_NE(error.find(" is gone"), std::string::npos) << error;
    EXPECT_LT(progress.packages_done.load(), progress.packages_total.load());
    EXPECT_TRUE(catalogue.packages().empty());
}

} // namespace
} // namespace tdu
