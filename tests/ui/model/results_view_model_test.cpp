// The results view's texts, sizes and places, decided without a window.
#include "ui/model/results_view_model.h"
#include "ui/model/language_layout.h"

#include "results/results_model.h"

#include <gtest/gtest.h>

using namespace tdu;

TEST(ResultsHeader, TextAndNumberByOutOfDateCount)
{
    struct row { int32_t out_of_date; const char* key; bool number; };
    const row rows[] = {
        {0, "download_new_drivers_found3", false}, {1, "download_new_drivers_found1", false},
        {8, "download_new_drivers_found1", false}, {9, "download_new_drivers_found2", true},
        {250, "download_new_drivers_found2", true}, {-1, "download_new_drivers_found3", false},
    };
    for (const auto& r : rows) {
        results_header_t h = results_header(r.out_of_date);
        EXPECT_STREQ(h.key.name, r.key) << r.out_of_date;
        EXPECT_EQ(h.shows_number, r.number) << r.out_of_date;
    }
}

TEST(ResultsRow, DateLineByTheTwoDates)
{
    struct row { const char16_t* installed; const char16_t* offered; const char* key; int arguments; };
    const row rows[] = {
        {u"2006-06-21", u"2013-05-01", "download_date1", 2},  // older installed
        {u"2013-05-01", u"2013-05-01", "download_date2", 2},  // same date
        {u"2014-01-01", u"2013-05-01", "download_date2", 2},  // installed is newer
        {u"", u"2013-05-01", "download_date1", 2},            // no driver installed
        {u"2006-06-21", u"0000-00-00", "download_date3", 1},  // the offer has no date
        {u"", u"0000-00-00", "download_date1", 2},            // empty sorts first even then
    };
    for (const auto& r : rows) {
        date_line_t d = date_line(r.installed, r.offered);
        EXPECT_STREQ(d.key.name, r.key) << utf16_to_utf8(r.installed) << " " << utf16_to_utf8(r.offered);
        EXPECT_EQ(d.arguments, r.arguments);
    }
}

TEST(ResultsRow, ProgressBoxText)
{
    struct row { uint32_t done, expected; const char16_t* done_text; const char16_t* text; };
    const row rows[] = {
        {0, 5000000, u"0B", u"4.77M"},                  // not started
        {1200000, 5000000, u"1.14M", u"1.14M/4.77M"},   // running
        {5000000, 5000000, u"4.77M", u"4.77M"},         // complete
        {6000000, 5000000, u"5.72M", u"5.72M/4.77M"},   // more than announced still shows both
    };
    for (const auto& r : rows) EXPECT_EQ(progress_box_text(u"4.77M", r.done_text, r.done, r.expected), r.text) << r.done;
    // Never more than 31 characters.
    u16 long_text(40, u'9');
    EXPECT_EQ(progress_box_text(long_text, long_text, 1, 2).size(), 31u);
}

TEST(ResultsRow, HeightAndPlacesGrowWithTheDevices)
{
    // Class line 14 px, device line 13 px.
    struct row { int32_t devices; int32_t height; int32_t bottom_line; };
    const row rows[] = {
        {1, 14 + 13 * 3 + 16 + 24, 14 + 2 * 21 + 16},
        {2, 14 + 13 * 5 + 32 + 24, 14 + 4 * 21 + 16},
        {5, 14 + 13 * 11 + 80 + 24, 14 + 10 * 21 + 16},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(row_height(14, 13, r.devices), r.height) << r.devices;
        row_layout_t l = row_layout(700, 14, 13, r.devices, 0);
        EXPECT_EQ(l.bottom_line, r.bottom_line);
        // Everything lies inside the row.
        EXPECT_LE(l.button.bottom, r.height);
        EXPECT_LE(l.tick.bottom, r.height);
        EXPECT_LE(l.progress.bottom, r.height);
        // The last device's date line ends above the bottom line.
        EXPECT_LE(l.date_top(r.devices - 1) + 13, l.bottom_line);
    }
    row_layout_t l = row_layout(700, 14, 13, 2, 0);
    EXPECT_EQ(l.name_top(0), 30);
    EXPECT_EQ(l.date_top(0), 51);
    EXPECT_EQ(l.name_top(1), 72);
    EXPECT_TRUE(l.button.contains(600, l.bottom_line));
    EXPECT_TRUE(l.button.contains(679, l.bottom_line));
    EXPECT_FALSE(l.button.contains(680, l.bottom_line));  // 20 px from the right edge
    EXPECT_FALSE(l.button.contains(599, l.bottom_line));
    EXPECT_FALSE(l.button.contains(650, 5));              // the class line is no button
    EXPECT_EQ(l.state_text_left, 450);
    EXPECT_EQ(row_layout(700, 14, 13, 2, 10).state_text_left, 440);
}

