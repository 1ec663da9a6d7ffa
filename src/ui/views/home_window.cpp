#include "ui/views/home_window.h"

#include "app/app_messages.h"
#include "app/language.h"
#include "app/language_keys.h"
#include "common/win32_text.h"
#include "ui/model/home_view_layout.h"
#include "ui/model/language_layout.h"
#include "ui/model/scan_view_layout.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/views/side_bar.h"
#include "ui/win/memory_paint.h"

#include <windowsx.h>

namespace tdu {

namespace {

RECT win_rect(const layout_rect_t& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

void text_at(HDC dc, int x, int y, const u16& text)
{
    TextOutW(dc, x, y, wide(text.c_str()), static_cast<int>(text.size()));
}

} // namespace

HWND home_window_c::create_view(HWND parent, const RECT& rect)
{
    register_class(class_name);
    load_images();
    BOOL cues = FALSE;
    SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cues, 0);
    focus_shown_ = cues != FALSE;
    return create(class_name, parent, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
}

void home_window_c::load_images()
{
    steps_.load(skin::home_steps);
    banner_.load(home_banner_bitmap(language_table));
    icon_.load(skin::home_icon);
    for (int state = 0; state < 3; ++state) scan_button_[state].load(home_button_bitmap(language_table, state));
    header_tile_.reset(skin_image_c(skin::home_header_tile).make_pattern_brush());
    separator_tile_.reset(skin_image_c(skin::home_separator).make_pattern_brush());
}

RECT home_window_c::scan_button_rect() const
{
    RECT client{};
    GetClientRect(hwnd(), &client);
    return win_rect(home_layout(client.right, client.bottom).scan_button);
}

bool home_window_c::focus_drawn() const { return focus_shown_ && GetFocus() == hwnd(); }

bool home_window_c::process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
        key(message, w, l);
        return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        RECT button = scan_button_rect();
        InvalidateRect(hwnd(), &button, FALSE);
        return true;
    }
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT:
        paint_window_buffered(hwnd(), [this](HDC dc, const RECT& client) { paint(dc, client); });
        return true;
    case WM_MOUSEMOVE:
        pointer(0, l);
        return true;
    case WM_LBUTTONDOWN:
        pointer(1, l);
        return true;
    case WM_LBUTTONUP:
        pointer(2, l);
        return true;
    case WM_MOUSELEAVE:
        pointer(0, MAKELPARAM(-1, -1));
        return true;
    default:
        return false;
    }
}

void home_window_c::pointer(int event, LPARAM l)
{
    POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
    RECT button = scan_button_rect();
    bool over = PtInRect(&button, p) != FALSE;
    static const pointer_event events[] = {pointer_event::move, pointer_event::down, pointer_event::up};
    home_button_outcome_t out = home_button_event(button_state_, events[event], over);
    if (event == 0 && over) {
        // Told when the pointer leaves the view, so the hover image goes.
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd(), 0};
        TrackMouseEvent(&track);
    }
    if (out.redraw) InvalidateRect(hwnd(), &button, FALSE);
    if (out.start_scan) SendMessageW(GetParent(hwnd()), wm_start_scan, 0, 0);
}

void home_window_c::key(UINT message, WPARAM w, LPARAM)
{
    button_key which = button_key::other;
    if (message == WM_KEYDOWN && w == VK_RETURN) which = button_key::enter_down;
    if (message == WM_KEYDOWN && w == VK_SPACE) which = button_key::space_down;
    if (message == WM_KEYUP && w == VK_SPACE) which = button_key::space_up;
    if (message == WM_KEYDOWN && w == VK_TAB) which = button_key::tab_down;
    home_key_outcome_t out = home_button_key(button_state_, focus_shown_, which);
    if (out.redraw) {
        RECT button = scan_button_rect();
        InvalidateRect(hwnd(), &button, FALSE);
    }
    if (out.start_scan) SendMessageW(GetParent(hwnd()), wm_start_scan, 0, 0);
}

void home_window_c::paint(HDC dc, const RECT& client)
{
    const int width = client.right, height = client.bottom;
    const std::string_view code = language_code(language_table);
    home_layout_t l = home_layout(width, height);

    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT header{0, 0, width - side_bar_width, 40};
    if (header_tile_) FillRect(dc, &header, header_tile_.get());
    draw_side_bar_background(dc, width, height);

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour::heading);
    {
        selected_object_t font(dc, skin_font(font_verdana_18));
        text_at(dc, 15, 10, language_text(lang::home_scan_for_driver_updates));
    }

    steps_.draw_at(dc, l.step_picture.left, l.step_picture.top);
    // The step labels' and the automatic-scan line's font for the language.
    const skin_font_t usual = language_layout(code).home_small_step_labels ? font_verdana_10_bold : font_verdana_12_bold;
    {
        // The labels stay on the picture: each ends before the next step's
        // number, the last before the picture's end. A language whose labels
        // do not fit takes the next smaller bold font for all three.
        const language_key_t labels[3] = {lang::home_scan_for_drivers, lang::home_download, lang::home_install};
        const skin_font_t label_font = first_fitting_font(
            dc, {usual, font_verdana_10_bold, font_verdana_8_bold},
            {{language_text(labels[0]), l.step_label_room[0]},
             {language_text(labels[1]), l.step_label_room[1]},
             {language_text(labels[2]), l.step_label_room[2]}});
        // A smaller font keeps the labels' middle where the usual one puts it.
        const int y =
            l.step_label_y + (skin_text_size(dc, usual, u"Ag").cy - skin_text_size(dc, label_font, u"Ag").cy) / 2;
        selected_object_t font(dc, skin_font(label_font));
        for (int i = 0; i < 3; ++i) text_at(dc, l.step_label_x[i], y, language_text(labels[i]));
    }

    scan_button_[button_state_ >= 0 && button_state_ < 3 ? button_state_ : 0].draw_at(dc, l.scan_button.left,
                                                                                       l.scan_button.top);
    if (focus_drawn()) {
        // The focus rectangle inside the button's picture, clear of its
        // rounded edge: white dots, which show on the blue button (the
        // inverting DrawFocusRect barely does).
        RECT focus = win_rect(l.scan_button);
        InflateRect(&focus, -home_focus_inset, -home_focus_inset);
        pen_t dots(CreatePen(PS_DOT, 1, RGB(255, 255, 255)));
        selected_object_t pen(dc, dots.get());
        selected_object_t brush(dc, GetStockObject(NULL_BRUSH));
        SetBkMode(dc, TRANSPARENT);
        Rectangle(dc, focus.left, focus.top, focus.right, focus.bottom);
    }

    banner_.draw_at(dc, l.banner.left, l.banner.top);
    icon_.draw_at(dc, l.automatic_icon.left, l.automatic_icon.top);
    {
        // A line too long for the area left of the side bar (German) takes
        // the smaller font instead of running into the side bar.
        const u16& line = language_text(lang::home_kelptone_automatically);
        selected_object_t font(
            dc, skin_font(first_fitting_font(dc, {usual, font_verdana_10_bold}, {{line, width - side_bar_width - 50}})));
        text_at(dc, 40, l.automatic_text_y, line);
    }
    RECT separator = win_rect(l.separator);
    if (separator_tile_) FillRect(dc, &separator, separator_tile_.get());

    side_bar_style_t style;
    style.title_font = language_layout(code).home_small_side_bar_title ? font_verdana_10_bold : font_verdana_12_bold;
    style.long_labels = language_layout(code).home_long_side_bar_labels;
    draw_side_bar(dc, width, style);
}

} // namespace tdu
