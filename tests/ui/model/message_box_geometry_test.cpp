// The message box's size for its text: a short text keeps the 300 by 200
// box, a longer one grows it (taller first, then wider) so that every line
// lies above the button strip, within a share of the screen.
#include "ui/model/message_box_geometry.h"

#include <gtest/gtest.h>

#include <string>

using namespace tdu;

namespace {

// Every character 7 pixels wide and 13 high, as the box's 10-point font
// roughly is; a line feed only ends a line.
class fixed_measure_t final : public text_measure_i {
public:
    void char_extent(char16_t, int& width, int& height) override
    {
        width = 7;
        height = 13;
    }
};

std::u16string words(int count)
{
    std::u16string text;
    for (int i = 0; i < count; ++i) text += u"word ";
    return text;
}

// Frame and band of the box as Wine draws it at 96 dpi: 3 + 3 across, 3 + 30 + 3 down.
constexpr int frame_w = 6, frame_h = 36;

} // namespace

TEST(MessageBoxGeometry, ShortTextKeepsTheBaseBox)
{
    fixed_measure_t m;
    message_box_geometry_t g = message_box_geometry(message_box_layout(0), u"The download has been removed.", m,
                                                    frame_w, frame_h, 1280, 1024);
    EXPECT_EQ(g.width, 300);
    EXPECT_EQ(g.height, 200);
    EXPECT_EQ(g.strip_top, 130);
    EXPECT_EQ(g.text, (layout_rect_t{80, 30, 272, 100}));
    EXPECT_EQ(g.first_x, 115);
    EXPECT_EQ(g.first_y, 136);
    EXPECT_TRUE(g.whole);
}

// The text rectangle's width is what the wrap is measured against: every
// laid-out line must end above the strip and inside the rectangle.
TEST(MessageBoxGeometry, EveryLineOfALongerTextLiesAboveTheStrip)
{
    struct row {
        const char* what;
        std::u16string text;
        int work_w, work_h;
        bool grows_wider;
    };
    const row rows[] = {
        // Six lines of 27 characters do not fit the base box's four.
        {"six lines", words(30), 1280, 1024, false},
        {"line feeds", u"one\ntwo\nthree\nfour\nfive\nsix\nseven", 1280, 1024, false},
        // Longer than the box is wide at 300 pixels: it widens.
        {"a long paragraph", words(200), 1280, 1024, true},
        {"a long word", std::u16string(600, u'x'), 1280, 1024, true},
        {"a small screen", words(60), 640, 480, true},
    };
    for (const auto& r : rows) {
        fixed_measure_t m;
        for (unsigned style : {0u, 3u}) {
            message_box_geometry_t g =
                message_box_geometry(message_box_layout(style), r.text, m, frame_w, frame_h, r.work_w, r.work_h);
            EXPECT_TRUE(g.whole) << r.what;
            EXPECT_GT(g.height, 200) << r.what;
            EXPECT_EQ(g.width > 300, r.grows_wider) << r.what;
            EXPECT_LE(g.width, std::max(300, r.work_w * 3 / 5)) << r.what;
            EXPECT_LE(g.height, std::max(200, r.work_h * 2 / 3)) << r.what;
            // Laid out again in the rectangle it was given, nothing is dropped.
            wrap_layout_t again =
                wrap_text_layout(r.text, g.text.left, g.text.top, g.text.right, g.text.bottom, 6, false, m);
            wrap_layout_t all = wrap_text_layout(r.text, g.text.left, g.text.top, g.text.right, g.text.bottom, 6, true, m);
            EXPECT_EQ(again.lines.size(), all.lines.size()) << r.what;
            EXPECT_LE(g.text_bottom, g.text.bottom) << r.what;
            EXPECT_EQ(g.strip_top, g.text.bottom + 30) << r.what;
            // The strip and its buttons lie inside the client area.
            EXPECT_EQ(g.height - frame_h, g.strip_top + 34) << r.what;
            EXPECT_EQ(g.first_y, g.strip_top + 6) << r.what;
            EXPECT_GE(g.first_x, 0) << r.what;
            EXPECT_LE(g.first_x + 70, g.width - frame_w) << r.what;
            if (style == 3) {
                EXPECT_EQ(g.second_y, g.first_y) << r.what;
                EXPECT_EQ(g.first_x - g.second_x, 130) << r.what;
            }
        }
    }
}

TEST(MessageBoxGeometry, ItWidensBeforeItGetsTallerThanWide)
{
    fixed_measure_t m;
    message_box_geometry_t g = message_box_geometry(message_box_layout(0), words(200), m, frame_w, frame_h, 1280, 1024);
    EXPECT_LE(g.height, g.width);
    // One step narrower, it would be taller than wide.
    message_box_geometry_t narrower =
        message_box_geometry(message_box_layout(0), words(200), m, frame_w, frame_h, (g.width - 40) * 5 / 3, 1024);
    EXPECT_GT(narrower.height, narrower.width);
}

TEST(MessageBoxGeometry, ATextNoScreenShareHoldsFillsTheLargestBox)
{
    fixed_measure_t m;
    message_box_geometry_t g =
        message_box_geometry(message_box_layout(4), words(3000), m, frame_w, frame_h, 1280, 1024);
    EXPECT_FALSE(g.whole);
    EXPECT_EQ(g.width, 768);
    EXPECT_EQ(g.height, 682);
    EXPECT_EQ(g.strip_top, 682 - frame_h - 34);
    EXPECT_EQ(g.text.bottom, g.strip_top - 30);
    EXPECT_EQ(g.first_y, g.strip_top + 6);
    EXPECT_EQ(g.second_y, g.strip_top + 6);
}
