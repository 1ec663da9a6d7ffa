// The diagnostic report, byte for byte, and its sender thread.
#include "service/diagnostic_report.h"

#include "common/ansi_text.h"
#include "support/golden.h"
#include "support/sample_devices.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

using namespace tdu;
using namespace tdu::test;

namespace {

// A scan result: the network adapter and the USB receiver share one offer
// that brings an update (with a third device beside them), the keyboard's
// offer is not newer, and the last device got no offers.
struct report_fixture_c : ::testing::Test {
    device_inventory_t inventory = sample_inventory();
    std::vector<offer_group_t> rows;
    offer_counts_t counts;
    report_machine_t machine;

    void SetUp() override
    {
        use_ansi_code_page(&windows_1252_code_page());
        device_fields_t twin;
        twin.id = u"PCI\\VEN_8086&DEV_100E&SUBSYS_11118086";
        twin.name = u"Second adapter";
        twin.hardware_ids = {u"PCI\\VEN_8086&DEV_100E&SUBSYS_11118086"};
        twin.compatible_ids = {u"PCI\\VEN_8086&DEV_100E"};
        inventory.devices.push_back(make_device(twin));

        offer_fields_t update;
        update.hardid = u"PCI\\VEN_8086&DEV_100E";
        update.title = u"Intel\u00ae PRO/1000 \"MT\" <2014>";
        update.date = u"2014-01-09";
        update.version = u"8.10.3.0";
        update.link = "http://127.0.0.1/drivers/e1000 new.zip?a=1&b=2";
        driver_offer_t o = make_offer(update);
        o.size = 3000000000u;
        copy_field(o.description, offer_description_chars, u"Caf\u00e9 network & more");
        copy_field(o.manufacturer, offer_manufacturer_chars, u"Intel");
        copy_field(o.inf_name, offer_inf_name_chars, u"net\\e1000.inf");
        for (int i : {0, 1, 4}) set_offers(inventory.devices[i], {o});

        offer_fields_t same;
        same.hardid = u"*PNP0303";
        same.date = u"2006-06-21";
        same.version = u"6.1.7600.16385";
        same.link = "http://127.0.0.1/drivers/kbd.zip";
        set_offers(inventory.devices[2], {make_offer(same)});

        offer_group_t update_row;
        update_row.key = inventory.devices[0].offers[0].link;
        update_row.no_update = 0;
        update_row.offer = &inventory.devices[0].offers[0];
        update_row.devices = {&inventory.devices[0], &inventory.devices[1], &inventory.devices[4]};
        offer_group_t current_row;
        current_row.key = inventory.devices[2].offers[0].link;
        current_row.no_update = 1;
        current_row.offer = &inventory.devices[2].offers[0];
        current_row.devices = {&inventory.devices[2]};
        rows = {update_row, current_row};

        counts.out_of_date = 2;
        counts.up_to_date = 1;
        counts.no_driver = 1;
        machine.os_description = u"Microsoft Windows 7 Professional  Build 7601 Service Pack 1";
        machine.processor_name = u"Intel(R) Core(TM) i5 CPU \u00ae";
        machine.memory_size = u"8.00G";
        machine.is_64bit = true;
    }
    void TearDown() override
    {
        use_ansi_code_page(nullptr);
        set_report_sender(nullptr);
    }
};
using DiagnosticReport = report_fixture_c;

// A sender that keeps what it was given and says so.
std::mutex sent_lock;
std::vector<std::string> sent_texts;
std::atomic<int> sent{0};

int32_t record_sender(const char* text)
{
    {
        std::lock_guard<std::mutex> g(sent_lock);
        sent_texts.push_back(text);
    }
    sent.fetch_add(1);
    return 0;
}

} // namespace

TEST_F(DiagnosticReport, MatchesTheGoldenFileByteForByte)
{
    std::string report = compose_diagnostic_report(rows, counts, inventory, machine);
    expect_golden(report, "diagnostic_report.xml");

    TiXmlDocument parsed;
    parsed.Parse(report.c_str());
    ASSERT_FALSE(parsed.Error()) << parsed.ErrorDesc();
    const TiXmlElement* driver = parsed.RootElement()->FirstChildElement("out_of_date")->FirstChildElement("driver");
    int devices = 0;
    for (const TiXmlElement* d = driver->FirstChildElement("device"); d; d = d->NextSiblingElement("device")) {
        ++devices;
        EXPECT_STREQ(d->FirstChildElement("server")->FirstChildElement("size")->GetText(), "3000000000");
        EXPECT_STREQ(d->FirstChildElement("server")->FirstChildElement("mid")->GetText(), "PCI\\VEN_8086&DEV_100E");
    }
    EXPECT_EQ(devices, 3);
}

TEST_F(DiagnosticReport, WithoutRowsBothListsAreEmptyElements)
{
    inventory.devices.resize(1);
    inventory.devices[0].offers.reset();
    std::string report = compose_diagnostic_report({}, {}, inventory, machine);
    EXPECT_NE(report.find("\t<out_of_date />\n\t<up_to_date />\n\t<not_found>\n\t\t<local>\n"), std::string::npos)
        << report;
    EXPECT_NE(report.find("<summary out_of_date=\"0\" up_to_date=\"0\" no_driver=\"0\" />"), std::string::npos);
    EXPECT_NE(report.find("arch=\"64-bit\""), std::string::npos);
}

TEST_F(DiagnosticReport, TheSenderGetsTheTextOnItsOwnThread)
{
    set_report_sender(record_sender);
    sent = 0;
    send_diagnostic_report(rows, counts, inventory, machine);
    std::shared_ptr<const std::string> buffer = diagnostic_report();
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(*buffer, compose_diagnostic_report(rows, counts, inventory, machine));

    // A newer report replaces the buffer while the first sender may still
    // hold the old text; each sender gets the text it was started with.
    send_diagnostic_report({}, {}, inventory, machine);
    std::string second = *diagnostic_report();
    while (sent.load() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    {
        std::lock_guard<std::mutex> g(sent_lock);
        ASSERT_EQ(sent_texts.size(), 2u);
        std::sort(sent_texts.begin(), sent_texts.end());
        std::vector<std::string> expected{*buffer, second};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(sent_texts, expected);
    }
    release_diagnostic_report();
    EXPECT_EQ(diagnostic_report(), nullptr);
}
