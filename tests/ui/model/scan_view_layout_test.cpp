#include "ui/model/scan_view_layout.h"

#include "app/language.h"

#include <gtest/gtest.h>

using namespace tdu;

namespace {

const char english[] =
    "[English]\n"
    "scan_start_time=\"Start time: \"\n"
    "scan_time_elapsed=\"Time elapsed: \"\n"
    "scan_status=\"Status: \"\n"
    "scan_status1=\"Scanning devices\"\n"
    "scan_status2=\"Asking the update service\"\n"
    "scan_items_scanned=\"Items scanned: \"\n"
    "scan_item=\"Item: \"\n"
    "scan_driver_folder=\"Drivers from %s: %d of %d packages read\"\n";

language_table_t table()
{
    language_table_t t;
    language_load_text(t, english, u"English", true);
    return t;
}

} // namespace

// The area left of the side bar is b = width - 250. A text up to two thirds
// of b wide gets the middle two thirds; a wider one is centred on its own
// width. The block is five lines of height h with 10 pixels between them.
TEST(ScanViewLayout, BlockPlacement)
{
    struct row_t {
        int32_t width, height, text_width, line_height;
        layout_rect_t block;
    };
    const row_t rows[] = {
        {800, 500, 200, 14, {91, 195, 458, 305}},   // b = 550: 550 / 6 = 91, 5 * 550 / 6 = 458; (500 - 110) / 2 = 195
        {800, 500, 366, 14, {91, 195, 458, 305}},   // exactly two thirds (2 * 550 / 3 = 366) still the thirds
        {800, 500, 367, 14, {91, 195, 458, 305}},   // wider: centred, (550 - 367) / 2 = 91
        {800, 500, 500, 14, {25, 195, 525, 305}},
        {800, 500, 700, 14, {-75, 195, 625, 305}},  // wider than the area: starts left of it
        {1250, 801, 100, 20, {166, 330, 833, 470}}, // odd height: (801 - 140) / 2 = 330
    };
    for (const row_t& r : rows) {
        SCOPED_TRACE(testing::Message() << r.width << "x" << r.height << ", text " << r.text_width);
        EXPECT_EQ(scan_text_block(r.width, r.height, r.text_width, r.line_height), r.block);
    }
}

TEST(ScanViewLayout, LinesBandsAndWaitingBox)
{
    layout_rect_t block = scan_text_block(800, 600, 200, 14);
    ASSERT_EQ(block.top, 245);
    EXPECT_EQ(scan_line_rect(block, 14, 1), (layout_rect_t{91, 245, 458, 259}));
    EXPECT_EQ(scan_line_rect(block, 14, 3), (layout_rect_t{91, 293, 458, 307}));
    layout_rect_t line5 = scan_line_rect(block, 14, 5);
    EXPECT_EQ(line5, (layout_rect_t{91, 341, 458, 355}));
    EXPECT_LE(line5.bottom, block.bottom) << "the fifth line ends inside the block";
    EXPECT_EQ(scan_line_band(scan_line_rect(block, 14, 1)), (layout_rect_t{76, 240, 473, 264}));

    // Below line 5: a = 365; top = 365 + (600 - 365 - 60) / 2 - 20 = 432;
    // centred on (800 - 250) / 2 = 275.
    EXPECT_EQ(scan_waiting_box(800, 600, line5), (layout_rect_t{175, 432, 375, 472}));
}

TEST(ScanViewLayout, TimesAndDots)
{
    EXPECT_EQ(dot_suffix(0), u".");
    EXPECT_EQ(dot_suffix(1), u"..");
    EXPECT_EQ(dot_suffix(2), u"...");
    EXPECT_EQ(dot_suffix(1700000000), u"...");  // 1700000000 % 3 == 2
    EXPECT_EQ(dot_suffix(-1), u"...");

    struct row_t {
        int64_t elapsed;
        const char16_t* text;
    };
    const row_t rows[] = {
        {0, u"00:00:00"},
        {59, u"00:00:59"},
        {3599, u"00:59:59"},
        {3661, u"01:01:01"},
        {86399, u"23:59:59"},
        {86400, u"00:00:00"},             // a day wraps
        {86400 + 7322, u"02:02:02"},
        {3 * 86400 + 45296, u"12:34:56"},
        {-5, u"00:00:00"},                // the clock was set back
    };
    const int64_t start = 1700000000;
    for (const row_t& r : rows) EXPECT_EQ(elapsed_text(start, start + r.elapsed), r.text) << r.elapsed;
    EXPECT_EQ(clock_text(9, 5, 7), u"09:05:07");
}

