// The result groups: devices sharing an offered package, ordered by need,
// class category and class description.
#include "devices/offer_grouping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "devices/scan_check.h"

using namespace tdu;
using namespace tdu::test;

namespace {

// Devices described by (class name, class description, best link, best
// needs update, latest link, latest needs update); an empty link is an offer
// without link, a null one no offer.
struct spec_t {
    const char16_t* class_name;
    const char16_t* description;
    const char* best_link;
    bool best_better;
    const char* latest_link;
    bool latest_newer;
};

struct bench_t {
    std::vector<device_class_t> classes;
    std::vector<device_t> devices;
};

bench_t make(const std::vector<spec_t>& specs)
{
    bench_t b;
    b.classes.reserve(specs.size());
    for (const spec_t& s : specs) {
        device_class_t c;
        copy_field(c.class_name, class_name_chars, s.class_name);
        copy_field(c.description, class_description_chars, s.description);
        b.classes.push_back(c);
    }
    for (size_t i = 0; i < specs.size(); ++i) {
        const spec_t& s = specs[i];
        device_t d;
        copy_field(d.device_id, device_id_chars, ascii_to_utf16("DEV\\" + std::to_string(i)));
        d.device_class = &b.classes[i];
        copy_field(d.class_name, device_class_name_chars, s.class_name);
        d.offers.reset(new driver_offer_t[2]());
        d.offer_count = 2;
        if (s.best_link) {
            copy_field(d.offers[0].link, offer_link_bytes, s.best_link);
            d.best_offer = &d.offers[0];
            d.best_offer_better = s.best_better;
        }
        if (s.latest_link) {
            copy_field(d.offers[1].link, offer_link_bytes, s.latest_link);
            d.latest_offer = &d.offers[1];
            d.latest_offer_newer = s.latest_newer;
        }
        b.devices.push_back(std::move(d));
    }
    return b;
}

// "link:device,device:no_update" per group, in order.
std::vector<std::string> summary(const offer_grouping_t& g, const bench_t& b)
{
    std::vector<std::string> out;
    for (const offer_group_t& group : g.groups) {
        std::string s = std::string(group.key) + ":";
        for (size_t i = 0; i < group.devices.size(); ++i)
            s += (i ? "," : "") + std::to_string(group.devices[i] - b.devices.data());
        s += ":" + std::to_string(group.no_update);
        EXPECT_EQ(group.offer, group.mode == 0 ? group.devices[0]->best_offer : group.devices[0]->latest_offer);
        EXPECT_EQ(group.key, group.offer->link);
        out.push_back(s);
    }
    return out;
}

} // namespace

TEST(OfferGrouping, OrdersByNeedThenCategoryThenDescription)
{
    bench_t b = make({
        {u"Display", u"Display adapters", "http://d/up-to-date", false, nullptr, false},  // 0
        {u"Net", u"Network adapters", "http://n/pending", true, nullptr, false},           // 1
        {u"Display", u"Display adapters", "http://d/pending", true, nullptr, false},       // 2
        {u"Ports", u"Ports (COM & LPT)", "http://p/pending", true, nullptr, false},        // 3
        {u"Battery", u"Batteries", "http://b/pending", true, nullptr, false},              // 4
        {u"Unknown", u"Other devices", "http://u/pending", true, nullptr, false},          // 5
        {u"Printer", u"Printers", "http://pr/up-to-date", false, nullptr, false},          // 6
    });
    offer_grouping_t g;
    offer_grouping_build(g, b.devices.data(), static_cast<int32_t>(b.devices.size()), grouping_by_best_offer);
    EXPECT_EQ(g.devices, b.devices.data());
    EXPECT_EQ(g.count, 7);
    EXPECT_EQ(g.mode, 0);
    // Pending first: Unknown (0), Display (1), Net (3), then the two of
    // category 6 by description (Batteries before Ports); then up to date.
    EXPECT_EQ(summary(g, b), (std::vector<std::string>{
                                 "http://u/pending:5:0", "http://d/pending:2:0", "http://n/pending:1:0",
                                 "http://b/pending:4:0", "http://p/pending:3:0", "http://d/up-to-date:0:1",
                                 "http://pr/up-to-date:6:1"}));
}

TEST(OfferGrouping, DevicesSharingALinkFormOneGroupThatNeedsAnUpdateIfAnyDoes)
{
    bench_t b = make({
        {u"Net", u"Network adapters", "http://x/pkg.zip", false, nullptr, false},
        {u"MEDIA", u"Sound", "http://y/other.zip", false, nullptr, false},
        {u"Net", u"Network adapters", "http://x/pkg.zip", true, nullptr, false},
        {u"Net", u"Network adapters", "http://X/pkg.zip", false, nullptr, false},  // bytes differ: its own group
    });
    offer_grouping_t g;
    offer_grouping_build(g, b.devices.data(), 4, grouping_by_best_offer);
    EXPECT_EQ(summary(g, b), (std::vector<std::string>{"http://x/pkg.zip:0,2:0", "http://y/other.zip:1:1",
                                                       "http://X/pkg.zip:3:1"}));
}

