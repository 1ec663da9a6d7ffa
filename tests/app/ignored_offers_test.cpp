// The ignore list: which offers it matches, and its stored form read back
// from what a user, an older program or a damaged value may have left.
#include "app/ignored_offers.h"

#include <gtest/gtest.h>

using namespace tdu;

namespace {

u16 multi(std::initializer_list<u16view> strings)
{
    u16 out;
    for (u16view s : strings) {
        out += s;
        out += char16_t(0);
    }
    out += char16_t(0);
    return out;
}

} // namespace

TEST(IgnoredOffers, MatchesDeviceIdWithoutCaseButVersionAndDateExactly)
{
    ignored_offers_t list;
    ASSERT_TRUE(ignore_offer(list, {u"PCI\\VEN_10EC&DEV_8168", u"10.1.0.0", u"2024-03-02", u"Realtek"}));
    struct row {
        const char* what;
        u16 id, version, date;
        bool ignored;
    };
    const row rows[] = {
        {"the same offer", u"PCI\\VEN_10EC&DEV_8168", u"10.1.0.0", u"2024-03-02", true},
        {"another letter case of the ID", u"pci\\ven_10ec&dev_8168", u"10.1.0.0", u"2024-03-02", true},
        {"a newer version", u"PCI\\VEN_10EC&DEV_8168", u"10.2.0.0", u"2024-03-02", false},
        {"a later date", u"PCI\\VEN_10EC&DEV_8168", u"10.1.0.0", u"2024-06-02", false},
        {"another device", u"PCI\\VEN_10EC&DEV_8169", u"10.1.0.0", u"2024-03-02", false},
        {"a longer ID", u"PCI\\VEN_10EC&DEV_8168&SUBSYS_1", u"10.1.0.0", u"2024-03-02", false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(offer_ignored(list, r.id, r.version, r.date), r.ignored);
    }
    EXPECT_FALSE(offer_ignored({}, u"PCI\\VEN_10EC&DEV_8168", u"10.1.0.0", u"2024-03-02"));
}

TEST(IgnoredOffers, AddAndRemoveKeepOneEntryPerOffer)
{
    ignored_offers_t list;
    EXPECT_TRUE(ignore_offer(list, {u"USB\\VID_1", u"1.0", u"2020-01-01", u"first"}));
    EXPECT_FALSE(ignore_offer(list, {u"usb\\vid_1", u"1.0", u"2020-01-01", u"same offer, another title"}));
    EXPECT_FALSE(ignore_offer(list, {u"", u"1.0", u"2020-01-01", u"no device"}));
    EXPECT_TRUE(ignore_offer(list, {u"USB\\VID_1", u"1.1", u"2020-01-01", u"newer"}));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].title, u"first");

    EXPECT_FALSE(stop_ignoring_offer(list, {u"USB\\VID_1", u"9.9", u"2020-01-01", u""}));
    EXPECT_TRUE(stop_ignoring_offer(list, {u"USB\\VID_1", u"1.0", u"2020-01-01", u""}));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].version, u"1.1");
}

TEST(IgnoredOffers, StoredFormRoundTripsAndDamagedEntriesAreSkipped)
{
    ignored_offers_t list;
    ignore_offer(list, {u"PCI\\A", u"1.0", u"2021-02-03", u"Line\r\nbreak\tand tab"});
    ignore_offer(list, {u"ACPI\\B", u"", u"2021-02-03", u""});
    const u16 stored = ignored_offers_to_multi_string(list);
    EXPECT_EQ(stored, multi({u"PCI\\A\t1.0\t2021-02-03\tLine  break and tab", u"ACPI\\B\t\t2021-02-03\t"}));
    ignored_offers_t back = ignored_offers_from_multi_string(stored);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_TRUE(same_ignored_offer(back[0], list[0]));
    EXPECT_TRUE(same_ignored_offer(back[1], list[1]));
    EXPECT_EQ(ignored_offers_to_multi_string(ignored_offers_t{}), multi({}));

    struct row {
        const char* what;
        u16 stored;
        size_t entries;
    };
    const row rows[] = {
        {"no separator", multi({u"PCI\\A"}), 0},
        {"one separator", multi({u"PCI\\A\t1.0"}), 0},
        {"no title field", multi({u"PCI\\A\t1.0\t2021-02-03"}), 1},
        {"empty hardware ID", multi({u"\t1.0\t2021-02-03\tx"}), 0},
        {"a damaged entry among good ones", multi({u"PCI\\A\t1\t2021-01-01\t", u"junk", u"PCI\\B\t1\t2021-01-01\t"}), 2},
        {"a duplicate", multi({u"PCI\\A\t1\t2021-01-01\tone", u"pci\\a\t1\t2021-01-01\ttwo"}), 1},
        {"no final terminators", u16(u"PCI\\A\t1\t2021-01-01\tx"), 1},
        {"the empty string ends the list", u16(u"PCI\\A\t1\t2021-01-01\tx") + u16(2, char16_t(0)) +
                                               u"PCI\\B\t1\t2021-01-01\tx", 1},
        {"nothing", u16(), 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(ignored_offers_from_multi_string(r.stored).size(), r.entries);
    }
}
