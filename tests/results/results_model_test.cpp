// The results rules every front end shares: row status, class text, the
// counts and the score, and rows of either kind of offer.
#include "results/results_model.h"

#include <gtest/gtest.h>

#include "support/sample_devices.h"

using namespace tdu;
using namespace tdu::test;

namespace {

offer_fields_t offer(const char* link, const char16_t* date)
{
    offer_fields_t o;
    o.link = link;
    o.date = date;
    return o;
}

// A device whose best offer (the first) is `best` and latest (the second,
// when given) is `latest`.
device_t& add(device_inventory_t& inventory, const char16_t* id, bool has_driver, bool better,
              const offer_fields_t& best, const offer_fields_t* latest = nullptr, int32_t instances = 1)
{
    device_fields_t fields;
    fields.id = id;
    fields.name = id;
    fields.has_driver = has_driver;
    fields.instance_count = instances;
    inventory.devices.push_back(make_device(fields));
    device_t& d = inventory.devices.back();
    std::vector<driver_offer_t> offers{make_offer(best)};
    if (latest) offers.push_back(make_offer(*latest));
    set_offers(d, offers);
    d.best_offer = &d.offers[0];
    d.latest_offer = latest ? &d.offers[1] : &d.offers[0];
    d.best_offer_better = better;
    d.latest_offer_newer = better;
    return d;
}

} // namespace

TEST(ResultsModel, RowStatusIsUpdateBeforeNoDriverBeforeUpToDate)
{
    struct member_t {
        bool has_driver;
        bool better;
    };
    struct case_t {
        const char* what;
        std::vector<member_t> members;
        group_status_t status;
    };
    const case_t cases[] = {
        {"an installed driver is out of date", {{true, true}}, group_status_t::update},
        {"out of date beside a device without driver", {{false, true}, {true, true}}, group_status_t::update},
        {"only devices without driver gain", {{false, true}, {true, false}}, group_status_t::no_driver},
        {"nobody gains", {{true, false}, {false, false}}, group_status_t::up_to_date},
    };
    const offer_fields_t shared = offer("http://127.0.0.1/a.zip", u"2013-01-01");
    for (const case_t& c : cases) {
        device_inventory_t inventory;
        int n = 0;
        for (const member_t& m : c.members) {
            std::u16string id = u"PCI\\DEV_" + std::u16string(1, static_cast<char16_t>(u'0' + n++));
            add(inventory, id.c_str(), m.has_driver, m.better, shared);
        }
        offer_grouping_t rows = result_rows(inventory, offer_kind_t::best);
        ASSERT_EQ(rows.groups.size(), 1u) << c.what;
        EXPECT_EQ(group_status(rows.groups[0]), c.status) << c.what;
    }
}

TEST(ResultsModel, ClassTextFallsBackFromDescriptionToClassNames)
{
    device_class_t described;
    copy_field(described.class_name, class_name_chars, u"Net");
    copy_field(described.description, class_description_chars, u"Network adapters");
    device_class_t bare;
    copy_field(bare.class_name, class_name_chars, u"Media");

    device_fields_t fields;
    fields.class_name = u"Own";
    device_t device = make_device(fields);
    EXPECT_EQ(group_class_text(device), u"Own");  // no class record
    device.device_class = &bare;
    EXPECT_EQ(group_class_text(device), u"Media");
    EXPECT_EQ(group_class_name(device), u"Media");
    device.device_class = &described;
    EXPECT_EQ(group_class_text(device), u"Network adapters");
    EXPECT_EQ(group_class_name(device), u"Net");
}

TEST(ResultsModel, CountsWeighInstancesAndAlwaysUseTheBestOffers)
{
    device_inventory_t inventory;
    add(inventory, u"PCI\\OLD", true, true, offer("http://127.0.0.1/a.zip", u"2013-01-01"), nullptr, 2);
    add(inventory, u"PCI\\BARE", false, true, offer("http://127.0.0.1/b.zip", u"2013-01-01"));
    device_t& current = add(inventory, u"PCI\\CURRENT", true, false, offer("http://127.0.0.1/c.zip", u"2013-01-01"));
    current.latest_offer_newer = true;  // only the latest offer is newer
    device_fields_t none;
    none.id = u"PCI\\NONE";
    inventory.devices.push_back(make_device(none));  // no offers: counted nowhere

    offer_counts_t counts = result_counts(inventory);
    EXPECT_EQ(counts.out_of_date, 2);
    EXPECT_EQ(counts.no_driver, 1);
    EXPECT_EQ(counts.up_to_date, 1);
    EXPECT_EQ(devices_with_offers(inventory), 3u);
}