TEST(OfferGrouping, LatestModeUsesTheLatestOffersAndSkipsDevicesWithoutLink)
{
    bench_t b = make({
        {u"Net", u"Network adapters", "http://best/a", true, "http://latest/a", false},
        {u"Net", u"Network adapters", "http://best/b", true, nullptr, false},  // no latest offer
        {u"Net", u"Network adapters", "http://best/c", true, "", true},        // latest offer without link
        {u"Net", u"Network adapters", "http://best/d", false, "http://latest/d", true},
    });
    offer_grouping_t g;
    offer_grouping_build(g, b.devices.data(), 4, grouping_by_latest_offer);
    EXPECT_EQ(g.mode, 1);
    EXPECT_EQ(summary(g, b), (std::vector<std::string>{"http://latest/d:3:0", "http://latest/a:0:1"}));
    for (const offer_group_t& group : g.groups) EXPECT_EQ(group.mode, 1);

    // Rebuilding empties the previous groups.
    offer_grouping_build(g, b.devices.data(), 0, grouping_by_best_offer);
    EXPECT_TRUE(g.groups.empty());
}

TEST(OfferGrouping, ADeviceWithoutClassNameSortsAsUnknown)
{
    // A device without class name was tied to the class entry "Unknown",
    // whose category (0) orders it first.
    bench_t b = make({
        {u"Net", u"Network adapters", "http://n", true, nullptr, false},
        {u"Unknown", u"Other devices", "http://u", true, nullptr, false},
    });
    b.devices[1].class_name[0] = 0;
    offer_grouping_t g;
    offer_grouping_build(g, b.devices.data(), 2, grouping_by_best_offer);
    EXPECT_EQ(summary(g, b), (std::vector<std::string>{"http://u:1:0", "http://n:0:0"}));
}

TEST(OfferGrouping, DescriptionsCompareLikeTheUsersCollationNotByCodeUnits)
{
    // Code units would put "Zip drives" before "audio"; the user's order
    // compares letters without regard to case first.
    bench_t b = make({
        {u"Other1", u"Zip drives", "http://z", true, nullptr, false},
        {u"Other2", u"audio", "http://a", true, nullptr, false},
        {u"Other3", u"Audio", "http://A", true, nullptr, false},
    });
    offer_grouping_t g;
    offer_grouping_build(g, b.devices.data(), 3, grouping_by_best_offer);
    EXPECT_EQ(summary(g, b), (std::vector<std::string>{"http://a:1:0", "http://A:2:0", "http://z:0:0"}));
}

TEST(OfferGrouping, ManyGroupsComeInTheOrderOfAStableSortByNeedCategoryAndDescription)
{
    // Classes in their description order (lower case before upper case on
    // a tie), with their categories.
    struct kind_t {
        const char16_t* name;
        const char16_t* description;
        int category;
    };
    const kind_t kinds[] = {
        {u"Battery", u"Batteries", 6},        {u"Display", u"Display adapters", 1},
        {u"Net", u"Network adapters", 3},     {u"Unknown", u"Other devices", 0},
        {u"Ports", u"ports (com & lpt)", 6},  {u"Ports", u"Ports (COM & LPT)", 6},
        {u"Printer", u"Printers", 5},         {u"MEDIA", u"Sound, video and game controllers", 2},
    };
    const int kind_count = 8;
    std::vector<spec_t> specs;
    std::vector<std::string> links;
    uint32_t seed = 7;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    for (int i = 0; i < 400; ++i) links.push_back("http://g/" + std::to_string(next() % 170));
    for (int i = 0; i < 400; ++i) {
        const kind_t& k = kinds[next() % kind_count];
        specs.push_back({k.name, k.description, links[static_cast<size_t>(i)].c_str(), next() % 3 == 0, nullptr, false});
    }
    bench_t b = make(specs);
    offer_grouping_t g;
    offer_grouping_build(g, b.devices.data(), static_cast<int32_t>(b.devices.size()), grouping_by_best_offer);

    // The reference: groups in order of first appearance, then a stable sort.
    struct ref_t {
        std::string link;
        int no_update;
        int category;
        int description;
    };
    std::vector<ref_t> ref;
    for (size_t i = 0; i < specs.size(); ++i) {
        auto same = [&](const ref_t& r) { return r.link == specs[i].best_link; };
        auto found = std::find_if(ref.begin(), ref.end(), same);
        int kind = 0;
        while (kinds[kind].description != specs[i].description) ++kind;
        if (found == ref.end())
            ref.push_back({specs[i].best_link, specs[i].best_better ? 0 : 1, kinds[kind].category, kind});
        else if (specs[i].best_better)
            found->no_update = 0;
    }
    std::stable_sort(ref.begin(), ref.end(), [](const ref_t& a, const ref_t& c) {
        if (a.no_update != c.no_update) return a.no_update < c.no_update;
        if (a.category != c.category) return a.category < c.category;
        return a.description < c.description;
    });
    ASSERT_EQ(g.groups.size(), ref.size());
    for (size_t i = 0; i < ref.size(); ++i) {
        EXPECT_EQ(std::string(g.groups[i].key), ref[i].link) << i;
        EXPECT_EQ(g.groups[i].no_update, ref[i].no_update) << i;
    }
}
