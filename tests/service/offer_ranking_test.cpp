// Choosing the best and latest offer, deciding whether they improve on the
// installed driver, and counting the results.
#include "service/offer_ranking.h"

#include "app/environment.h"
#include "common/text.h"
#include "service/installed_links.h"
#include "support/sample_devices.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace tdu;
using namespace tdu::test;

namespace {

offer_fields_t with(offer_fields_t s, void (*change)(offer_fields_t&))
{
    change(s);
    return s;
}

} // namespace

TEST(CompareOffers, FirstDifferingKeyDecides)
{
    struct row {
        const char* what;
        offer_fields_t a, b;
        int a_over_b, b_over_a;
    };
    const offer_fields_t base;
    const row rows[] = {
        {"equal distance either side of 61", with(base, [](offer_fields_t& s) { s.targetos = 60; }),
         with(base, [](offer_fields_t& s) { s.targetos = 62; }), 0, 0},
        {"nearer target system", base, with(base, [](offer_fields_t& s) { s.targetos = 62; }), 1, 0},
        {"older target system further away", base, with(base, [](offer_fields_t& s) { s.targetos = 51; }), 1, 0},
        {"target system far outside the range", base,
         with(base, [](offer_fields_t& s) { s.targetos = 0xFFFFFFFFu; }), 1, 0},
        {"signature beats a later date",
         base, with(base, [](offer_fields_t& s) { s.sign = 1; s.date = u"2014-01-09"; }), 1, 0},
        {"feature score", with(base, [](offer_fields_t& s) { s.feature = 0x10; }),
         with(base, [](offer_fields_t& s) { s.feature = 0xFF; }), 1, 0},
        {"cp", with(base, [](offer_fields_t& s) { s.cp = 1; }), with(base, [](offer_fields_t& s) { s.cp = 2; }), 1, 0},
        {"later date", with(base, [](offer_fields_t& s) { s.date = u"2014-01-09"; }), base, 1, -1},
        {"greater version", with(base, [](offer_fields_t& s) { s.version = u"1.2"; }),
         with(base, [](offer_fields_t& s) { s.version = u"1.1.9.9"; }), 1, 0},
        {"all equal", base, base, 0, 0},
    };
    for (const auto& r : rows) {
        driver_offer_t a = make_offer(r.a), b = make_offer(r.b);
        EXPECT_EQ(compare_offers(a, b, 61), r.a_over_b) << r.what;
        EXPECT_EQ(compare_offers(b, a, 61), r.b_over_a) << r.what;
    }
}

TEST(CompareVersions, ReadsFourNumbersSeparatedBySingleCharacters)
{
    struct row { const char16_t* a; const char16_t* b; bool greater; };
    const row rows[] = {
        {u"6.1.7600.16385", u"6.1.7600.1638", true},
        {u"2.10", u"2.9", true},
        {u"1.2", u"1.2.0.0", false},
        {u"1.2.0.0", u"1.2", false},
        {u"1.2.3.4", u"1.2.3", true},
        {u"1,2", u"1.2", false},
        {u"1.2", u"1,2", false},
        {u"10", u"9.9.9.9", true},
        {u"0.0.0.1", u"abc", true},
        {u"abc", u"", false},
        {u"1..2", u"1.0.0.0", false},  // ".2" is no number: the rest stays 0
        {u"0", u"-1", true},
        {u" 3.1", u"3.0", true},
        {u"8.4.1.0x", u"8.4.1.0", false},
    };
    for (const auto& r : rows) EXPECT_EQ(compare_versions(r.a, r.b), r.greater) << u16_length(r.a);
}

namespace {

struct ranking_fixture_c : ::testing::Test {
    update_client_t client;
    update_request_t request;
    device_t device = make_device({u"PCI\\VEN_8086&DEV_100E", u"net", u"Net", u"PCI", {u"a"}, {u"b"}});
    void SetUp() override { request.os_version = 61; }
    const driver_offer_t* offer(int i) const { return &device.offers[i]; }
};
using RankDeviceOffers = ranking_fixture_c;

} // namespace