TEST(ResultsModel, CountsHoldOnlyTheDevicesTheRowsShow)
{
    // Offers that nothing could download or check (an empty link, a digest
    // that is no SHA-256) are refused: each is later than the usable offer
    // and would otherwise be the best and the latest.
    enum offer_kind { usable, no_link, bad_digest };
    struct case_t {
        const char* what;
        std::vector<offer_kind> offers;
        bool shown;
    };
    const case_t cases[] = {
        {"only an offer without link", {no_link}, false},
        {"only an offer with a 63-digit digest", {bad_digest}, false},
        {"refused offers beside a usable one", {no_link, bad_digest, usable}, true},
        {"a usable offer alone", {usable}, true},
    };
    const char* const usable_link = "http://127.0.0.1/usable.zip";
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.what);
        device_inventory_t inventory;
        device_fields_t fields;
        fields.id = u"PCI\\BARE";
        fields.has_driver = false;  // any offer brings it a driver
        fields.instance_count = 2;
        inventory.devices.push_back(make_device(fields));
        device_t& device = inventory.devices.back();
        std::vector<driver_offer_t> offers;
        for (offer_kind kind : c.offers) {
            driver_offer_t o = make_offer(offer(kind == usable ? usable_link : "http://127.0.0.1/refused.zip",
                                                kind == usable ? u"2013-01-01" : u"2014-01-01"));
            if (kind == no_link) o.link[0] = '\0';
            o.digest_malformed = kind == bad_digest;
            offers.push_back(o);
        }
        set_offers(device, offers);
        update_client_t client;
        update_request_t request;
        request.os_version = 61;
        rank_device_offers(client, device, request);

        for (offer_kind_t kind : {offer_kind_t::best, offer_kind_t::latest}) {
            offer_grouping_t rows = result_rows(inventory, kind);
            ASSERT_EQ(rows.groups.size(), c.shown ? 1u : 0u);
            if (c.shown) EXPECT_STREQ(rows.groups[0].key, usable_link);
        }
        offer_counts_t counts = result_counts(inventory);
        EXPECT_EQ(counts.no_driver, c.shown ? 2 : 0);
        EXPECT_EQ(counts.out_of_date, 0);
        EXPECT_EQ(counts.up_to_date, 0);
    }
}

TEST(ResultsModel, ScoreIsTheSquaredShareUpToDateAndFullWithoutOffers)
{
    struct case_t {
        int32_t out_of_date, no_driver, up_to_date;
        int32_t score;
    };
    const case_t cases[] = {
        {0, 0, 0, 100},  // nothing offered: nothing is out of date
        {0, 0, 5, 100},
        {1, 0, 1, 25},
        {2, 1, 4, 32},   // (4/7)^2 = 0.3265...
        {1, 1, 8, 64},
        {0, 3, 0, 0},
        {1, 0, 2, 44},   // (2/3)^2 = 0.444...: the integer part
    };
    for (const case_t& c : cases) {
        offer_counts_t counts{c.out_of_date, c.no_driver, c.up_to_date};
        EXPECT_EQ(result_score(counts), c.score) << c.out_of_date << "/" << c.no_driver << "/" << c.up_to_date;
    }
}

TEST(ResultsModel, RowsOfTheLatestOffersRegroupTheDevices)
{
    device_inventory_t inventory;
    const offer_fields_t best = offer("http://127.0.0.1/best.zip", u"2012-01-01");
    const offer_fields_t latest_a = offer("http://127.0.0.1/latest-a.zip", u"2013-01-01");
    const offer_fields_t latest_b = offer("http://127.0.0.1/latest-b.zip", u"2013-02-01");
    add(inventory, u"PCI\\A", true, true, best, &latest_a);
    add(inventory, u"PCI\\B", true, true, best, &latest_b);

    offer_grouping_t by_best = result_rows(inventory, offer_kind_t::best);
    ASSERT_EQ(by_best.groups.size(), 1u);
    EXPECT_EQ(by_best.groups[0].devices.size(), 2u);
    EXPECT_EQ(by_best.mode, grouping_by_best_offer);

    offer_grouping_t by_latest = result_rows(inventory, offer_kind_t::latest);
    ASSERT_EQ(by_latest.groups.size(), 2u);
    EXPECT_EQ(by_latest.mode, grouping_by_latest_offer);
    for (const offer_group_t& g : by_latest.groups) EXPECT_EQ(g.devices.size(), 1u);
}

