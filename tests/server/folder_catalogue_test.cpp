// The program's in-memory catalogue of a local driver folder against the
// update service: the same packages, asked the same request, give the same
// answer (links aside: the folder's are file URLs). Then the folder's own
// cases: the index file, bad packages, and a folder that goes away.
#include "offers/folder_catalogue.h"
#include "protocol/update_request.h"
#include "service_fixture.h"

#include "common/sha256.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <set>

namespace tdu::server::test {
namespace {

namespace fs = std::filesystem;
using offers::folder_catalogue_t;
using offers::folder_index_options_t;
using offers::folder_index_progress_t;
using offers::folder_index_report_t;

bool digest_of(const fs::path& file, std::string& hex)
{
    return tdu::sha256_file_hex(file.u16string(), hex);
}

std::string request_document(const std::string& os, const std::vector<std::pair<std::string, std::string>>& devices)
{
    std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<kelptone>\n<action>ACTION_UPDATE_DRIVER</action>\n"
                      "<client version=\"4.2.0.1\" os=\"" + os + "\" lang=\"437\" model=\"PC\" />\n<hardwares>\n";
    for (const auto& [hard, comp] : devices)
        doc += "<hardware><id><![CDATA[" + hard.substr(0, hard.find('\n')) + "\\1]]></id><matchid><![CDATA[]]></matchid>"
               "<hardids><![CDATA[" + hard + "]]></hardids><compids><![CDATA[" + comp + "]]></compids></hardware>\n";
    return doc + "</hardwares>\n</kelptone>\n";
}

// The answer without the lines that name where a package lies.
std::string without_links(const std::string& answer)
{
    static const std::regex links("\t*<(official_)?link>[^<]*</(official_)?link>\n");
    return std::regex_replace(answer, links, "");
}

std::string inf_with(const std::string& head, const std::string& sections)
{
    return "[Version]\r\nSignature = \"$Windows NT$\"\r\nClass = Net\r\n"
           "ClassGuid = {4d36e972-e325-11ce-bfc1-08002be10318}\r\nProvider = %Mfg%\r\n" + head +
           "\r\n" + sections + "\r\n[Install]\r\nFeatureScore = 0xE0\r\n[Install.NTamd64]\r\nFeatureScore = 0x10\r\n[Strings]\r\nMfg = \"Test Maker\"\r\n";
}

struct equal_case_t {
    const char* what;
    std::function<void(const fs::path&)> make; // fills the package folder
    std::string request;                       // the request document
};

std::vector<equal_case_t> equal_cases()
{
    const std::string net = "PCI\\VEN_8086&DEV_1234&SUBSYS_00011234\nPCI\\VEN_8086&DEV_1234";
    const std::string net_comp = "PCI\\VEN_8086&DEV_1234&REV_01\nPCI\\VEN_8086\nPCI\\CC_0200";
    return {
        {"the demo packages and the demo machine",
         [](const fs::path& folder) { fs::copy(demo_packages_dir(), folder, fs::copy_options::recursive); },
         tdu::test::read_file(demo_request_file())},
        {"two versions as zip and folder, signed and unsigned, hardware and compatible IDs, x64",
         [](const fs::path& folder) {
             write_zip(folder / "old.zip", {{"d/n.inf", small_inf("01/02/2012", "1.0.0.0",
                                                                     {"PCI\\VEN_8086&DEV_1234"}, "CatalogFile = n.cat\r\n")},
                                            {"d/n.cat", "x"}});
             fs::create_directories(folder / "new" / "drv");
             std::ofstream(folder / "new" / "drv" / "n.inf", std::ios::binary)
                 << small_inf("03/04/2015", "2.1.0.0", {"PCI\\VEN_8086&DEV_1234&SUBSYS_00011234, PCI\\CC_0200"});
             write_zip(folder / "generic.zip", {{"g.inf", small_inf("05/06/2016", "3.0", {", PCI\\VEN_8086"})}});
         },
         request_document("WIN764", {{net, net_comp}, {"USB\\VID_0001&PID_0002", "USB\\CLASS_FF"}})},
        {"decorations by version: the section each system uses",
         [](const fs::path& folder) {
             write_zip(folder / "deco.zip",
                       {{"x.inf", inf_with("DriverVer = 07/01/2020,10.0.1.2\r\n",
                                           "[Manufacturer]\r\n%Mfg% = M, NTamd64, NTamd64.10.0, NTx86.6.1\r\n"
                                           "[M.NTamd64]\r\n\"Any x64\" = Install, PCI\\VEN_8086&DEV_1234\r\n"
                                           "[M.NTamd64.10.0]\r\n\"Ten x64\" = Install, PCI\\VEN_8086&DEV_1234\r\n"
                                           "[M.NTx86.6.1]\r\n\"Seven x86\" = Install, PCI\\VEN_8086&DEV_1234\r\n")}});
         },
         request_document("WIN1064", {{net, net_comp}})},
        {"the same folder asked for a 32-bit system",
         [](const fs::path& folder) {
             write_zip(folder / "deco.zip",
                       {{"x.inf", inf_with("DriverVer = 07/01/2020,10.0.1.2\r\n",
                                           "[Manufacturer]\r\n%Mfg% = M, NTamd64, NTx86.6.1\r\n"
                                           "[M.NTamd64]\r\n\"Any x64\" = Install, PCI\\VEN_8086&DEV_1234\r\n"
                                           "[M.NTx86.6.1]\r\n\"Seven x86\" = Install, PCI\\VEN_8086&DEV_1234\r\n")}});
         },
         request_document("WIN7", {{net, net_comp}})},
        {"broken packages are left out on both sides",
         [](const fs::path& folder) {
             std::ofstream(folder / "broken.zip", std::ios::binary) << "PK\x03\x04 not really";
             write_zip(folder / "noparse.zip", {{"bad.inf", "[Version\r\nno end"}});
             write_zip(folder / "good.zip", {{"n.inf", small_inf("01/02/2012", "1.0", {"PCI\\VEN_8086&DEV_1234"})}});
         },
         request_document("WIN7", {{net, net_comp}})},
    };
}

using FolderCatalogueAnswers = service_fixture_c;

TEST_F(FolderCatalogueAnswers, AsTheServiceDoesForTheSamePackages)
{
    start();
    int n = 0;
    for (const auto& c : equal_cases()) {
        SCOPED_TRACE(c.what);
        fs::path folder = dir_.path() / ("case" + std::to_string(++n));
        fs::create_directories(folder);
        c.make(folder);
        index_folder(folder, catalogue_, dir_.path() / "zips");
        reply_t served = post_request(c.request);
        ASSERT_EQ(served.status, 200) << served.body;

        folder_catalogue_t local;
        folder_index_options_t options;
        options.folder = folder;
        options.cache = dir_.path() / ("cache" + std::to_string(n));
        options.digest = digest_of;
        folder_index_progress_t progress;
        folder_index_report_t report;
        std::string error;
        ASSERT_TRUE(local.index(options, progress, report, error)) << error;
        EXPECT_EQ(progress.packages_done.load(), progress.packages_total.load());

        update_request_t request;
        request_failure_t failure;
        ASSERT_TRUE(parse_update_request(c.request, request_limits_t{}, request, failure)) << failure.reason;
        std::vector<std::pair<std::string, device_query_t>> devices;
        for (auto& d : request.devices) devices.push_back({d.id_bytes, {d.hardware_ids, d.compatible_ids}});
        std::string answer;
        ASSERT_TRUE(local.answer(devices, request.os_code, request.ansi_code_page, 8, answer));
        EXPECT_NE(answer.find("<item>"), std::string::npos) << "the case offers something";
        EXPECT_EQ(without_links(answer), without_links(served.body));
        // Each link names the package file whose digest the offer gives.
        std::smatch m;
        std::string rest = answer;
        static const std::regex link_and_digest("<link>file://([^<]*)</link>[\\s\\S]*?<sha256>([0-9a-f]{64})</sha256>");
        while (std::regex_search(rest, m, link_and_digest)) {
            std::string digest;
            ASSERT_TRUE(digest_of(fs::path(m[1].str()), digest)) << m[1];
            EXPECT_EQ(digest, m[2].str());
            rest = m.suffix();
        }
    }
}

struct folder_fixture_c : ::testing::Test {
    tdu::test::temp_dir_c dir;
    fs::path folder = dir.path() / "stick";
    fs::path cache = dir.path() / "cache";
    folder_catalogue_t catalogue;
    folder_index_progress_t progress;
    folder_index_report_t report;
    std::string error;

