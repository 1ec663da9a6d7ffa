#include "catalogue/package_files.h"
#include "catalogue/catalogue_db.h"
#include "http/finder_pool.h"
#include "offers/identifier_score.h"
#include "matching/offer_finder.h"
#include "server_test_support.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>

namespace fs = std::filesystem;
using namespace tdu::server;
using tdu::test::temp_dir_c;
using tdu::test::write_file;

namespace {

// A device as a PCI bus reports it: its IDs from specific to generic.
const device_query_t pci_device = {
    {"PCI\\VEN_1111&DEV_2222&SUBSYS_00011111&REV_01", "PCI\\VEN_1111&DEV_2222&SUBSYS_00011111",
     "PCI\\VEN_1111&DEV_2222&CC_020000", "PCI\\VEN_1111&DEV_2222&CC_0200"},
    {"PCI\\VEN_1111&DEV_2222&REV_01", "PCI\\VEN_1111&DEV_2222", "PCI\\VEN_1111&CC_020000", "PCI\\VEN_1111&CC_0200",
     "PCI\\VEN_1111", "PCI\\CC_020000", "PCI\\CC_0200"}};

std::map<std::string, offer_t> offers_by_package(const fs::path& catalogue, const device_query_t& device,
                                                 const char* os)
{
    offer_finder_t finder;
    std::string error;
    EXPECT_TRUE(finder.open(catalogue.string(), error)) << error;
    std::vector<offer_t> offers;
    EXPECT_TRUE(finder.find(device, *find_os_profile(os), 500, offers, error)) << error;
    std::map<std::string, offer_t> out;
    for (auto& o : offers) out[o.package] = o;
    return out;
}

bool has_problem(const index_report_t& report, const std::string& text)
{
    return std::any_of(report.problems.begin(), report.problems.end(),
                       [&](const std::string& p) { return p.find(text) != std::string::npos; });
}

} // namespace

TEST(IdentifierScore, FollowsTheWindowsRankTable)
{
    struct row {
        bool device_hardware;
        size_t device_position, inf_position;
        unsigned score;
    };
    const row rows[] = {
        {true, 0, 0, 0x0000},     {true, 1, 0, 0x0001},      {true, 0, 1, 0x1000},     {true, 1, 2, 0x1001},
        {false, 0, 0, 0x2000},    {false, 1, 0, 0x2001},     {false, 0, 1, 0x3000},    {false, 0, 2, 0x3100},
        {false, 1, 2, 0x3101},    {true, 5000, 0, 0x0FFF},   {false, 300, 1, 0x30FF},  {false, 0, 40, 0x3F00},
    };
    for (const auto& r : rows)
        EXPECT_EQ(identifier_score(r.device_hardware, r.device_position, r.inf_position), r.score)
            << r.device_hardware << " " << r.device_position << " " << r.inf_position;
}

TEST(Catalogue, MatchesEveryIdKindWithItsScoreAndIgnoresCase)
{
    temp_dir_c dir;
    fs::path packages = dir.path() / "packages";
    auto add = [&](const std::string& name, const std::string& ids, const std::string& date = "01/01/2013") {
        test::write_zip(packages / (name + ".zip"), {{"drv/d.inf", test::small_inf(date, "1.0", {ids})}});
    };
    add("hw-hw", "PCI\\VEN_1111&DEV_2222&SUBSYS_00011111");                       // device HW 1, INF HW
    add("hw-compat", "PCI\\VEN_9999&DEV_0001, PCI\\VEN_9999&DEV_0002, pci\\ven_1111&dev_2222&subsys_00011111");
    add("compat-hw", "PCI\\VEN_1111&DEV_2222");                                    // device compat 1, INF HW
    add("compat-compat", "PCI\\VEN_9999&DEV_0003, PCI\\VEN_9999&DEV_0004, PCI\\CC_0200"); // compat 6, INF compat 1
    add("best-of-two", "PCI\\VEN_1111&DEV_2222, PCI\\VEN_1111&DEV_2222&CC_0200");  // 0x2001 or 0x1003: 0x1003
    add("no-match", "PCI\\VEN_1111&DEV_3333");
    fs::path catalogue = dir.path() / "catalogue.db";
    test::index_folder(packages, catalogue);

    auto offers = offers_by_package(catalogue, pci_device, "WIN7");
    ASSERT_EQ(offers.size(), 5u);
    EXPECT_EQ(offers["hw-hw.zip"].cp, 0x0001u);
    EXPECT_EQ(offers["hw-compat.zip"].cp, 0x1001u);
    EXPECT_EQ(offers["hw-compat.zip"].hardid, "pci\\ven_1111&dev_2222&subsys_00011111"); // as the INF writes it
    EXPECT_EQ(offers["compat-hw.zip"].cp, 0x2001u);
    EXPECT_EQ(offers["compat-compat.zip"].cp, 0x3106u);
    EXPECT_EQ(offers["best-of-two.zip"].cp, 0x1003u);
    EXPECT_EQ(offers["best-of-two.zip"].hardid, "PCI\\VEN_1111&DEV_2222&CC_0200");
    EXPECT_EQ(offers["hw-hw.zip"].date, "2013-01-01");
    EXPECT_EQ(offers["hw-hw.zip"].version, "1.0.0.0");
    EXPECT_EQ(offers["hw-hw.zip"].manufacturer, "Test Maker");
    EXPECT_EQ(offers["hw-hw.zip"].inf_path, "drv/d.inf");
    EXPECT_EQ(offers["hw-hw.zip"].size, fs::file_size(packages / "hw-hw.zip"));
}