TEST(ScanViewLayout, StatusLines)
{
    language_table_t t = table();
    const int64_t start = 1700000000;  // % 3 == 2
    scan_lines_t device_scan = scan_status_lines(t, 1, u"14:02:03", start, start + 65, 17, u"PCI bridge");
    EXPECT_EQ(device_scan.lines[0], u"Start time: 14:02:03");
    EXPECT_EQ(device_scan.lines[1], u"Time elapsed: 00:01:05");
    EXPECT_EQ(device_scan.lines[2], u"Status: Scanning devices");
    EXPECT_EQ(device_scan.lines[3], u"Items scanned: 17");
    EXPECT_EQ(device_scan.lines[4], u"Item: PCI bridge");

    scan_lines_t request = scan_status_lines(t, 2, u"14:02:03", start, start + 1, 40, u"");
    EXPECT_EQ(request.lines[2], u"Status: Asking the update service.");
    EXPECT_EQ(request.lines[4], u"Item: ") << "no device being examined: an empty value";

    EXPECT_EQ(driver_folder_line(t, u"E:\\drivers", 120, 7000), u"Drivers from E:\\drivers: 120 of 7000 packages read");

    // Too long for the line: the path's middle folders give way, from the
    // first on, until it fits; the counts always stay. One unit per
    // character here.
    auto chars = [](const u16& text) { return static_cast<int>(text.size()); };
    const u16 deep = u"C:\\Users\\ann\\Temp\\stick";
    const struct {
        const char16_t* folder;
        int max_width;
        const char16_t* shown;
    } cases[] = {
        {deep.c_str(), 200, u"Drivers from C:\\Users\\ann\\Temp\\stick: 3 of 9 packages read"},
        {deep.c_str(), 56, u"Drivers from C:\\...\\ann\\Temp\\stick: 3 of 9 packages read"},
        {deep.c_str(), 52, u"Drivers from C:\\...\\Temp\\stick: 3 of 9 packages read"},
        {deep.c_str(), 47, u"Drivers from C:\\...\\stick: 3 of 9 packages read"},
        {deep.c_str(), 10, u"Drivers from ...\\stick: 3 of 9 packages read"},
        {u"C:\\Users\\ann\\Temp\\stick\\", 47, u"Drivers from C:\\...\\stick: 3 of 9 packages read"},
        {u"E:\\drivers", 10, u"Drivers from E:\\drivers: 3 of 9 packages read"},  // nothing to drop
    };
    for (const auto& c : cases)
        EXPECT_EQ(fitting_driver_folder_line(t, c.folder, 3, 9, chars, c.max_width), c.shown)
            << utf16_to_utf8(c.folder) << " in " << c.max_width;

    // Each line fits the view's buffer of 1024 characters.
    u16 long_name(3000, u'x');
    EXPECT_EQ(scan_status_lines(t, 1, u"", start, start, 0, long_name).lines[4].size(), 1023u);
}

TEST(ScanViewLayout, FractionAndSideBar)
{
    EXPECT_EQ(scan_fraction(0, 0), 0.0f);
    EXPECT_EQ(scan_fraction(5, 0), 0.0f) << "no total yet: 0%";
    EXPECT_EQ(scan_fraction(5, 10), 0.5f);
    EXPECT_EQ(scan_fraction(12, 10), 1.0f);
    EXPECT_EQ(scan_fraction(-1, 10), 0.0f);

    EXPECT_EQ(side_bar_value_left(800, false), 605);
    EXPECT_EQ(side_bar_value_left(800, true), 622) << "17 pixels further right for long labels";
}