    void SetUp() override
    {
        fs::create_directories(folder);
        write_zip(folder / "a.zip", {{"a.inf", small_inf("01/02/2012", "1.0", {"PCI\\VEN_1&DEV_1"})}});
        fs::create_directories(folder / "b");
        std::ofstream(folder / "b" / "b.inf", std::ios::binary) << small_inf("01/02/2013", "2.0", {"PCI\\VEN_2&DEV_2"});
    }

    bool index(std::function<bool(const fs::path&, std::string&)> digest = digest_of)
    {
        folder_index_options_t options;
        options.folder = folder;
        options.cache = cache;
        options.digest = std::move(digest);
        return catalogue.index(options, progress, report, error);
    }

    std::set<std::string> listing(const fs::path& root)
    {
        std::set<std::string> names;
        for (const auto& e : fs::recursive_directory_iterator(root)) {
            names.insert(fs::relative(e.path(), root).generic_string() + ":" +
                         (e.is_regular_file() ? std::to_string(e.file_size()) : "dir"));
        }
        return names;
    }
};

using FolderIndex = folder_fixture_c;

TEST_F(FolderIndex, KeepsItsIndexBesideTheFolderAndReadsOnlyWhatChanged)
{
    std::set<std::string> before = listing(folder);
    ASSERT_TRUE(index()) << error;
    EXPECT_EQ(report.read, 2);
    EXPECT_EQ(report.index_file, folder / offers::folder_index_file_name);
    // Nothing but the index is written into the folder; the folder package
    // is zipped into the cache.
    std::set<std::string> after = listing(folder);
    for (const auto& name : before) after.erase(name);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after.begin()->substr(0, after.begin()->find(':')), offers::folder_index_file_name);
    EXPECT_TRUE(fs::exists(cache / "b.zip"));