TEST_F(RankDeviceOffers, PicksTheBestAndTheLatestOffer)
{
    const offer_fields_t base;
    struct row {
        const char* what;
        std::vector<offer_fields_t> offers;
        int best, latest;
    };
    const row rows[] = {
        {"one offer is both", {base}, 0, 0},
        {"60 and 62 rank equal on 61: the first stays",
         {with(base, [](offer_fields_t& s) { s.targetos = 60; }), with(base, [](offer_fields_t& s) { s.targetos = 62; })}, 0, 0},
        {"62 and 60 the other way round",
         {with(base, [](offer_fields_t& s) { s.targetos = 62; }), with(base, [](offer_fields_t& s) { s.targetos = 60; })}, 0, 0},
        {"61 wins wherever it stands",
         {with(base, [](offer_fields_t& s) { s.targetos = 62; }), base}, 1, 0},
        {"a later date is best and latest",
         {base, with(base, [](offer_fields_t& s) { s.date = u"2014-01-09"; })}, 1, 1},
        {"a signed offer beats a later unsigned one",
         {with(base, [](offer_fields_t& s) { s.sign = 1; s.date = u"2014-01-09"; }), base}, 1, 0},
        {"equal dates keep the earlier as latest",
         {with(base, [](offer_fields_t& s) { s.cp = 5; }), base, with(base, [](offer_fields_t& s) { s.cp = 9; })}, 1, 0},
    };
    for (const auto& r : rows) {
        std::vector<driver_offer_t> offers;
        for (const auto& s : r.offers) offers.push_back(make_offer(s));
        set_offers(device, offers);
        rank_device_offers(client, device, request);
        EXPECT_EQ(device.best_offer, offer(r.best)) << r.what;
        EXPECT_EQ(device.latest_offer, offer(r.latest)) << r.what;
    }
}

TEST_F(RankDeviceOffers, LeavesADeviceWithoutOffersAlone)
{
    rank_device_offers(client, device, request);
    EXPECT_EQ(device.best_offer, nullptr);
    EXPECT_EQ(device.latest_offer, nullptr);
    EXPECT_FALSE(device.best_offer_better);
    EXPECT_FALSE(device.latest_offer_newer);
}

TEST_F(RankDeviceOffers, PassesOverIgnoredOffersAndShowsANewerOneAgain)
{
    const offer_fields_t older = with(offer_fields_t{}, [](offer_fields_t& s) { s.date = u"2012-01-01"; s.link = "http://127.0.0.1/old.zip"; });
    const offer_fields_t current;  // 2013-05-01, 1.0.0.0
    const offer_fields_t newer = with(offer_fields_t{}, [](offer_fields_t& s) { s.date = u"2014-02-02"; s.version = u"1.1.0.0"; });
    set_offers(device, {make_offer(older), make_offer(current)});
    device.has_driver = true;
    copy_field(device.driver_date, device_driver_date_chars, u"2011-01-01");
    copy_field(device.driver_version, device_driver_version_chars, u"0.9");

    // Ignoring the best offer (device ID in another letter case) leaves the older one.
    client.ignored_offers = {{u"pci\\ven_8086&dev_100e", u"1.0.0.0", u"2013-05-01", u"Driver"}};
    rank_device_offers(client, device, request);
    EXPECT_EQ(device.best_offer, offer(0));
    EXPECT_EQ(device.latest_offer, offer(0));

    // Ignoring both: no offer, so no row and no count.
    ignore_offer(client.ignored_offers, ignored_entry_of(*offer(0)));
    rank_device_offers(client, device, request);
    EXPECT_EQ(device.best_offer, nullptr);
    EXPECT_EQ(device.latest_offer, nullptr);
    EXPECT_FALSE(device.best_offer_better);
    EXPECT_EQ(device_offer_state(device, false), device_state_t::none);
    offer_counts_t c = count_offer_results(&device, 1);
    EXPECT_EQ(c.out_of_date + c.no_driver + c.up_to_date, 0);

    // The service offers a newer driver: it is not on the list and shows.
    set_offers(device, {make_offer(older), make_offer(current), make_offer(newer)});
    rank_device_offers(client, device, request);
    EXPECT_EQ(device.best_offer, offer(2));
    EXPECT_TRUE(device.best_offer_better);

    // Ranking the whole inventory again after the list changed.
    device_inventory_t inventory;
    inventory.devices.push_back(std::move(device));
    client.ignored_offers.clear();
    rank_inventory_offers(client, inventory, request);
    EXPECT_EQ(inventory.devices[0].best_offer, &inventory.devices[0].offers[2]);
}