// "Ignore this update" on a row takes the offer each member shows in that
// row's kind, once per distinct offer; ranking again with them leaves the
// row and its counts out.
TEST(ResultsModel, IgnoringARowListsItsMembersOffersOfTheRowsKind)
{
    device_inventory_t inventory;
    offer_fields_t best = offer("http://127.0.0.1/best.zip", u"2012-01-01");
    best.hardid = u"PCI\\SHARED";
    offer_fields_t latest_a = offer("http://127.0.0.1/latest-a.zip", u"2013-01-01");
    latest_a.hardid = u"PCI\\A";
    latest_a.version = u"2.0";
    add(inventory, u"PCI\\A", true, true, best, &latest_a);
    add(inventory, u"PCI\\B", true, true, best);

    offer_grouping_t by_best = result_rows(inventory, offer_kind_t::best);
    ASSERT_EQ(by_best.groups.size(), 1u);
    ignored_offers_t entries = group_ignore_entries(by_best.groups[0]);
    ASSERT_EQ(entries.size(), 1u);  // both members show the same offer
    EXPECT_EQ(entries[0].hardware_id, u"PCI\\SHARED");
    EXPECT_EQ(entries[0].date, u"2012-01-01");
    EXPECT_EQ(entries[0].title, u"Driver");

    offer_grouping_t by_latest = result_rows(inventory, offer_kind_t::latest);
    ignored_offers_t latest_entries;
    for (const offer_group_t& g : by_latest.groups)
        for (ignored_offer_t& e : group_ignore_entries(g)) latest_entries.push_back(e);
    ASSERT_EQ(latest_entries.size(), 2u);
    EXPECT_TRUE(offer_ignored(latest_entries, u"PCI\\A", u"2.0", u"2013-01-01"));
    EXPECT_TRUE(offer_ignored(latest_entries, u"PCI\\SHARED", u"1.0.0.0", u"2012-01-01"));

    // Ranked again with the best row's entries: no offer is left for B, so
    // it leaves the rows and the counts; A keeps its latest offer.
    update_client_t client;
    client.ignored_offers = entries;
    update_request_t request;
    request.os_version = 61;
    rank_inventory_offers(client, inventory, request);
    offer_counts_t counts = result_counts(inventory);
    EXPECT_EQ(counts.out_of_date + counts.no_driver + counts.up_to_date, 1);
    offer_grouping_t after = result_rows(inventory, offer_kind_t::best);
    ASSERT_EQ(after.groups.size(), 1u);
    ASSERT_EQ(after.groups[0].devices.size(), 1u);
    EXPECT_EQ(u16(after.groups[0].devices[0]->device_id), u"PCI\\A");
    EXPECT_EQ(u16(after.groups[0].offer->version), u"2.0");
}

// The counts, a row's status and the console all read one rule: a device
// without a driver whose offer improves nothing (its installation was
// already started) is up to date everywhere, and a row of the latest
// offers says what the latest offers' comparison says.
TEST(ResultsModel, CountsAndRowStatusFollowOneRulePerDevice)
{
    device_inventory_t inventory;
    const offer_fields_t a = offer("http://127.0.0.1/a.zip", u"2013-01-01");
    const offer_fields_t b = offer("http://127.0.0.1/b.zip", u"2013-01-01");
    add(inventory, u"PCI\\A", false, false, a);  // without a driver; its installation was started here
    add(inventory, u"PCI\\B", true, false, b);
    inventory.devices[1].latest_offer_newer = true;  // only its latest offer is newer
    const device_t& started_here = inventory.devices[0];

    offer_counts_t counts = result_counts(inventory);
    EXPECT_EQ(counts.out_of_date, 0);
    EXPECT_EQ(counts.no_driver, 0);
    EXPECT_EQ(counts.up_to_date, 2);
    EXPECT_EQ(device_offer_state(started_here, false), device_state_t::up_to_date);

    for (offer_kind_t kind : {offer_kind_t::best, offer_kind_t::latest}) {
        offer_grouping_t rows = result_rows(inventory, kind);
        ASSERT_EQ(rows.groups.size(), 2u);
        for (const offer_group_t& g : rows.groups) {
            const bool latest = kind == offer_kind_t::latest;
            device_state_t state = device_offer_state(*g.devices.front(), latest);
            group_status_t expected = state == device_state_t::out_of_date ? group_status_t::update
                                      : state == device_state_t::no_driver ? group_status_t::no_driver
                                                                           : group_status_t::up_to_date;
            EXPECT_EQ(group_status(g), expected);
            // The grouping's own flag agrees with the rule.
            EXPECT_EQ(g.no_update, state == device_state_t::up_to_date);
        }
    }
    offer_grouping_t by_latest = result_rows(inventory, offer_kind_t::latest);
    bool update_row = false;
    for (const offer_group_t& g : by_latest.groups) update_row = update_row || group_status(g) == group_status_t::update;
    EXPECT_TRUE(update_row);  // B's latest offer is newer than its driver
}