TEST(Catalogue, OffersOnlyWhatTheRequestedSystemWouldUse)
{
    temp_dir_c dir;
    fs::path packages = dir.path() / "packages";
    const std::string id = "PCI\\VEN_1111&DEV_2222";
    std::string win7_x64 = "[Version]\nSignature=$Windows NT$\nDriverVer=05/05/2013,2.0\n"
                           "CatalogFile.NTamd64=x64.cat\n"
                           "[Manufacturer]\nMaker=M,NTamd64.6.1\n[M.NTamd64.6.1]\nDev=I," + id + "\n"
                           "[I.NTamd64]\nFeatureScore=0x10\n";
    std::string plain = "[Version]\nSignature=$Chicago$\nDriverVer=05/05/2009,1.0\nCatalogFile=p.cat\n"
                        "[Manufacturer]\nMaker\n[Maker]\nDev=I," + id + "\n";
    test::write_zip(packages / "win7-x64.zip", {{"d/w.inf", win7_x64}, {"d/x64.cat", "cat"}});
    test::write_zip(packages / "undecorated.zip", {{"d/p.inf", plain}, {"d/P.CAT", "cat"}});
    fs::path catalogue = dir.path() / "catalogue.db";
    test::index_folder(packages, catalogue);

    struct row {
        const char* os;
        std::vector<std::string> packages;
    };
    const row rows[] = {
        {"WIN764", {"win7-x64.zip"}}, {"WIN864", {"win7-x64.zip"}}, {"VISTA64", {}},
        {"WIN7", {"undecorated.zip"}}, {"WINXP", {"undecorated.zip"}},
    };
    for (const auto& r : rows) {
        auto offers = offers_by_package(catalogue, pci_device, r.os);
        std::vector<std::string> names;
        for (const auto& [name, o] : offers) names.push_back(name);
        EXPECT_EQ(names, r.packages) << r.os;
    }
    auto x64 = offers_by_package(catalogue, pci_device, "WIN764")["win7-x64.zip"];
    EXPECT_EQ(x64.target_os, 61u);
    EXPECT_EQ(x64.feature, 0x10u);
    EXPECT_EQ(x64.sign, 0u); // CatalogFile.NTamd64 names a file the package holds
    auto plain_offer = offers_by_package(catalogue, pci_device, "WIN7")["undecorated.zip"];
    EXPECT_EQ(plain_offer.target_os, 0u);
    EXPECT_EQ(plain_offer.feature, 0xFFu);
    EXPECT_EQ(plain_offer.sign, 0u); // catalog names compare without regard to case
}