// A changed ignore list ranks a copy of the shown result: the copy's
// pointers lead into its own offers and classes, and the shown result keeps
// its ranking, records and pointers.
TEST_F(RankDeviceOffers, TheIgnoreListRanksACopyAndLeavesTheShownResultAlone)
{
    const offer_fields_t current;  // 2013-05-01, 1.0.0.0
    const offer_fields_t newer = with(offer_fields_t{}, [](offer_fields_t& s) {
        s.date = u"2014-02-02";
        s.version = u"1.1.0.0";
        s.link = "http://127.0.0.1/newer.zip";
    });
    device_inventory_t shown;
    shown.classes.resize(2);
    copy_field(shown.classes[1].class_name, class_name_chars, u"Net");
    shown.class_image_list.image_list = 77;
    set_offers(device, {make_offer(current), make_offer(newer)});
    device.device_class = &shown.classes[1];
    shown.devices.push_back(std::move(device));
    shown.devices.push_back(make_device({u"PCI\\VEN_10EC&DEV_8139", u"net", u"Net", u"PCI", {u"c"}, {}}));
    shown.devices[1].device_class = &shown.classes[1];
    rank_inventory_offers(client, shown, request);
    const device_t& before = shown.devices[0];
    ASSERT_EQ(before.best_offer, &before.offers[1]);

    device_inventory_t ranked = inventory_copy(shown);
    client.ignored_offers = {ignored_entry_of(before.offers[1])};
    rank_inventory_offers(client, ranked, request);

    const device_t& after = ranked.devices[0];
    EXPECT_EQ(after.best_offer, &after.offers[0]) << "the copy passes over the ignored offer";
    EXPECT_EQ(before.best_offer, &before.offers[1]) << "the shown result keeps its ranking";
    EXPECT_EQ(std::string(before.best_offer->link), "http://127.0.0.1/newer.zip");
    EXPECT_NE(after.offers.get(), before.offers.get());
    EXPECT_EQ(after.offer_count, 2);
    EXPECT_EQ(ranked.devices[1].offers, nullptr);
    EXPECT_EQ(ranked.devices[1].offer_count, 0);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(u16view(ranked.devices[i].device_id), u16view(shown.devices[i].device_id));
        EXPECT_EQ(ranked.devices[i].hardware_ids, shown.devices[i].hardware_ids);
        EXPECT_EQ(ranked.devices[i].device_class, &ranked.classes[1]) << "into the copy's classes";
        EXPECT_EQ(shown.devices[i].device_class, &shown.classes[1]);
    }
    EXPECT_EQ(ranked.class_image_list.image_list, 77u);
}

TEST(BestOfferBetter, ComparesWithTheInstalledDriversRank)
{
    struct row {
        const char* what;
        bool has_driver;
        uint32_t rank;
        int32_t os;
        offer_fields_t offer;
        bool better;
    };
    // The installed driver: matching ID "pci\ven_8086&dev_100e", 2013-05-01,
    // version 1.0.0.0. The offer defaults are the same values.
    const offer_fields_t same;
    const row rows[] = {
        {"no installed driver", false, 0, 61, same, true},
        {"identical on 61 with rank 0x00000000", true, 0x00000000, 61, same, false},
        {"rank 0x00FF0000 gives feature score 0xFF: offer 0 is lower", true, 0x00FF0000, 61, same, true},
        {"feature score equal, later date", true, 0x00100000, 61,
         with(same, [](offer_fields_t& s) { s.feature = 0x10; s.date = u"2014-01-09"; }), true},
        {"feature score equal, earlier date", true, 0x00100000, 61,
         with(same, [](offer_fields_t& s) { s.feature = 0x10; s.date = u"2012-01-09"; }), false},
        {"same date, greater version", true, 0, 61, with(same, [](offer_fields_t& s) { s.version = u"1.0.0.1"; }), true},
        {"other matching ID", true, 0, 61, with(same, [](offer_fields_t& s) { s.hardid = u"PCI\\VEN_8086"; }), true},
        {"rank 0x80000000: class 3, a signed offer is better", true, 0x80000000, 61, same, true},
        {"rank 0x80000000: an offer of class 4 is not", true, 0x80000000, 61,
         with(same, [](offer_fields_t& s) { s.sign = 4; s.version = u"9.9"; }), false},
        {"rank 0x0F000000: class 1", true, 0x0F000000, 61, with(same, [](offer_fields_t& s) { s.sign = 1; }), false},
        {"rank 0x0EFFFFFF: class 0, feature 0xFF", true, 0x0EFFFFFF, 61,
         with(same, [](offer_fields_t& s) { s.feature = 0xFF; }), false},
        {"on 60 the rank rules already apply", true, 0x80000000, 60, same, true},
        {"below 60: bits 0xC000 give class 3", true, 0x00004000, 51,
         with(same, [](offer_fields_t& s) { s.sign = 1; }), true},
        // Below 60 the installed driver's rank holds no feature score, so
        // the offer's is compared with nothing: an offer as old as the
        // installed driver, or older and of a lower version, is no update.
        {"below 60: an identical offer is not better", true, 0x00000000, 51, same, false},
        {"below 60: an older, lower-versioned offer is not better", true, 0x00000000, 51,
         with(same, [](offer_fields_t& s) { s.date = u"2012-01-09"; s.version = u"0.9.0.0"; }), false},
        {"below 60: a later offer is better", true, 0x00000000, 51,
         with(same, [](offer_fields_t& s) { s.date = u"2014-01-09"; }), true},
        {"below 60: feature 255 and class 0 fall through to the dates", true, 0x00FF0000, 51,
         with(same, [](offer_fields_t& s) { s.feature = 0xFF; }), false},
    };
    for (const auto& r : rows) {
        device_t d = make_device({u"PCI\\VEN_8086&DEV_100E", u"net", u"Net", u"PCI", {u"a"}, {u"b"}, r.has_driver,
                                  u"pci\\ven_8086&dev_100e", u"2013-05-01", u"1.0.0.0", u"", u"", r.rank});
        EXPECT_EQ(best_offer_better(d, make_offer(r.offer), r.os, {}), r.better) << r.what;
        // A link whose installation was started here is never an update.
        EXPECT_FALSE(best_offer_better(d, make_offer(r.offer), r.os, {r.offer.link})) << r.what;
    }
}

