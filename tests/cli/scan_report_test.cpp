// The console report of a scan result built in code: the group lines in the
// results view's order, each group's state, and the counts.
#include "cli/scan_report.h"

#include <gtest/gtest.h>

#include "common/ansi_text.h"
#include "support/sample_devices.h"

using namespace tdu;
using namespace tdu::test;

namespace {

// Three devices share one package (one of them out of date, one without a
// driver), a fourth is up to date with a package of its own, a fifth got no
// offer.
struct sample_t {
    device_inventory_t inventory;
    device_class_t net_class;

    sample_t()
    {
        copy_field(net_class.class_name, class_name_chars, u"Net");
        copy_field(net_class.description, class_description_chars, u"Network adapters");

        auto add = [&](const char16_t* id, const char16_t* name, bool driver, const char16_t* date,
                       const char16_t* version) -> device_t& {
            device_fields_t fields;
            fields.id = id;
            fields.name = name;
            fields.has_driver = driver;
            fields.date = date;
            fields.version = version;
            inventory.devices.push_back(make_device(fields));
            device_t& d = inventory.devices.back();
            d.device_class = &net_class;
            return d;
        };
        offer_fields_t shared;
        shared.link = "http://127.0.0.1/packages/nic-3.2.zip";
        shared.date = u"2013-06-14";
        shared.version = u"3.2.1.0";
        shared.title = u"NIC \"Pro\"";
        offer_fields_t own;
        own.link = "http://127.0.0.1/packages/nic-1.0.zip";
        own.date = u"2010-01-01";
        own.version = u"1.0.0.0";
        own.title = u"NIC";

        device_t& old_one = add(u"PCI\\VEN_1&DEV_1", u"Adapter A", true, u"2011-08-30", u"2.9.4.0");
        set_offers(old_one, {make_offer(shared)});
        old_one.best_offer_better = true;
        old_one.instance_count = 2;
        device_t& bare = add(u"PCI\\VEN_1&DEV_2", u"Adapter B", false, u"", u"");
        set_offers(bare, {make_offer(shared)});
        bare.best_offer_better = true;
        device_t& current = add(u"PCI\\VEN_1&DEV_3", u"Adapter C", true, u"2013-06-14", u"3.2.1.0");
        set_offers(current, {make_offer(shared)});
        device_t& own_package = add(u"PCI\\VEN_1&DEV_4", u"Adapter D", true, u"2012-01-01", u"1.1.0.0");
        set_offers(own_package, {make_offer(own)});
        add(u"PCI\\VEN_1&DEV_5", u"Adapter E", true, u"2012-01-01", u"1.1.0.0");
        for (device_t& d : inventory.devices) d.best_offer = d.offers ? &d.offers[0] : nullptr;
    }
};

} // namespace

TEST(ScanReport, PrintsOneLinePerGroupAndTheCounts)
{
    sample_t s;
    EXPECT_EQ(scan_report_text(s.inventory, 9),
              "Scanned 9 device nodes: 5 devices kept, 4 with offered drivers.\n"
              "update     | Network adapters | Adapter A (installed 2011-08-30 2.9.4.0, 2 instances); "
              "Adapter B (no driver); Adapter C (installed 2013-06-14 3.2.1.0) | offered 2013-06-14 3.2.1.0 "
              "(NIC \"Pro\")\n"
              "up to date | Network adapters | Adapter D (installed 2012-01-01 1.1.0.0) | offered 2010-01-01 "
              "1.0.0.0 (NIC)\n"
              "Out of date: 2, no driver: 1, up to date: 2\n");
}

TEST(ScanReport, TellsAGroupWhoseOnlyUpdatesAreMissingDrivers)
{
    sample_t s;
    s.inventory.devices[0].best_offer_better = false;
    offer_grouping_t grouping = result_rows(s.inventory, offer_kind_t::best);
    ASSERT_EQ(grouping.groups.size(), 2u);
    EXPECT_EQ(group_status(grouping.groups[0]), group_status_t::no_driver);
    EXPECT_EQ(group_status(grouping.groups[1]), group_status_t::up_to_date);
    s.inventory.devices[1].best_offer_better = false;
    grouping = result_rows(s.inventory, offer_kind_t::best);
    EXPECT_EQ(group_status(grouping.groups[0]), group_status_t::up_to_date);
}

TEST(ScanReport, WritesTheSameAsJson)
{
    sample_t s;
    s.inventory.devices.resize(2);  // the first two: one group
    std::string json = scan_report_json(s.inventory, 3);
    EXPECT_EQ(json,
              "{\n"
              "  \"scanned_nodes\": 3,\n"
              "  \"kept_devices\": 2,\n"
              "  \"devices_with_offers\": 2,\n"
              "  \"groups\": [\n"
              "    {\n"
              "      \"status\": \"update\",\n"
              "      \"class\": \"Net\",\n"
              "      \"class_description\": \"Network adapters\",\n"
              "      \"offer\": {\n"
              "        \"title\": \"NIC \\\"Pro\\\"\",\n"
              "        \"date\": \"2013-06-14\",\n"
              "        \"version\": \"3.2.1.0\",\n"
              "        \"manufacturer\": \"\",\n"
              "        \"link\": \"http://127.0.0.1/packages/nic-3.2.zip\",\n"
              "        \"sign\": 0\n"
              "      },\n"
              "      \"devices\": [\n"
              "        {\n"
              "          \"id\": \"PCI\\\\VEN_1&DEV_1\",\n"
              "          \"name\": \"Adapter A\",\n"
              "          \"instances\": 2,\n"
              "          \"installed\": {\n"
              "            \"date\": \"2011-08-30\",\n"
              "            \"version\": \"2.9.4.0\",\n"
              "            \"provider\": \"\"\n"
              "          },\n"
              "          \"update\": true\n"
              "        },\n"
              "        {\n"
              "          \"id\": \"PCI\\\\VEN_1&DEV_2\",\n"
              "          \"name\": \"Adapter B\",\n"
              "          \"instances\": 1,\n"
              "          \"installed\": null,\n"
              "          \"update\": true\n"
              "        }\n"
              "      ]\n"
              "    }\n"
              "  ],\n"
              "  \"counts\": {\n"
              "    \"out_of_date\": 2,\n"
              "    \"no_driver\": 1,\n"
              "    \"up_to_date\": 0\n"
              "  }\n"
              "}\n");
}

TEST(ScanReport, JsonHoldsLinksInUtf8)
{
    // A link is kept as the answer's bytes in the ANSI code page; JSON text
    // must be UTF-8, or a reader stops at the first byte above 127.
    use_ansi_code_page(&windows_1252_code_page());
    sample_t s;
    s.inventory.devices.resize(2);
    for (device_t& d : s.inventory.devices)
        copy_field(d.offers[0].link, offer_link_bytes, std::string_view("http://127.0.0.1/packages/caf\xe9 \x80.zip"));
    std::string json = scan_report_json(s.inventory, 3);
    use_ansi_code_page(nullptr);
    EXPECT_NE(json.find("\"link\": \"http://127.0.0.1/packages/caf\xc3\xa9 \xe2\x82\xac.zip\","), std::string::npos)
        << json;
}

TEST(ScanReport, AnEmptyResultHasNoGroups)
{
    device_inventory_t empty;
    EXPECT_EQ(scan_report_text(empty, 0),
              "Scanned 0 device nodes: 0 devices kept, 0 with offered drivers.\n"
              "Out of date: 0, no driver: 0, up to date: 0\n");
    EXPECT_NE(scan_report_json(empty, 0).find("\"groups\": [],"), std::string::npos);
}