TEST(Catalogue, ReportsBadPackagesAndInfsAndKeepsTheGoodOnes)
{
    temp_dir_c dir;
    fs::path packages = dir.path() / "packages";
    const std::string good = test::small_inf("02/03/2013", "1.2.3.4", {"PCI\\VEN_1111&DEV_2222"},
                                             "CatalogFile=good.cat\r\n");
    test::write_zip(packages / "signed.zip", {{"drv/good.inf", good}, {"drv/good.cat", "catalog"}});
    test::write_zip(packages / "mixed.zip",
                    {{"drv/good.inf", good}, {"drv/bad.inf", "[Version]\r\nSignature=\"$Windows NT$\r\n"}});
    test::write_zip(packages / "hostile.zip", {{"drv/good.inf", good}, {"../../outside.inf", good}});
    write_file(packages / "broken.zip", "PK\x03\x04 this is no archive");
    write_file(packages / "notes.txt", "not a package");
    write_file(packages / "folder-pkg" / "sub" / "f.inf", good); // its catalog file is missing
    write_file(packages / "folder-pkg" / "setup.exe", "MZ");
    fs::path catalogue = dir.path() / "catalogue.db";
    auto report = test::index_folder(packages, catalogue);

    EXPECT_EQ(report.added, 3); // signed, mixed, folder-pkg
    EXPECT_EQ(report.drivers, 3);
    EXPECT_TRUE(has_problem(report, "mixed.zip/drv/bad.inf:2: a quoted string is not closed"));
    EXPECT_TRUE(has_problem(report, "hostile.zip: entry '../../outside.inf' would be unpacked outside"));
    EXPECT_TRUE(has_problem(report, "broken.zip: not a zip archive"));
    EXPECT_TRUE(has_problem(report, "notes.txt: neither a zip archive nor a folder"));

    auto offers = offers_by_package(catalogue, pci_device, "WIN7");
    ASSERT_EQ(offers.size(), 3u);
    EXPECT_EQ(offers["signed.zip"].sign, 0u);
    EXPECT_EQ(offers["folder-pkg.zip"].sign, 3u);
    EXPECT_EQ(offers["folder-pkg.zip"].inf_path, "sub/f.inf");

    // the folder was zipped for download into the store, under its digest,
    // and the zip holds its files
    fs::path zipped = fs::path(catalogue.string() + ".zips") / offers["folder-pkg.zip"].sha256.substr(0, 16) /
                      "folder-pkg.zip";
    package_contents_t contents;
    std::string error;
    ASSERT_TRUE(read_zip_package(zipped, contents, error)) << error;
    ASSERT_EQ(contents.entries.size(), 2u);
    EXPECT_EQ(contents.entries[0].path, "setup.exe");
    EXPECT_EQ(contents.infs[0].bytes, good);
    EXPECT_EQ(offers["folder-pkg.zip"].size, fs::file_size(zipped));
}

TEST(Catalogue, ReindexingUpdatesTheCatalogueInPlace)
{
    temp_dir_c dir;
    fs::path packages = dir.path() / "packages";
    auto inf = [](const char* version) { return test::small_inf("01/01/2013", version, {"PCI\\VEN_1111&DEV_2222"}); };
    test::write_zip(packages / "stays.zip", {{"d/s.inf", inf("1.0")}});
    test::write_zip(packages / "goes.zip", {{"d/g.inf", inf("1.0")}});
    write_file(packages / "changes" / "d" / "c.inf", inf("1.0"));
    fs::path catalogue = dir.path() / "catalogue.db";
    auto first = test::index_folder(packages, catalogue);
    EXPECT_EQ(first.added, 3);
    const fs::path store = catalogue.string() + ".zips";
    auto stored = [&](const char* package) {
        auto offers = offers_by_package(catalogue, pci_device, "WIN7");
        return store / offers[package].sha256.substr(0, 16) / package;
    };
    fs::path zipped = stored("changes.zip");
    std::string digest_before, digest_after, error;
    ASSERT_TRUE(sha256_file(zipped, digest_before, error));

    auto again = test::index_folder(packages, catalogue);
    EXPECT_EQ(again.unchanged, 3);
    EXPECT_EQ(again.added + again.updated + again.removed, 0);

    fs::remove(packages / "goes.zip");
    write_file(packages / "changes" / "d" / "c.inf", inf("2.0.1"));
    test::write_zip(packages / "new.zip", {{"d/n.inf", inf("3.0")}});
    auto third = test::index_folder(packages, catalogue);
    EXPECT_EQ(third.unchanged, 1);
    EXPECT_EQ(third.updated, 1);
    EXPECT_EQ(third.removed, 1);
    EXPECT_EQ(third.added, 1);
    // the new content is a new file; the old one stays as it was, for the
    // clients that were offered it
    ASSERT_TRUE(sha256_file(stored("changes.zip"), digest_after, error));
    EXPECT_NE(digest_before, digest_after);
    ASSERT_TRUE(sha256_file(zipped, digest_after, error));
    EXPECT_EQ(digest_before, digest_after);

    auto offers = offers_by_package(catalogue, pci_device, "WIN7");
    ASSERT_EQ(offers.size(), 3u);
    EXPECT_EQ(offers.count("goes.zip"), 0u);
    EXPECT_EQ(offers["changes.zip"].version, "2.0.1.0");
    EXPECT_EQ(offers["new.zip"].version, "3.0.0.0");

    // a vanished folder's zip stays in the store until a later run finds
    // it retired for long enough (here: at once), as does every earlier file
    fs::path last = stored("changes.zip");
    fs::remove_all(packages / "changes");
    index_options_t options;
    options.packages = packages;
    options.catalogue = catalogue;
    options.keep_retired = std::chrono::seconds(0);
    index_report_t report;
    ASSERT_TRUE(index_packages(options, report, error)) << error;
    EXPECT_TRUE(fs::exists(last));
    EXPECT_FALSE(fs::exists(zipped));
    ASSERT_TRUE(index_packages(options, report, error)) << error;
    EXPECT_FALSE(fs::exists(last));
    size_t files = 0;
    for (const auto& e : fs::recursive_directory_iterator(store)) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 2u); // stays.zip and new.zip
}

