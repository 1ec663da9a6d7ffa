// The panel list's scroll position stays within the content.
#include "ui/model/list_scroll.h"

#include <gtest/gtest.h>

using namespace tdu;

TEST(ListScroll, ClampKeepsThePositionWithinTheContent)
{
    struct row {
        int position, content, page, clamped;
    };
    const row rows[] = {
        {50, 400, 100, 50},
        {301, 400, 100, 300},  // the content's bottom at the page's bottom, not a pixel beyond
        {-20, 400, 100, 0},
        {30, 80, 100, 0},      // everything fits: always 0
        {0, 100, 100, 0},
        {5, 0, 0, 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(clamp_scroll(r.position, r.content, r.page), r.clamped)
            << r.position << " in " << r.content << "/" << r.page;
}

TEST(ListScroll, RequestsAndWheel)
{
    EXPECT_EQ(scroll_request(scroll_line_up, 40, 100, 0), 30);
    EXPECT_EQ(scroll_request(scroll_line_down, 40, 100, 0), 50);
    EXPECT_EQ(scroll_request(scroll_page_up, 140, 100, 0), 40);
    EXPECT_EQ(scroll_request(scroll_page_down, 40, 100, 0), 140);
    EXPECT_EQ(scroll_request(scroll_thumb_track, 40, 100, 77), 77);
    EXPECT_EQ(scroll_request(scroll_thumb_position, 40, 100, 78), 78);
    EXPECT_EQ(scroll_request(8 /* end scroll */, 40, 100, 78), 40);

    // One notch towards the user moves 15 pixels down, away moves up.
    EXPECT_EQ(scroll_wheel(40, -120, 400, 100), 55);
    EXPECT_EQ(scroll_wheel(40, 120, 400, 100), 25);
    EXPECT_EQ(scroll_wheel(295, -120, 400, 100), 300);
    // Everything fits: the wheel does nothing.
    EXPECT_EQ(scroll_wheel(0, -120, 90, 100), 0);
    EXPECT_FALSE(list_can_scroll(100, 100));
}
