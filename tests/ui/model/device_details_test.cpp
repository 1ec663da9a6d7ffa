// The device information dialog's rows: the installed driver beside the
// best offer of each device of a row.
#include "ui/model/device_details.h"

#include "results/results_model.h"

#include <gtest/gtest.h>

#include "support/sample_devices.h"

using namespace tdu;
using namespace tdu::test;

namespace {

// Three devices that share one package; each has its own best offer (its
// own INF inside the package) and a different latest offer.
device_inventory_t three_of_one_package(device_class_t& net)
{
    device_inventory_t inventory;
    const char16_t* names[] = {u"LAN port 1", u"LAN port 2", u"Wireless card"};
    const char16_t* infs[] = {u"drv\\x64\\lan.inf", u"drv\\x64\\lan.inf", u"drv\\wlan\\wl.inf"};
    for (int i = 0; i < 3; ++i) {
        device_fields_t f;
        f.id = u"PCI\\VEN_8086&DEV_10" + u16(1, char16_t(u'0' + i)) + u"\\3&11583659&0&C8";
        f.name = names[i];
        f.hardware_ids = {u"PCI\\VEN_8086&DEV_100" + u16(1, char16_t(u'0' + i)), u"PCI\\VEN_8086"};
        f.compatible_ids = {u"PCI\\CC_020000"};
        f.has_driver = i != 1;  // the second has none installed
        if (f.has_driver) {
            f.matching_id = f.hardware_ids[0];
            f.date = u"2006-06-21";
            f.version = u"8.0." + u16(1, char16_t(u'0' + i)) + u".0";
            f.provider = u"Intel";
            f.inf = u"oem" + u16(1, char16_t(u'3' + i)) + u".inf";
            f.rank = 0xFF0001u + static_cast<uint32_t>(i);
        }
        inventory.devices.push_back(make_device(f));
        device_t& d = inventory.devices.back();
        if (f.has_driver) copy_field(d.driver_desc, device_driver_desc_chars, names[i] + u16(u" driver"));
        offer_fields_t best, latest;
        best.hardid = f.hardware_ids[0];
        best.date = u"2013-05-0" + u16(1, char16_t(u'1' + i));
        best.version = u"12.0.0." + u16(1, char16_t(u'1' + i));
        latest.date = u"2014-01-01";
        latest.link = "http://127.0.0.1/latest.zip";
        driver_offer_t b = make_offer(best), l = make_offer(latest);
        copy_field(b.inf_name, offer_inf_name_chars, infs[i]);
        copy_field(b.manufacturer, offer_manufacturer_chars, u"Intel Corporation");
        copy_field(b.description, offer_description_chars, names[i] + u16(u" (offered)"));
        copy_field(l.inf_name, offer_inf_name_chars, u"latest.inf");
        set_offers(d, {b, l});
        d.best_offer = &d.offers[0];
        d.latest_offer = &d.offers[1];
        d.best_offer_better = true;
        d.device_class = &net;
    }
    return inventory;
}

} // namespace

TEST(DeviceDetails, TheThirdDeviceShowsItsOwnInstalledDriverAndBestOffer)
{
    device_class_t net;
    copy_field(net.class_name, class_name_chars, u"Net");
    copy_field(net.description, class_description_chars, u"Network adapters");
    device_inventory_t inventory = three_of_one_package(net);
    // Grouped by latest offers, the three share a row; the dialog still
    // shows each device's best offer.
    offer_grouping_t rows = result_rows(inventory, offer_kind_t::latest);
    ASSERT_EQ(rows.groups.size(), 1u);
    ASSERT_EQ(rows.groups[0].devices.size(), 3u);
    const device_t& third = *rows.groups[0].devices[2];

    device_details_t details = device_details(third);
    struct row { const char* key; const char16_t* installed; const char16_t* offered; };
    const row expected[] = {
        {"device_detail_list_device_id", u"PCI\\VEN_8086&DEV_102\\3&11583659&0&C8", u"(blank)"},
        {"device_detail_list_device_desc", u"Wireless card driver", u"Wireless card (offered)"},
        {"device_detail_list_matching_device_id", u"PCI\\VEN_8086&DEV_1002", u"PCI\\VEN_8086&DEV_1002"},
        {"device_detail_list_hardware_ids", u"PCI\\VEN_8086&DEV_1002", u"(blank)"},
        {"device_detail_list_compatible_ids", u"PCI\\CC_020000", u"(blank)"},
        {"device_detail_list_manufacturer", u"Intel", u"Intel Corporation"},
        {"device_detail_list_inf_name", u"oem5.inf", u"wl.inf"},
        {"device_detail_list_inf_date", u"2006-06-21", u"2013-05-03"},
        {"device_detail_list_inf_version", u"8.0.2.0", u"12.0.0.3"},
        {"device_detail_list_class_name", u"Net", u"(blank)"},
        {"device_detail_list_class_desc", u"Network adapters", u"(blank)"},
        {"device_detail_list_enumerator", u"PCI", u"(blank)"},
        {"device_detail_list_rank_of_installed_driver", u"00FF0003", u"(blank)"},
    };
    for (size_t i = 0; i < device_detail_row_count; ++i) {
        EXPECT_STREQ(details[i].key.name, expected[i].key) << i;
        EXPECT_EQ(details[i].installed, expected[i].installed) << expected[i].key;
        EXPECT_EQ(details[i].offered, expected[i].offered) << expected[i].key;
    }
}