TEST(LatestOfferNewer, ComparesDateThenVersion)
{
    struct row { bool has_driver; const char16_t* date; const char16_t* version; bool newer; };
    const row rows[] = {
        {false, u"2000-01-01", u"0", true},
        {true, u"2013-05-02", u"0", true},
        {true, u"2013-04-30", u"9", false},
        {true, u"2013-05-01", u"1.0.0.1", true},
        {true, u"2013-05-01", u"1.0", false},
    };
    for (const auto& r : rows) {
        device_t d = make_device({u"X", u"x", u"Net", u"PCI", {u"a"}, {u"b"}, r.has_driver, u"x", u"2013-05-01", u"1.0.0.0"});
        offer_fields_t s;
        s.date = r.date;
        s.version = r.version;
        EXPECT_EQ(latest_offer_newer(d, make_offer(s), {}), r.newer) << u16_length(r.date);
        EXPECT_FALSE(latest_offer_newer(d, make_offer(s), {s.link}));
    }
}

TEST(CountOfferResults, WeighsDevicesByTheirInstances)
{
    std::vector<device_t> devices;
    auto add = [&](bool has_driver, bool better, int instances, bool offers) {
        device_t d = make_device({u"X", u"x", u"Net", u"PCI", {u"a"}, {u"b"}, has_driver});
        d.instance_count = instances;
        if (offers) {
            set_offers(d, {make_offer({})});
            d.best_offer = &d.offers[0];
        }
        d.best_offer_better = better;
        devices.push_back(std::move(d));
    };
    add(true, true, 2, true);    // out of date, twice
    add(false, true, 1, true);   // no driver
    add(true, false, 3, true);   // up to date
    add(true, false, 5, false);  // no offer: counted nowhere
    offer_counts_t c = count_offer_results(devices.data(), devices.size());
    EXPECT_EQ(c.out_of_date, 2);
    EXPECT_EQ(c.no_driver, 1);
    EXPECT_EQ(c.up_to_date, 3);
}

TEST(InstalledLinks, ReadsSetupDatBesideTheProgramNotTheCurrentDirectory)
{
    temp_dir_c dir;
    u16 saved(environment.program_folder);
    copy_field(environment.program_folder, path_chars, utf8_to_utf16(dir.path().u8string() + "/"));
    std::string long_link(1500, 'L');
    write_file(dir.path() / "setup.dat", "http://h/a.zip\n  http://h/b.zip \t\r\n\n   \nhttp://h/c d.zip\r\n" + long_link + "\n");
    std::set<std::string> links{"stale"};
    read_installed_links(installed_links_path(environment.program_folder).c_str(), links);
    EXPECT_EQ(links, (std::set<std::string>{"http://h/a.zip", "http://h/b.zip", "http://h/c d.zip",
                                            long_link.substr(0, 1024), long_link.substr(1024)}));

    // A missing file leaves the set as it was.
    copy_field(environment.program_folder, path_chars, utf8_to_utf16((dir.path() / "none").u8string() + "/"));
    read_installed_links(installed_links_path(environment.program_folder).c_str(), links);
    EXPECT_EQ(links.size(), 5u);
    copy_field(environment.program_folder, path_chars, saved);
}

TEST(InstalledLinks, AnInstalledLinkMakesTheDeviceUpToDate)
{
    update_client_t client;
    client.installed_links = {"http://127.0.0.1/pkg.zip"};
    update_request_t request;
    request.os_version = 61;
    device_t no_driver = make_device({u"X", u"x", u"Net", u"PCI", {u"a"}, {u"b"}});
    set_offers(no_driver, {make_offer({})});
    rank_device_offers(client, no_driver, request);
    EXPECT_FALSE(no_driver.best_offer_better);
    EXPECT_FALSE(no_driver.latest_offer_newer);
    offer_counts_t c = count_offer_results(&no_driver, 1);
    EXPECT_EQ(c.up_to_date, 1);
    EXPECT_EQ(c.no_driver, 0);
}