TEST(ResultsSideBar, LegendAndScore)
{
    struct row { offer_counts_t counts; int32_t score; bool low; };
    const row rows[] = {
        {{0, 0, 0}, 100, false},   // no device has offers: nothing is out of date
        {{0, 0, 12}, 100, false},
        {{1, 0, 9}, 81, false},    // 0.9 squared
        {{3, 1, 6}, 36, true},
        {{1, 1, 10}, 69, true},    // 69.44: just below the line
        {{5, 0, 0}, 0, true},
    };
    for (const auto& r : rows) {
        int32_t score = result_score(r.counts);
        EXPECT_EQ(score, r.score);
        EXPECT_EQ(score_is_low(score), r.low) << score;
        legend_t legend = results_legend(r.counts, 42);
        EXPECT_STREQ(legend.entries[0].key.name, "sidebar_out_of_date");
        EXPECT_EQ(legend.entries[0].value, r.counts.out_of_date);
        EXPECT_STREQ(legend.entries[1].key.name, "sidebar_no_driver");
        EXPECT_EQ(legend.entries[1].value, r.counts.no_driver);
        EXPECT_STREQ(legend.entries[2].key.name, "sidebar_up_to_date");
        EXPECT_EQ(legend.entries[2].value, r.counts.up_to_date);
        EXPECT_STREQ(legend.entries[3].key.name, "sidebar_total");
        EXPECT_EQ(legend.entries[3].value, 42);
    }
}

TEST(ResultsRow, EachDevicesIconIsItsOwnStateByTheRowsKindOfOffer)
{
    driver_offer_t offer{};
    struct row { bool has_driver, best_better, latest_newer; int32_t mode; row_icon_t icon; };
    const row rows[] = {
        {true, true, false, grouping_by_best_offer, row_icon_t::out_of_date},
        {true, false, false, grouping_by_best_offer, row_icon_t::up_to_date},
        {false, true, true, grouping_by_best_offer, row_icon_t::no_driver},
        // A device without a driver whose offer's installation was already
        // started counts as up to date, and so is its icon.
        {false, false, false, grouping_by_best_offer, row_icon_t::up_to_date},
        // The latest offers' rows follow the latest offer's comparison.
        {true, true, false, grouping_by_latest_offer, row_icon_t::up_to_date},
        {true, false, true, grouping_by_latest_offer, row_icon_t::out_of_date},
    };
    for (const auto& r : rows) {
        device_t device{};
        device.has_driver = r.has_driver;
        device.best_offer = device.latest_offer = &offer;
        device.best_offer_better = r.best_better;
        device.latest_offer_newer = r.latest_newer;
        EXPECT_EQ(device_status_icon(device, r.mode), r.icon) << r.has_driver << r.best_better << r.mode;
    }
}

TEST(ResultsSelector, PlacesTheTwoKindsWithoutCuttingOrOverlapping)
{
    struct row { const char* code; int32_t best_text, latest_text; int32_t best_left, best_right, latest_left; };
    const row rows[] = {
        // Short labels keep the usual places.
        {"en", 90, 60, 795 - 460, 795 - 350, 795 - 340},
        // Four languages start 30 pixels further left; best moves clear of latest.
        {"fr", 100, 100, 795 - 520, 795 - 380, 795 - 370},
        // A label longer than its place grows leftwards ("Beste Übereinstimmung").
        {"de", 150, 70, 795 - 350 - 150, 795 - 350, 795 - 340},
        {"de", 150, 120, 795 - 390 - 150, 795 - 390, 795 - 380},
    };
    for (const auto& r : rows) {
        kind_selector_t k = kind_selector(795, r.best_text, r.latest_text, language_layout(r.code).kind_selector_extra_left);
        EXPECT_EQ(k.best.left, r.best_left) << r.code << r.latest_text;
        EXPECT_EQ(k.best.right, r.best_right) << r.code << r.latest_text;
        EXPECT_EQ(k.latest.left, r.latest_left) << r.code << r.latest_text;
        EXPECT_EQ(k.latest.right, 795 - 260);
        EXPECT_LE(k.best.right, k.latest.left);
        EXPECT_GE(k.best.right - k.best.left, r.best_text);
        EXPECT_GE(k.latest.right - k.latest.left, r.latest_text);
    }
}
