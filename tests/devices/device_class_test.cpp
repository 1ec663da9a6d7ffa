// The setup class list, the class of a device and the category order.
#include "devices/device_class.h"

#include <gtest/gtest.h>

#include "common/last_error.h"
#include "devices/device.h"
#include "devices/fake_setup_api.h"
#include "devices/scan_check.h"
#include "support/test_support.h"

using namespace tdu;
using namespace tdu::test;

namespace {

machine_t scan_machine() { return load_machine(data_dir() / "devices" / "scan_machine.ini"); }

std::vector<std::pair<u16, u16>> names_and_descriptions(const device_inventory_t& inventory)
{
    std::vector<std::pair<u16, u16>> out;
    for (const device_class_t& c : inventory.classes) out.emplace_back(c.class_name, c.description);
    return out;
}

} // namespace

TEST(ClassList, HoldsTheNamedClassesSortedByDescription)
{
    fake_setup_api_c api(scan_machine());
    device_inventory_t inventory;
    class_image_list_init(inventory.class_image_list, api);
    ASSERT_TRUE(inventory.class_image_list.valid);
    ASSERT_TRUE(class_list_build(inventory, api));
    EXPECT_EQ(names_and_descriptions(inventory), expected_scan_classes());
    for (const device_class_t& c : inventory.classes) {
        EXPECT_EQ(u16view(c.guid_text), guid_to_text(c.guid));
        EXPECT_EQ(c.image_list, inventory.class_image_list.image_list);
        EXPECT_GT(c.image_index, 0);
    }
    class_image_list_release(inventory.class_image_list, api);
    EXPECT_EQ(class_image_list(inventory), 0u);
}

TEST(ClassList, MissingDescriptionsAndIconsLeaveDefaults)
{
    fake_setup_api_c api(scan_machine());
    const u16 net = u"{4D36E972-E325-11CE-BFC1-08002BE10318}";
    api.class_description_fails.push_back(net);
    api.class_image_index_fails.push_back(net);
    device_inventory_t inventory;
    class_image_list_init(inventory.class_image_list, api);
    ASSERT_TRUE(class_list_build(inventory, api));
    // The class without description sorts first.
    ASSERT_FALSE(inventory.classes.empty());
    EXPECT_EQ(narrow(inventory.classes[0].class_name), "Net");
    EXPECT_EQ(inventory.classes[0].description[0], 0);
    EXPECT_EQ(inventory.classes[0].image_index, 0);

    // Without an image list every index is 0 and the handle is empty.
    fake_setup_api_c no_icons(scan_machine());
    no_icons.class_image_list_fails = true;
    device_inventory_t plain;
    class_image_list_init(plain.class_image_list, no_icons);
    EXPECT_FALSE(plain.class_image_list.valid);
    ASSERT_TRUE(class_list_build(plain, no_icons));
    for (const device_class_t& c : plain.classes) {
        EXPECT_EQ(c.image_index, 0);
        EXPECT_EQ(c.image_list, 0u);
    }
}

TEST(ClassList, AClassWhoseNameCannotBeReadIsLeftOut)
{
    fake_setup_api_c api(scan_machine());
    api.class_name_fails.push_back(u"{4D36E96C-E325-11CE-BFC1-08002BE10318}");  // MEDIA
    device_inventory_t inventory;
    ASSERT_TRUE(class_list_build(inventory, api));
    auto expected = expected_scan_classes();
    expected.erase(std::remove_if(expected.begin(), expected.end(), [](auto& e) { return e.first == u"MEDIA"; }),
                   expected.end());
    EXPECT_EQ(names_and_descriptions(inventory), expected);
}

TEST(ClassList, AnUnreadableGuidListFailsWithCode16)
{
    fake_setup_api_c api(scan_machine());
    api.class_list_error = 5;
    device_inventory_t inventory;
    inventory.classes.resize(3);
    set_last_error(0);
    EXPECT_FALSE(class_list_build(inventory, api));
    EXPECT_EQ(get_last_error(), error_class_list);
    EXPECT_TRUE(inventory.classes.empty());
}