TEST(Catalogue, OffersAreListedBestFirst)
{
    offer_t base;
    base.sign = 0;
    base.feature = 0xFF;
    base.cp = 1;
    base.date = "2013-01-01";
    base.version = "1.0.0.0";
    auto with = [&](auto change) {
        offer_t o = base;
        change(o);
        return o;
    };
    // each pair: the first ranks before the second
    const std::pair<offer_t, offer_t> pairs[] = {
        {base, with([](offer_t& o) { o.sign = 3; o.cp = 0; })},
        {with([](offer_t& o) { o.feature = 0x80; }), with([](offer_t& o) { o.cp = 0; })},
        {with([](offer_t& o) { o.cp = 0; }), with([](offer_t& o) { o.date = "2014-01-01"; })},
        {with([](offer_t& o) { o.date = "2014-01-01"; }), base},
        {with([](offer_t& o) { o.version = "1.0.0.10"; }), with([](offer_t& o) { o.version = "1.0.0.9"; })},
    };
    for (const auto& [a, b] : pairs) {
        EXPECT_TRUE(offer_ranks_before(a, b));
        EXPECT_FALSE(offer_ranks_before(b, a));
    }
}

TEST(Catalogue, EntryNamesOfAnyLengthAreReadWhole)
{
    temp_dir_c dir;
    fs::path packages = dir.path() / "packages";
    const std::string inf = test::small_inf("01/01/2013", "1.0", {"PCI\\VEN_1111&DEV_2222"});
    // names around the size of a fixed name buffer, and far past it
    for (size_t length : {1023u, 1024u, 1025u, 4000u}) {
        std::string folder = std::string(length - 6, 'd');
        test::write_zip(packages / ("long" + std::to_string(length) + ".zip"), {{folder + "/a.inf", inf}});
    }
    auto report = test::index_folder(packages, dir.path() / "catalogue.db");
    EXPECT_EQ(report.added, 4);
    auto offers = offers_by_package(dir.path() / "catalogue.db", pci_device, "WIN7");
    ASSERT_EQ(offers.size(), 4u);
    EXPECT_EQ(offers["long4000.zip"].inf_path, std::string(3994, 'd') + "/a.inf");
    EXPECT_EQ(offers["long1024.zip"].inf_path.size(), 1024u);
}

TEST(Catalogue, PackagesTheProgramCannotSizeAreNotOffered)
{
    temp_dir_c dir;
    fs::path packages = dir.path() / "packages";
    const std::string inf = test::small_inf("01/01/2013", "1.0", {"PCI\\VEN_1111&DEV_2222"});
    test::write_zip(packages / "small.zip", {{"d/a.inf", inf}});
    test::write_zip(packages / "huge.zip", {{"d/a.inf", inf}});
    test::write_zip(packages / "edge.zip", {{"d/a.inf", inf}});
    fs::path catalogue = dir.path() / "catalogue.db";
    test::index_folder(packages, catalogue);
    {
        // sizes as a package of 4 GiB (and one byte less) would have them
        catalogue_db_t db;
        std::string error;
        ASSERT_TRUE(db.open(catalogue.string(), true, error)) << error;
        ASSERT_TRUE(db.exec("UPDATE packages SET size = 4294967296 WHERE name = 'huge.zip'", error)) << error;
        ASSERT_TRUE(db.exec("UPDATE packages SET size = 4294967295 WHERE name = 'edge.zip'", error)) << error;
    }
    auto offers = offers_by_package(catalogue, pci_device, "WIN7");
    EXPECT_EQ(offers.count("small.zip"), 1u);
    EXPECT_EQ(offers.count("edge.zip"), 1u);
    EXPECT_EQ(offers.count("huge.zip"), 0u);
    ASSERT_EQ(offers["small.zip"].sha256.size(), 64u);
    std::string digest, error;
    ASSERT_TRUE(sha256_file(packages / "small.zip", digest, error));
    EXPECT_EQ(offers["small.zip"].sha256, digest);
}

