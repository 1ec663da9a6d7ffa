// The child-window controls under Wine: the image button's clicks and image
// states, the link's visited colour, and the panel list's scrolling.
#include "ui/controls/bitmap_button.h"
#include "ui/controls/link.h"
#include "ui/controls/panel_list.h"
#include "ui/win/window.h"
#include "window_test_support.h"

#include <gtest/gtest.h>

using namespace tdu;
using namespace tdu::test;

namespace {

// A plain top-level window that counts the button notifications it gets.
class host_window_c : public window_c<host_window_c> {
public:
    int clicks = 0;
    bool open()
    {
        register_class(L"tdu_test_host", 0, GetSysColorBrush(COLOR_WINDOW));
        return window_c::create(L"tdu_test_host", nullptr, L"Host", WS_POPUP | WS_VISIBLE, 0, 200, 200, 400, 300) !=
               nullptr;
    }
    bool process_message(UINT message, WPARAM w, LPARAM, LRESULT& result)
    {
        if (message == WM_COMMAND && LOWORD(w) == 7 && HIWORD(w) == BN_CLICKED) {
            ++clicks;
            result = 0;
            return true;
        }
        return false;
    }
};

// A row of the panel list: an empty child window.
class row_window_c : public window_c<row_window_c> {
public:
    bool open(HWND parent)
    {
        register_class(L"tdu_test_row", 0, GetSysColorBrush(COLOR_BTNFACE));
        return window_c::create(L"tdu_test_row", parent, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 10, 10) != nullptr;
    }
    bool process_message(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
};

int row_top(HWND row)
{
    RECT r{};
    GetWindowRect(row, &r);
    POINT p{r.left, r.top};
    ScreenToClient(GetParent(row), &p);
    return p.y;
}

} // namespace

TEST(BitmapButton, ClickNotifiesOnceAndImagesFollowTheState)
{
    host_window_c host;
    ASSERT_TRUE(host.open());
    HIMAGELIST list = ImageList_Create(70, 24, ILC_COLOR32, 4, 0);
    bitmap_button_c button;
    ASSERT_TRUE(button.create(host.hwnd(), 7, 20, 20, 70, 24, L"OK"));
    button.set_image_list(list);
    button.set_images(0, 1, 2, 3);
    pump_messages(100);
    EXPECT_EQ(button.current_image(), 0);

    RECT r{};
    GetWindowRect(button.hwnd(), &r);
    click_at((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    EXPECT_EQ(host.clicks, 1);
    EXPECT_TRUE(button.hovered());
    EXPECT_EQ(button.current_image(), 2);

    // The mouse leaves: the hover image goes.
    hover_at(6, 1000);
    EXPECT_TRUE(pump_until([&] { return !button.hovered(); }, 3000));
    EXPECT_EQ(button.current_image(), 0);

    SendMessageW(button.hwnd(), BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(button.current_image(), 1);
    SendMessageW(button.hwnd(), BM_SETSTATE, FALSE, 0);
    EnableWindow(button.hwnd(), FALSE);
    EXPECT_EQ(button.current_image(), 3);
    // Without a disabled image the normal one shows.
    button.set_images(0, 1, 2, -1);
    EXPECT_EQ(button.current_image(), 0);
    EXPECT_EQ(host.clicks, 1);
    DestroyWindow(host.hwnd());
    ImageList_Destroy(list);
}

TEST(Link, VisitedColourOnlyAfterTheAddressOpened)
{
    host_window_c host;
    ASSERT_TRUE(host.open());
    link_c link;
    ASSERT_TRUE(link.create(host.hwnd(), 9, 10, 100, 200, 20));
    std::vector<u16> opened;
    bool succeed = false;
    link.open_address = [&](const u16& a) {
        opened.push_back(a);
        return succeed;
    };
    link.set_label(u"Frequently asked questions");
    link.set_address(u"http://127.0.0.1/faq");
    pump_messages(100);

    RECT r{};
    GetWindowRect(link.hwnd(), &r);
    click_at(r.left + 20, (r.top + r.bottom) / 2);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], u"http://127.0.0.1/faq");
    EXPECT_FALSE(link.visited()) << "the address did not open";

    succeed = true;
    click_at(r.left + 20, (r.top + r.bottom) / 2);
    EXPECT_TRUE(link.visited());
    // A click beyond the end of the text opens nothing.
    click_at(r.right - 2, (r.top + r.bottom) / 2);
    EXPECT_EQ(opened.size(), 2u);

    pump_messages(100);
    picture_t shot = capture_window(link.hwnd());
    bool purple = false, blue = false;
    for (uint32_t px : shot.pixels) {
        purple |= (px & 0xFFFFFF) == 0x800080;
        blue |= (px & 0xFFFFFF) == 0x0000FF;
    }
    EXPECT_TRUE(purple);
    EXPECT_FALSE(blue);
    DestroyWindow(host.hwnd());
}

TEST(PanelList, ScrollStaysWithinTheContent)
{
    host_window_c host;
    ASSERT_TRUE(host.open());
    panel_list_c<row_window_c> list;
    ASSERT_TRUE(list.create(host.hwnd(), 3, 0, 0, 300, 200));
    RECT client{};
    GetClientRect(list.hwnd(), &client);
    ASSERT_EQ(client.bottom, 200);
    for (int i = 0; i < 10; ++i) {
        auto row = std::make_unique<row_window_c>();
        ASSERT_TRUE(row->open(list.hwnd()));
        list.add_row(std::move(row), 50);
    }
    EXPECT_EQ(list.content_height(), 500);
    EXPECT_EQ(list.page_height(), 200);
    // The rows show: the list's picture is the rows' colour.
    pump_messages(200);
    picture_t shown = capture_window(list.hwnd());
    EXPECT_EQ(shown.at(50, 20), rgb(GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(shown.at(50, 180), rgb(GetSysColor(COLOR_BTNFACE)));

    // Page down far past the end: the last row's bottom meets the page's.
    for (int i = 0; i < 5; ++i) SendMessageW(list.hwnd(), WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(list.scroll_position(), 300);
    EXPECT_EQ(row_top(list.rows()[0]->hwnd()), -300);
    EXPECT_EQ(row_top(list.rows()[9]->hwnd()), 150);
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(list.hwnd(), SB_VERT, &info);
    EXPECT_EQ(info.nPos, 300);
    EXPECT_EQ(info.nMax - static_cast<int>(info.nPage) + 1, 300) << "the thumb cannot go further either";

    SendMessageW(list.hwnd(), WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(list.scroll_position(), 290);
    SendMessageW(list.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    EXPECT_EQ(list.scroll_position(), 275);
    for (int i = 0; i < 40; ++i) SendMessageW(list.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    EXPECT_EQ(list.scroll_position(), 0);

    // Grown to hold everything: back to 0 and the wheel does nothing.
    list.scroll_to(200);
    MoveWindow(list.hwnd(), 0, 0, 300, 600, TRUE);
    EXPECT_EQ(list.scroll_position(), 0);
    EXPECT_EQ(row_top(list.rows()[0]->hwnd()), 0);
    SendMessageW(list.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(list.scroll_position(), 0);

    list.remove_all_rows();
    EXPECT_EQ(list.content_height(), 0);
    EXPECT_TRUE(list.rows().empty());
    DestroyWindow(host.hwnd());
}