TEST(DeviceDetails, NoDriverInstalledNoOfferAndAnInfWithoutFolder)
{
    device_class_t net;
    device_inventory_t inventory = three_of_one_package(net);
    device_t& second = inventory.devices[1];  // no driver installed
    device_details_t details = device_details(second);
    for (size_t i : {1u, 2u, 5u, 6u, 7u, 8u}) EXPECT_EQ(details[i].installed, u"") << details[i].key.name;
    EXPECT_EQ(details[12].installed, u"00000000");

    copy_field(second.best_offer->inf_name, offer_inf_name_chars, u"lan.inf");
    EXPECT_EQ(device_details(second)[6].offered, u"lan.inf");  // no backslash: shown whole
    copy_field(second.best_offer->inf_name, offer_inf_name_chars, u"drv\\");
    EXPECT_EQ(device_details(second)[6].offered, u"");

    second.best_offer = nullptr;  // a device without offers
    details = device_details(second);
    for (const auto& r : details) EXPECT_EQ(r.offered, u"(blank)") << r.key.name;
    // The interface language's own word for it, in every blank cell.
    details = device_details(second, u"(leer)");
    for (const auto& r : details) EXPECT_EQ(r.offered, u"(leer)") << r.key.name;
    EXPECT_EQ(device_details(inventory.devices[0], u"(leer)")[0].offered, u"(leer)");

    // A rank with every bit set, in upper case.
    second.driver_rank = 0xFFFFFFFFu;
    EXPECT_EQ(device_details(second)[12].installed, u"FFFFFFFF");
    second.driver_rank = 0xABCDEFu;
    EXPECT_EQ(device_details(second)[12].installed, u"00ABCDEF");
}

TEST(DeviceDetails, ASelectionOutsideTheGroupNamesNoDevice)
{
    struct row { intptr_t selection; size_t devices; int32_t device; };
    const row rows[] = {
        {0, 3, 0}, {2, 3, 2}, {-1, 3, -1}, {3, 3, -1}, {0, 0, -1}, {-2, 1, -1},
    };
    for (const auto& r : rows) EXPECT_EQ(selected_device(r.selection, r.devices), r.device) << r.selection;
}

TEST(DeviceDetails, TheNamesColumnWidensForLongNamesAndTheDriverColumnsShareTheRest)
{
    struct row { int widest_name, total, name, installed, offered; };
    const row rows[] = {
        {0, 592, 130, 231, 231},     // short names keep the usual widths
        {130, 592, 130, 231, 231},
        {191, 592, 191, 201, 200},   // a longer name: the odd pixel goes to the installed column
        {222, 592, 222, 185, 185},
        {236, 592, 236, 178, 178},   // up to two fifths
        {400, 592, 236, 178, 178},   // a name wider than that is cut, not the drivers
        {-5, 592, 130, 231, 231},
        {150, 300, 130, 85, 85},     // a narrow list keeps its names readable
        {150, 100, 130, 0, 0},       // never negative
    };
    for (const auto& r : rows) {
        detail_column_widths_t w = detail_column_widths(r.widest_name, r.total);
        EXPECT_EQ(w.name, r.name) << r.widest_name << " of " << r.total;
        EXPECT_EQ(w.installed, r.installed) << r.widest_name << " of " << r.total;
        EXPECT_EQ(w.offered, r.offered) << r.widest_name << " of " << r.total;
    }
}