TEST(Catalogue, ALeaseGivenBackInsideASnapshotComesBackOutsideIt)
{
    temp_dir_c dir;
    fs::path packages = dir.path() / "packages";
    test::write_zip(packages / "a.zip", {{"d/a.inf", test::small_inf("01/01/2013", "1.0", {"PCI\\VEN_1111&DEV_2222"})}});
    fs::path catalogue = dir.path() / "catalogue.db";
    test::index_folder(packages, catalogue);
    finder_pool_t pool(catalogue.string());
    std::string error;
    try {
        auto lease = pool.borrow(error);
        ASSERT_TRUE(lease) << error;
        ASSERT_TRUE(lease->begin_snapshot(error)) << error;
        throw std::runtime_error("a request fails half-way");
    } catch (const std::runtime_error&) {
    }
    auto again = pool.borrow(error);
    ASSERT_TRUE(again) << error;
    EXPECT_FALSE(again->in_snapshot());
    // and the connection serves the next request
    ASSERT_TRUE(again->begin_snapshot(error)) << error;
    std::vector<offer_t> offers;
    EXPECT_TRUE(again->find(pci_device, *find_os_profile("WIN7"), 500, offers, error)) << error;
    EXPECT_EQ(offers.size(), 1u);
    again->end_snapshot();
}

TEST(Catalogue, KeepingTheBestOffersKeepsTheProgramsOwnChoices)
{
    const os_profile_t& win7 = *find_os_profile("WIN7");
    auto offer = [](const char* package, unsigned cp, const char* date, unsigned target_os) {
        offer_t o;
        o.package = package;
        o.cp = cp;
        o.date = date;
        o.target_os = target_os;
        o.version = "1.0";
        return o;
    };
    // ranked best first by the service: lower cp first
    std::vector<offer_t> offers = {
        offer("a", 0, "2010-01-01", 0),  offer("b", 1, "2010-01-01", 0), offer("c", 2, "2010-01-01", 0),
        offer("d", 3, "2010-01-01", 0),  offer("newest", 4, "2015-01-01", 0),
        offer("nearest", 5, "2010-01-01", 61), offer("e", 6, "2010-01-01", 0),
    };
    keep_best_offers(offers, win7, 2);
    std::vector<std::string> kept;
    for (const auto& o : offers) kept.push_back(o.package);
    // the two best, the newest, and the one whose target is nearest to Windows 7
    EXPECT_EQ(kept, (std::vector<std::string>{"a", "b", "newest", "nearest"}));
}

TEST(Catalogue, KeySetHoldsEveryKeyItWasGiven)
{
    std::vector<std::string> keys;
    for (int i = 0; i < 5000; ++i) keys.push_back("PCI\\VEN_" + std::to_string(i) + "&DEV_" + std::to_string(i * 7));
    keys.push_back("");
    keys.push_back(keys[10]); // twice
    id_key_set_t set;
    size_t next = 0;
    set.build([&](std::string& key) {
        if (next == keys.size()) return false;
        key = keys[next++];
        return true;
    });
    EXPECT_EQ(set.size(), keys.size() - 1);
    for (const auto& k : keys) EXPECT_TRUE(set.may_hold(k)) << k;
    int passed = 0;
    for (int i = 0; i < 5000; ++i) passed += set.may_hold("USB\\VID_" + std::to_string(i));
    EXPECT_LT(passed, 2); // 64-bit hashes: a stray match is next to impossible
    id_key_set_t empty;
    EXPECT_FALSE(empty.may_hold("PCI\\VEN_1"));
}