    folder_catalogue_t again;
    catalogue = folder_catalogue_t{};
    ASSERT_TRUE(index()) << error;
    EXPECT_EQ(report.read, 0);
    EXPECT_EQ(report.unchanged, 2);
    const os_profile_t& win7 = *find_os_profile("WIN7");
    auto offers = catalogue.find({{"PCI\\VEN_2&DEV_2"}, {}}, win7, 10);
    ASSERT_EQ(offers.size(), 1u) << "the models come back from the index";
    EXPECT_EQ(offers[0].version, "2.0.0.0");
    EXPECT_EQ(offers[0].package, "b.zip");

    // A changed package is read again, the others are kept.
    std::ofstream(folder / "b" / "b.inf", std::ios::binary) << small_inf("01/02/2014", "2.5", {"PCI\\VEN_2&DEV_2"});
    ASSERT_TRUE(index()) << error;
    EXPECT_EQ(report.read, 1);
    EXPECT_EQ(report.unchanged, 1);
    offers = catalogue.find({{"PCI\\VEN_2&DEV_2"}, {}}, win7, 10);
    ASSERT_EQ(offers.size(), 1u);
    EXPECT_EQ(offers[0].version, "2.5.0.0");
    EXPECT_TRUE(fs::exists(cache / "b.zip")) << "the zip of a package read again is kept";

