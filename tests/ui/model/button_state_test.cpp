// Owner-drawn buttons: a click fires once, on release over a pressed button;
// hover follows the mouse and resets when it leaves.
#include "ui/model/button_state.h"

#include <gtest/gtest.h>

using namespace tdu;

TEST(ButtonRow, PressAndReleaseFiresOnceAndEndsInHover)
{
    std::vector<int> states = {button_normal, button_normal};
    const std::vector<bool> on_second = {false, true};

    auto moved = button_row_move(states, on_second);
    EXPECT_TRUE(moved.changed);
    EXPECT_EQ(moved.hovered, 1);
    EXPECT_EQ(states[1], button_hover);

    auto down = button_row_down(states, on_second);
    EXPECT_TRUE(down.changed);
    EXPECT_EQ(states[1], button_pressed);
    EXPECT_EQ(down.fired, -1);

    // A move while pressed keeps the press, so the release still clicks.
    EXPECT_FALSE(button_row_move(states, on_second).changed);
    EXPECT_EQ(states[1], button_pressed);

    auto up = button_row_up(states, on_second);
    EXPECT_EQ(up.fired, 1);
    EXPECT_EQ(states[1], button_hover);

    // A second release without a press does not fire again.
    EXPECT_EQ(button_row_up(states, on_second).fired, -1);

    // Pressed elsewhere and dragged onto the button: the release does nothing.
    states = {button_normal, button_normal};
    EXPECT_EQ(button_row_up(states, on_second).fired, -1);
    EXPECT_EQ(states[1], button_hover);
}

TEST(ButtonRow, HoverMovesAndLeaveResets)
{
    std::vector<int> states = {button_hover, button_normal};
    // Onto the second button: the first change is the first button turning normal.
    auto first = button_row_move(states, {false, true});
    EXPECT_EQ(states, (std::vector<int>{button_normal, button_normal}));
    auto second = button_row_move(states, {false, true});
    EXPECT_TRUE(first.changed && second.changed);
    EXPECT_EQ(states, (std::vector<int>{button_normal, button_hover}));

    EXPECT_TRUE(button_row_leave(states).changed);
    EXPECT_EQ(states, (std::vector<int>{button_normal, button_normal}));
    EXPECT_FALSE(button_row_leave(states).changed);

    // Pressed, then the mouse leaves the window: the press is forgotten.
    states = {button_pressed, button_normal};
    button_row_leave(states);
    EXPECT_EQ(button_row_up(states, {false, false}).fired, -1);
    EXPECT_FALSE(button_row_any_under({false, false}));
    EXPECT_TRUE(button_row_any_under({false, true}));
}

TEST(ButtonSingle, ReleaseOverAHoveredButtonDoesNotClick)
{
    struct row {
        const char* what;
        int state;
        bool over;
        bool fire;
        int after;
    };
    const row rows[] = {
        {"pressed, released over it", button_pressed, true, true, button_hover},
        {"hover only, released over it", button_hover, true, false, button_hover},
        {"pressed, released elsewhere", button_pressed, false, false, button_pressed},
        {"dragged onto it and released (no press on it)", button_normal, true, false, button_hover},
    };
    for (const auto& r : rows) {
        int state = r.state;
        bool fire = true;
        button_single_up(state, r.over, fire);
        EXPECT_EQ(fire, r.fire) << r.what;
        EXPECT_EQ(state, r.after) << r.what;
    }

    int state = button_normal;
    EXPECT_TRUE(button_single_move(state, true));
    EXPECT_EQ(state, button_hover);
    EXPECT_FALSE(button_single_move(state, true));
    EXPECT_TRUE(button_single_down(state, true));
    EXPECT_EQ(state, button_pressed);
    EXPECT_FALSE(button_single_down(state, false));
    EXPECT_TRUE(button_single_move(state, false));
    EXPECT_EQ(state, button_normal);
}
