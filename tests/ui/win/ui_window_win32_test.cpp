// The skinned frame of a top-level window under Wine: real clicks and
// double clicks in its band, hover that resets when the mouse leaves, and
// the band and border as the screen shows them.
#include "ui/skin/colours.h"
#include "ui/skin/ui_window.h"
#include "ui/win/window.h"
#include "window_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace tdu;
using namespace tdu::test;

namespace {

// A main-window-like frame: band 100, a navigation button on the left and a
// close-like button on the right.
class frame_window_c : public window_c<frame_window_c>, public ui_window_c<frame_window_c> {
public:
    int nav_clicks = 0;
    int close_clicks = 0;
    std::vector<WPARAM> system_commands;
    bool asked(WPARAM command) const
    {
        return std::find(system_commands.begin(), system_commands.end(), command) != system_commands.end();
    }
    button_c<frame_window_c>* nav = nullptr;
    button_c<frame_window_c>* close = nullptr;

    frame_window_c() : ui_window_c(100) {}

    bool open()
    {
        register_class(L"tdu_test_frame", CS_DBLCLKS, GetSysColorBrush(COLOR_WINDOW));
        if (!window_c::create(L"tdu_test_frame", nullptr, L"Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 100, 100,
                              500, 360))
            return false;
        auto n = std::make_unique<top_button_c<frame_window_c>>();
        n->create(GetModuleHandleW(nullptr), 1, 2, 3, frame_width + 10, frame_height + 23, frame_width + 93,
                  frame_height + 90, u"Home");
        n->set_action(this, &frame_window_c::on_nav);
        nav = add_caption_button(std::move(n));
        auto c = std::make_unique<system_button_c<frame_window_c>>();
        c->create(GetModuleHandleW(nullptr), 1, 2, 3, frame_width, frame_height, frame_width + 30, frame_height + 21,
                  u"close");
        c->set_action(this, &frame_window_c::on_close);
        close = add_caption_button(std::move(c));
        apply_window_region();
        SetForegroundWindow(hwnd_);
        redraw_frame();
        return true;
    }
    void on_nav() { ++nav_clicks; }
    void on_close() { ++close_clicks; }

    POINT screen(int x, int y) const
    {
        RECT r{};
        GetWindowRect(hwnd_, &r);
        return POINT{r.left + x, r.top + y};
    }

    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result)
    {
        if (message == WM_SYSCOMMAND) system_commands.push_back(w & 0xFFF0);
        return ui_process_message(message, w, l, result);
    }
};

} // namespace

TEST(SkinnedFrame, ButtonsInTheBandClickBelowTheSystemCaptionHeight)
{
    frame_window_c frame;
    ASSERT_TRUE(frame.open());
    pump_messages(200);
    // The middle of the navigation button lies far below the system
    // caption's height (19 pixels at 96 dpi).
    POINT nav = frame.screen(frame.frame_width + 50, frame.frame_height + 60);
    EXPECT_EQ(SendMessageW(frame.hwnd(), WM_NCHITTEST, 0, MAKELPARAM(nav.x, nav.y)), HTBORDER);
    POINT band = frame.screen(250, frame.frame_height + 60);
    EXPECT_EQ(SendMessageW(frame.hwnd(), WM_NCHITTEST, 0, MAKELPARAM(band.x, band.y)), HTCAPTION);

    click_at(nav.x, nav.y);
    EXPECT_EQ(frame.nav_clicks, 1);
    EXPECT_EQ(frame.nav->state, button_hover);

    RECT r{};
    GetWindowRect(frame.hwnd(), &r);
    POINT close = POINT{r.right - frame.frame_width - 15, r.top + frame.frame_height + 10};
    click_at(close.x, close.y);
    EXPECT_EQ(frame.close_clicks, 1);
    EXPECT_EQ(frame.nav_clicks, 1);
}

// What the system does for a double click on a caption is to maximise:
// the window asks itself for SC_MAXIMIZE. (Without a window manager Wine
// turns the maximised state back at once, so the request is what is checked.)
TEST(SkinnedFrame, DoubleClickMaximisesOnTheBandButNotOnAButton)
{
    frame_window_c frame;
    ASSERT_TRUE(frame.open());
    pump_messages(200);
    POINT nav = frame.screen(frame.frame_width + 50, frame.frame_height + 60);
    double_click_at(nav.x, nav.y);
    EXPECT_FALSE(frame.asked(SC_MAXIMIZE));
    EXPECT_FALSE(IsZoomed(frame.hwnd()));
    EXPECT_EQ(frame.nav_clicks, 1) << "a double click is one click";

    POINT band = frame.screen(250, frame.frame_height + 60);
    double_click_at(band.x, band.y);
    EXPECT_TRUE(frame.asked(SC_MOVE)) << "a press on the band starts a move";
    EXPECT_TRUE(frame.asked(SC_MAXIMIZE));
}

TEST(SkinnedFrame, HoverFollowsTheMouseAndResetsWhenItLeaves)
{
    frame_window_c frame;
    ASSERT_TRUE(frame.open());
    pump_messages(200);
    POINT nav = frame.screen(frame.frame_width + 50, frame.frame_height + 60);
    hover_at(nav.x, nav.y);
    EXPECT_TRUE(pump_until([&] { return frame.nav->state == button_hover; }, 2000));
    // Off the window altogether, with the button still in hover.
    hover_at(6, 900);
    EXPECT_TRUE(pump_until([&] { return frame.nav->state == button_normal; }, 3000));
    EXPECT_EQ(frame.nav_clicks, 0);
}

TEST(SkinnedFrame, BandAndBorderColours)
{
    frame_window_c frame;
    ASSERT_TRUE(frame.open());
    pump_messages(300);
    picture_t shot = capture_window(frame.hwnd());
    int f = frame.frame_width;
    EXPECT_EQ(shot.at(0, 0), rgb(colour::outer_border));
    EXPECT_EQ(shot.at(shot.width - 1, shot.height - 1), rgb(colour::outer_border));
    for (int i = 1; i < f; ++i) EXPECT_EQ(shot.at(i, 200), rgb(colour::band)) << "inner frame " << i;
    // The band, away from the buttons, from the top frame edge 100 pixels down.
    EXPECT_EQ(shot.at(250, f), rgb(colour::band));
    EXPECT_EQ(shot.at(250, f + 99), rgb(colour::band));
    // Below it the client area begins (the class's window colour).
    EXPECT_EQ(shot.at(250, f + 101), rgb(GetSysColor(COLOR_WINDOW)));
    POINT origin{0, 0};
    ClientToScreen(frame.hwnd(), &origin);
    RECT r{};
    GetWindowRect(frame.hwnd(), &r);
    EXPECT_EQ(origin.y - r.top, frame.frame_height + 100);
}