    // A folder package taken away: its zip leaves the cache, the rest is kept.
    fs::remove_all(folder / "b");
    ASSERT_TRUE(index()) << error;
    EXPECT_EQ(report.unchanged, 1);
    EXPECT_FALSE(fs::exists(cache / "b.zip"));
    EXPECT_TRUE(catalogue.find({{"PCI\\VEN_2&DEV_2"}, {}}, win7, 10).empty());
}

TEST_F(FolderIndex, LeavesOutWhatCannotBeReadAndSaysWhy)
{
    std::ofstream(folder / "torn.zip", std::ios::binary) << "PK\x03\x04 cut short";
    write_zip(folder / "noparse.zip", {{"x.inf", "[Version\r\n"}});
    std::ofstream(folder / "readme.txt") << "not a package";
    ASSERT_TRUE(index()) << error;
    std::string all;
    for (const auto& p : report.problems) all += p + "\n";
    EXPECT_NE(all.find("torn.zip: not a zip archive; package left out"), std::string::npos) << all;
    EXPECT_NE(all.find("noparse.zip/x.inf:1:"), std::string::npos) << all;
    EXPECT_NE(all.find("readme.txt: neither a zip archive nor a folder"), std::string::npos) << all;
    EXPECT_EQ(catalogue.packages().size(), 3u) << "a.zip, b.zip and noparse.zip (which offers nothing)";
    if (::geteuid() != 0) {
        // A file that cannot be read is left out, not the run.
        fs::permissions(folder / "a.zip", fs::perms::none);
        catalogue = folder_catalogue_t{};
        fs::remove(folder / offers::folder_index_file_name);
        ASSERT_TRUE(index()) << error;
        fs::permissions(folder / "a.zip", fs::perms::owner_all);
        EXPECT_EQ(catalogue.packages().size(), 2u);
    }
}

TEST_F(FolderIndex, AFolderPulledDuringTheRunEndsItWithAClearMessage)
{
    for (int i = 0; i < 5; ++i)
        write_zip(folder / ("more" + std::to_string(i) + ".zip"),
                  {{"m.inf", small_inf("01/02/2012", "1.0", {"PCI\\VEN_9&DEV_" + std::to_string(i)})}});
    int digests = 0;
    EXPECT_FALSE(index([&](const fs::path& file, std::string& hex) {
        // The stick goes away after the first package.
        if (++digests == 1) {
            bool ok = digest_of(file, hex);
            fs::remove_all(folder);
            return ok;
        }
        return digest_of(file, hex);
    }));
    EXPECT_EQ(error, "the driver folder " + folder.u8string() + " is gone");
    EXPECT_LT(progress.packages_done.load(), progress.packages_total.load());
    EXPECT_TRUE(catalogue.packages().empty()) << "nothing half-indexed is kept";

    // A folder that is not there at all.
    EXPECT_FALSE(index());
    EXPECT_NE(error.find("cannot list the driver folder"), std::string::npos) << error;
}

TEST_F(FolderIndex, AFolderThatTakesNoFileKeepsItsIndexInTheCache)
{
    // A read-only folder (a write-protected stick); root writes anyway, so
    // for root a folder standing where the index's temporary file goes
    // refuses the write instead.
    fs::path blocker = folder / (std::string(offers::folder_index_file_name) + ".part");
    if (::geteuid() == 0) fs::create_directories(blocker / "x");
    else fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    bool ok = index();
    fs::permissions(folder, fs::perms::owner_all);
    fs::remove_all(blocker);
    ASSERT_TRUE(ok) << error;
    EXPECT_FALSE(fs::exists(folder / offers::folder_index_file_name));
    EXPECT_EQ(report.index_file, cache / offers::folder_index_file_name);
    catalogue = folder_catalogue_t{};
    ASSERT_TRUE(index()) << error;
    EXPECT_EQ(report.unchanged, 2);
}

} // namespace
} // namespace tdu::server::test
