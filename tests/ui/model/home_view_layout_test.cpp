#include "ui/model/home_view_layout.h"
#include "ui/model/main_window_layout.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tdu;

TEST(HomeViewLayout, PlacesAroundTheAreaLeftOfTheSideBar)
{
    // 800 by 500: the area is 550 wide, a = 275 - 235 = 40, b = 175.
    home_layout_t l = home_layout(800, 500);
    EXPECT_EQ(l.step_picture, (layout_rect_t{40, 85, 510, 155}));
    EXPECT_EQ(l.step_label_x[0], 66);
    EXPECT_EQ(l.step_label_x[1], 266);
    EXPECT_EQ(l.step_label_x[2], 439);
    EXPECT_EQ(l.step_label_y, 110);
    // Each label's room ends before the next step's number; the last one's
    // before the picture's end (at 510).
    EXPECT_EQ(l.step_label_room[0], 174);
    EXPECT_EQ(l.step_label_room[1], 147);
    EXPECT_EQ(l.step_label_room[2], 67);
    EXPECT_EQ(l.scan_button, (layout_rect_t{50, 175, 500, 295}));
    EXPECT_EQ(l.banner, (layout_rect_t{10, 390, 530, 490}));
    EXPECT_EQ(l.automatic_icon.top, 365);
    EXPECT_EQ(l.automatic_text_y, 367);
    EXPECT_EQ(l.separator, (layout_rect_t{10, 345, 540, 347}));
    // The button stays centred over the step picture at any size.
    for (int32_t w : {800, 1024, 1917}) {
        home_layout_t at = home_layout(w, 700);
        EXPECT_EQ(at.scan_button.left + at.scan_button.right, at.step_picture.left + at.step_picture.right)
            << w;
        EXPECT_EQ(at.scan_button.width(), 450);
    }
}

// Sequences of pointer events: where the button's state ends, and whether
// the sequence started a scan.
TEST(HomeViewLayout, ScanButton)
{
    struct step_t {
        pointer_event event;
        bool over;
    };
    struct row_t {
        const char* what;
        std::vector<step_t> steps;
        int32_t state;
        int scans;
    };
    using e = pointer_event;
    const row_t rows[] = {
        {"hover", {{e::move, true}}, 1, 0},
        {"hover and leave", {{e::move, true}, {e::move, false}}, 0, 0},
        {"click", {{e::move, true}, {e::down, true}, {e::up, true}}, 1, 1},
        {"click without a move before", {{e::down, true}, {e::up, true}}, 1, 1},
        {"release over it after pressing elsewhere", {{e::down, false}, {e::move, true}, {e::up, true}}, 1, 0},
        {"release over it with nothing pressed: hovered, no scan", {{e::up, true}}, 1, 0},
        {"press, leave, come back, release", {{e::down, true}, {e::move, false}, {e::move, true}, {e::up, true}}, 1, 0},
        {"press and release outside", {{e::down, true}, {e::move, false}, {e::up, false}}, 0, 0},
        {"moves over a pressed button keep it pressed", {{e::down, true}, {e::move, true}, {e::up, true}}, 1, 1},
        {"two clicks", {{e::down, true}, {e::up, true}, {e::down, true}, {e::up, true}}, 1, 2},
    };
    for (const row_t& r : rows) {
        int32_t state = 0;
        int scans = 0;
        for (const step_t& s : r.steps) scans += home_button_event(state, s.event, s.over).start_scan ? 1 : 0;
        EXPECT_EQ(state, r.state) << r.what;
        EXPECT_EQ(scans, r.scans) << r.what;
    }
    int32_t state = 1;
    EXPECT_FALSE(home_button_event(state, e::move, true).redraw) << "no change, no redraw";
    EXPECT_TRUE(home_button_event(state, e::down, true).redraw);
}

TEST(HomeViewLayout, ScanButtonWithTheKeyboard)
{
    using k = button_key;
    struct row {
        const char* what;
        std::vector<k> keys;
        int scans;
        bool focus_shown;
    };
    const row rows[] = {
        {"Enter", {k::enter_down}, 1, true},
        {"Space pressed and released", {k::space_down, k::space_up}, 1, true},
        {"Space held (repeats), then released", {k::space_down, k::space_down, k::space_down, k::space_up}, 1, true},
        {"a Space release without its press", {k::space_up}, 0, true},
        {"Space pressed only", {k::space_down}, 0, true},
        {"Tab shows the focus only", {k::tab_down}, 0, true},
        {"other keys do nothing", {k::other, k::other}, 0, false},
    };
    for (const auto& r : rows) {
        int32_t state = 0;
        bool focus = false;
        int scans = 0;
        for (k key : r.keys) scans += home_button_key(state, focus, key).start_scan ? 1 : 0;
        EXPECT_EQ(scans, r.scans) << r.what;
        EXPECT_EQ(focus, r.focus_shown) << r.what;
        // Pushed while Space is held, never left pushed after.
        EXPECT_EQ(state == 2, r.keys.back() == k::space_down) << r.what;
    }
    // Space pushes the button (its pushed image), and a shown focus stays.
    int32_t state = 1;
    bool focus = true;
    home_key_outcome_t out = home_button_key(state, focus, k::space_down);
    EXPECT_TRUE(out.redraw);
    EXPECT_EQ(state, 2);
    EXPECT_FALSE(home_button_key(state, focus, k::tab_down).redraw) << "nothing changed";
}

TEST(MainWindowLayout, CaptionBand)
{
    // Frame 4 by 4 (Wine at 96 dpi).
    EXPECT_EQ(nav_button_rect(0, 4, 4), (layout_rect_t{14, 27, 97, 94}));
    EXPECT_EQ(nav_button_rect(1, 4, 4).left, 96);
    EXPECT_EQ(nav_button_rect(4, 4, 4).left, 342);
    EXPECT_EQ(caption_button_rect(0, 4, 4), (layout_rect_t{4, 4, 34, 25}));
    EXPECT_EQ(caption_button_rect(3, 4, 4), (layout_rect_t{94, 4, 124, 25}));
    EXPECT_EQ(logo_rect(4, 4), (layout_rect_t{24, 44, 208, 94}));
    // The logo and the caption buttons never meet the navigation buttons
    // at the smallest window size.
    int32_t logo_left = main_window_min_width - logo_rect(4, 4).right;
    EXPECT_GT(logo_left, nav_button_rect(4, 4, 4).right);
}
