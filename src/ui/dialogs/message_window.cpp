#include "ui/dialogs/message_window.h"

#include "app/language.h"
#include "common/win32_text.h"
#include "ui/resources/dialog_ids.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/skin/wrapped_text.h"
#include "ui/win/memory_paint.h"

#include <algorithm>


namespace tdu {

namespace {

// A label the language file lacks still names the button.
u16 button_label(language_key_t key)
{
    const u16& text = language_text(key);
    if (!text.empty()) return text;
    if (key == lang::btn_yes) return u"Yes";
    if (key == lang::btn_no) return u"No";
    if (key == lang::btn_retry) return u"Retry";
    if (key == lang::btn_cancel) return u"Cancel";
    return u"OK";
}

} // namespace

message_window_c::message_window_c(u16view text, unsigned style)
    : ui_window_c(band), text_(text), style_(style), layout_(message_box_layout(style)),
      body_brush_(CreateSolidBrush(colour::side_bar)), strip_brush_(CreateSolidBrush(colour::band))
{
}

message_window_c::~message_window_c()
{
    button_images_.reset();
}

int message_window_c::run(HWND owner)
{
    INT_PTR result = run_modal(owner, IDD_MESSAGE_BOX);
    // A box that could not be shown agrees to nothing.
    return result < 0 ? message_closed : static_cast<int>(result);
}

void message_window_c::set_up()
{
    // The caption close button: 31 by 21 at the frame offset from the right.
    auto close = std::make_unique<system_button_c<message_window_c>>();
    close->create(GetModuleHandleW(nullptr), skin::dialog_close, skin::dialog_close_hover, skin::dialog_close_pressed,
                  frame_width, frame_height, frame_width + 31, frame_height + 21, u"close");
    close->set_action(this, &message_window_c::close_box);
    add_caption_button(std::move(close));

    if (layout_.icon_bitmap) icon_.load(layout_.icon_bitmap);

    const int image_ids[3] = {skin::box_button, skin::box_button_pushed, skin::box_button_hover};
    button_images_.reset(make_skin_image_list(image_ids, 3, 70, 24));
    const int ids[2] = {IDOK, IDCANCEL};
    const language_key_t keys[2] = {layout_.first_key, layout_.second_key};
    // The box's size for its text, measured in the font it is drawn in.
    RECT work{};
    HMONITOR monitor = MonitorFromWindow(owner_or_null(), MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (monitor && GetMonitorInfoW(monitor, &info))
        work = info.rcWork;
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    {
        // What the frame and band take: the window's size less its client area's.
        SetWindowPos(hwnd_, nullptr, 0, 0, message_box_metrics::base_width, message_box_metrics::base_height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT window{}, client{};
        GetWindowRect(hwnd_, &window);
        GetClientRect(hwnd_, &client);
        client_dc_t dc(hwnd_);
        selected_object_t font(dc.get(), skin_font(font_verdana_10));
        dc_text_measure_c measure(dc.get());
        geometry_ = message_box_geometry(layout_, text_, measure, (window.right - window.left) - client.right,
                                         (window.bottom - window.top) - client.bottom, work.right - work.left,
                                         work.bottom - work.top);
    }
    const POINT places[2] = {{geometry_.first_x, geometry_.first_y}, {geometry_.second_x, geometry_.second_y}};
    for (int i = 0; i < 2; ++i) {
        HWND button = GetDlgItem(hwnd_, ids[i]);
        if (!button) continue;
        if (i >= layout_.buttons) {
            ShowWindow(button, SW_HIDE);
            continue;
        }
        buttons_[i].attach(button);
        buttons_[i].set_image_list(button_images_.get());
        buttons_[i].set_images(0, 1, 2);
        buttons_[i].set_font(skin_font(font_verdana_9_bold));
        buttons_[i].set_text_colour(colour::white);
        SetWindowTextW(button, wide(button_label(keys[i]).c_str()));
        SetWindowPos(button, nullptr, places[i].x, places[i].y, 70, 24, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // Centred over the owner (or the work area), kept inside the work area,
    // rectangular.
    RECT area = work;
    HWND owner = owner_or_null();
    if (owner) GetWindowRect(owner, &area);
    int x = area.left + ((area.right - area.left) - geometry_.width) / 2;
    int y = area.top + ((area.bottom - area.top) - geometry_.height) / 2;
    x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - geometry_.width));
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - geometry_.height));
    SetWindowPos(hwnd_, nullptr, x, y, geometry_.width, geometry_.height, SWP_NOZORDER | SWP_NOACTIVATE);
    apply_window_region();
}

HWND message_window_c::owner_or_null() const
{
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    return owner && IsWindowVisible(owner) && !IsIconic(owner) ? owner : nullptr;
}

void message_window_c::fill_background(HDC dc)
{
    RECT client{};
    GetClientRect(hwnd_, &client);
    RECT body = client;
    body.bottom = geometry_.strip_top;
    FillRect(dc, &body, body_brush_.get());
    RECT strip = client;
    strip.top = geometry_.strip_top;
    FillRect(dc, &strip, strip_brush_.get());
}

void message_window_c::paint_client(HDC dc)
{
    fill_background(dc);

    icon_.draw_at(dc, 15, 30);

    selected_object_t font(dc, skin_font(font_verdana_10));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour::message_text);
    RECT text{geometry_.text.left, geometry_.text.top, geometry_.text.right, geometry_.text.bottom};
    draw_wrapped_text(dc, text_, text, message_box_metrics::line_gap, DT_LEFT);
}

bool message_window_c::process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result)
{
    if (ui_process_message(message, w, l, result)) return true;
    switch (message) {
    case WM_INITDIALOG:
        set_up();
        result = TRUE;
        return true;
    case WM_ERASEBKGND:
        fill_background(reinterpret_cast<HDC>(w));
        result = 1;
        return true;
    case WM_PAINT: {
        paint_dc_t dc(hwnd_);
        RECT client{};
        GetClientRect(hwnd_, &client);
        memory_paint_c buffer(dc.get(), client);
        paint_client(buffer.dc());
        result = 0;
        return true;
    }
    case WM_CTLCOLORBTN:
        // The buttons stand on the dark strip.
        result = reinterpret_cast<LRESULT>(strip_brush_.get());
        return true;
    case WM_COMMAND:
        if (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) {
            end_dialog(LOWORD(w) == IDOK ? message_first : message_second);
            result = 0;
            return true;
        }
        return false;
    default:
        return false;
    }
}

int show_message_box(HWND owner, u16view text, unsigned style)
{
    message_window_c box(text, style);
    return box.run(owner);
}

box_result_t ask_message_text(HWND owner, u16view text, box_style_t style)
{
    return box_result_from_button(show_message_box(owner, text, static_cast<unsigned>(style)));
}

box_result_t ask_message_box(HWND owner, language_key_t key, box_style_t style)
{
    return ask_message_text(owner, language_text(key), style);
}

} // namespace tdu