TEST(ClassList, LongClassNamesAreCut)
{
    machine_t m = scan_machine();
    m.classes[0].name = u16(2000, u'N');  // past the first 1,024 units
    fake_setup_api_c api(m);
    device_inventory_t inventory;
    ASSERT_TRUE(class_list_build(inventory, api));
    bool found = false;
    for (const device_class_t& c : inventory.classes) {
        if (u16view(c.class_name) == u16(class_name_chars - 1, u'N')) found = true;
    }
    EXPECT_TRUE(found);
}

TEST(ClassFind, MatchesByExactNameOrFallsBackToUnknown)
{
    device_inventory_t inventory;
    for (const char16_t* name : {u"Net", u"Unknown", u"MEDIA"}) {
        device_class_t c;
        copy_field(c.class_name, class_name_chars, name);
        inventory.classes.push_back(c);
    }
    struct row_t {
        const char16_t* class_name;
        const char16_t* class_guid;
        const char16_t* entry;  // null: none
    };
    const row_t rows[] = {
        {u"Net", u"{4D36E972-E325-11CE-BFC1-08002BE10318}", u"Net"},
        {u"MEDIA", u"{00000000-0000-0000-0000-000000000000}", u"MEDIA"},  // the GUID is not compared
        {u"NET", u"{4D36E972-E325-11CE-BFC1-08002BE10318}", nullptr},     // case matters
        {u"Printer", u"{4D36E979-E325-11CE-BFC1-08002BE10318}", nullptr},
        {u"", u"{4D36E972-E325-11CE-BFC1-08002BE10318}", u"Unknown"},
        {u"Net", u"", u"Unknown"},
        {u"", u"", u"Unknown"},
    };
    for (const row_t& row : rows) {
        device_t d;
        copy_field(d.class_name, device_class_name_chars, row.class_name);
        copy_field(d.class_guid, device_class_guid_chars, row.class_guid);
        const device_class_t* found = class_find_for_device(inventory, d);
        if (!row.entry) {
            EXPECT_EQ(found, nullptr) << narrow(row.class_name);
        } else {
            ASSERT_NE(found, nullptr) << narrow(row.class_name);
            EXPECT_EQ(narrow(found->class_name), narrow(row.entry));
        }
    }
    inventory.classes.erase(inventory.classes.begin() + 1);  // no "Unknown"
    device_t unclassed;
    EXPECT_EQ(class_find_for_device(inventory, unclassed), nullptr);
}

TEST(ClassCategory, FollowsTheFixedOrderWithoutRegardToCase)
{
    struct row_t {
        const char16_t* name;
        int32_t category;
    };
    const row_t rows[] = {
        {u"Unknown", 0}, {u"unknown", 0}, {u"Display", 1}, {u"DISPLAY", 1}, {u"MEDIA", 2}, {u"Media", 2},
        {u"Net", 3},     {u"net", 3},     {u"Image", 4},   {u"Printer", 5}, {u"printer", 5}, {u"Ports", 6},
        {u"", 6},        {u"Netx", 6},    {u"Ne", 6},
    };
    for (const row_t& row : rows) EXPECT_EQ(class_category(row.name), row.category) << narrow(row.name);
}

TEST(Guid, TextRoundTripsInBracedUpperCase)
{
    guid_t g;
    ASSERT_TRUE(guid_from_text(u"{4d36e972-e325-11ce-bfc1-08002be10318}", g));
    EXPECT_EQ(g.data1, 0x4D36E972u);
    EXPECT_EQ(g.data2, 0xE325);
    EXPECT_EQ(g.data3, 0x11CE);
    EXPECT_EQ(g.data4[0], 0xBF);
    EXPECT_EQ(g.data4[7], 0x18);
    EXPECT_EQ(narrow(guid_to_text(g)), "{4D36E972-E325-11CE-BFC1-08002BE10318}");
    for (const char16_t* bad : {u"", u"4D36E972-E325-11CE-BFC1-08002BE10318", u"{4D36E972-E325-11CE-BFC1-08002BE1031}",
                                u"{4D36E972XE325-11CE-BFC1-08002BE10318}", u"{4D36E972-E325-11CE-BFC1-08002BE1031G}"}) {
        EXPECT_FALSE(guid_from_text(bad, g)) << narrow(bad);
    }
}
