#include "ui/controls/panel_list.h"

#include "ui/model/list_scroll.h"

namespace tdu {

namespace {
const wchar_t panel_list_class[] = L"tdu_panel_list";
}

HWND panel_list_base_c::create(HWND parent, int id, int x, int y, int width, int height)
{
    register_class(panel_list_class, 0, GetSysColorBrush(COLOR_WINDOW));
    return window_c::create(panel_list_class, parent, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPCHILDREN, 0,
                            x, y, width, height, static_cast<UINT_PTR>(id));
}

void panel_list_base_c::place_row(HWND row, int height)
{
    RECT client{};
    GetClientRect(hwnd_, &client);
    places_.push_back({row, 0, content_height_, client.right, height});
    content_height_ += height;
    content_width_ = client.right;
    on_size();
}

void panel_list_base_c::forget_rows()
{
    places_.clear();
    content_height_ = 0;
    position_ = 0;
    if (hwnd_) on_size();
}

void panel_list_base_c::on_size()
{
    RECT client{};
    GetClientRect(hwnd_, &client);
    page_height_ = client.bottom;
    for (auto& place : places_) place.width = client.right;
    content_width_ = client.right;
    if (list_can_scroll(content_height_, page_height_)) {
        ShowScrollBar(hwnd_, SB_VERT, TRUE);
    } else {
        ShowScrollBar(hwnd_, SB_VERT, FALSE);
    }
    apply_position(position_);
}

void panel_list_base_c::apply_position(int position)
{
    position_ = clamp_scroll(position, content_height_, page_height_);
    for (const auto& place : places_) {
        SetWindowPos(place.window, nullptr, place.left, place.top - position_, place.width, place.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (list_can_scroll(content_height_, page_height_)) {
        // The range's top end is content - 1: with the page, the last
        // position is content - page, as the clamp says.
        SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0,
                        content_height_ - 1, static_cast<UINT>(page_height_), position_, 0};
        SetScrollInfo(hwnd_, SB_VERT, &info, TRUE);
    }
}

bool panel_list_base_c::process_message(UINT message, WPARAM w, LPARAM, LRESULT& result)
{
    switch (message) {
    case WM_SIZE:
        on_size();
        result = 0;
        return true;
    case WM_VSCROLL: {
        SCROLLINFO info{sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(hwnd_, SB_VERT, &info);
        int wanted = scroll_request(LOWORD(w), position_, page_height_, info.nTrackPos);
        if (wanted != position_) apply_position(wanted);
        result = 0;
        return true;
    }
    case WM_MOUSEWHEEL: {
        int delta = static_cast<short>(HIWORD(w));
        int wanted = scroll_wheel(position_, delta, content_height_, page_height_);
        if (wanted != position_) apply_position(wanted);
        // Passed on as well, as the default handling does with a wheel.
        return false;
    }
    default:
        return false;
    }
}

} // namespace tdu
