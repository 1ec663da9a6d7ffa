// The message box's five styles.
#include "ui/model/message_box_style.h"

#include <gtest/gtest.h>

#include <string>

using namespace tdu;

TEST(MessageBoxStyle, IconsButtonsAndPlaces)
{
    struct row {
        unsigned style;
        int icon, buttons;
        std::string first, second;
        int first_x, second_x;
    };
    const row rows[] = {
        {0, 353, 1, "btn_ok", "", 115, 0},
        {1, 352, 1, "btn_ok", "", 115, 0},
        {2, 351, 1, "btn_ok", "", 115, 0},
        {3, 354, 2, "btn_yes", "btn_no", 180, 50},
        {4, 351, 2, "btn_retry", "btn_cancel", 180, 50},
        {5, 0, 1, "btn_ok", "", 115, 0},
        {0xFFFFFFFFu, 0, 1, "btn_ok", "", 115, 0},
    };
    for (const auto& r : rows) {
        message_box_layout_t l = message_box_layout(r.style);
        EXPECT_EQ(l.icon_bitmap, r.icon) << r.style;
        EXPECT_EQ(l.buttons, r.buttons) << r.style;
        EXPECT_EQ(std::string(l.first_key.name), r.first) << r.style;
        if (l.buttons == 2) EXPECT_EQ(std::string(l.second_key.name), r.second) << r.style;
        EXPECT_EQ(l.first_x, r.first_x) << r.style;
        EXPECT_EQ(l.first_y, 136) << r.style;
        EXPECT_EQ(l.second_x, r.second_x) << r.style;
    }
}
