#include "ui/views/download_all_window.h"

#include "ui/views/results_messages.h"
#include "app/language.h"
#include "app/language_format.h"
#include "app/language_keys.h"
#include "common/win32_text.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/skin/skin_image.h"
#include "ui/win/memory_paint.h"

#include <windowsx.h>

#include <algorithm>

namespace tdu {

namespace {
constexpr COLORREF check_text_colour = RGB(0x47, 0x83, 0xC3);
}

download_all_window_c::~download_all_window_c()
{
    button_images_.reset();
}

HWND download_all_window_c::create_bar(HWND view, int x, int y, int width)
{
    register_class(class_name);
    return create(class_name, view, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, x, y, width, height);
}

void download_all_window_c::on_create()
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const u16& check_label = language_text(lang::download_all_check);
    check_ = CreateWindowExW(0, L"BUTTON", wide(check_label.c_str()), WS_CHILD | WS_VISIBLE | WS_TABSTOP |
                             BS_AUTOCHECKBOX | BS_NOTIFY, 10, 10, 240, 30, hwnd(),
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(check_id)), instance, nullptr);
    SendMessageW(check_, WM_SETFONT, reinterpret_cast<WPARAM>(skin_font(font_verdana_9_bold)), FALSE);

    const int ids[3] = {skin::download_all_button, skin::download_all_button_hover, skin::download_all_button_pushed};
    button_images_.reset(make_skin_image_list(ids, 3, 106, 27));
    RECT client;
    GetClientRect(hwnd(), &client);
    const u16& label = language_text(lang::download_all_button);
    button_.create(hwnd(), button_id, client.right - 136, 8, 106, 27, wide(label.c_str()));
    button_.set_image_list(button_images_.get());
    button_.set_images(0, 2, 1);
    button_.set_font(skin_font(font_verdana_9_bold));
    button_.set_text_colour(colour::white);
    line_.reset(CreatePen(PS_SOLID, 1, colour::frame));

    ignored_.create(hwnd(), 0, 0, 0, 10, 19);
    ignored_.set_font(skin_font(font_verdana_8));
    ShowWindow(ignored_.hwnd(), SW_HIDE);
}

void download_all_window_c::set_ignored_count(size_t count)
{
    if (!ignored_.hwnd()) return;
    u16 label = format_language_text(language_text(lang::ignored_link), {decimal_text(static_cast<int64_t>(count))}, 63);
    ignored_.set_label(label);
    SetWindowTextW(ignored_.hwnd(), wide(label.c_str()));
    ignored_width_ = skin_text_size(client_dc_t(hwnd()).get(), font_verdana_8, label).cx + 4;
    RECT client;
    GetClientRect(hwnd(), &client);
    place_ignored_link(client.right);
    ShowWindow(ignored_.hwnd(), count > 0 ? SW_SHOW : SW_HIDE);
}

// Right before the button, its text's width; where the bar is too narrow,
// it starts no further left than the tick box's right edge.
void download_all_window_c::place_ignored_link(int width)
{
    if (!ignored_.hwnd()) return;
    int right = width - 136 - 12;
    int left = std::max(right - ignored_width_, 250);
    MoveWindow(ignored_.hwnd(), left, 12, std::max(0, right - left), 19, TRUE);
}

bool download_all_window_c::process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result)
{
    switch (message) {
    case WM_CREATE:
        on_create();
        result = 0;
        return true;
    case WM_SIZE:
        if (button_.hwnd())
            SetWindowPos(button_.hwnd(), nullptr, LOWORD(l) - 136, 8, 106, 27, SWP_NOZORDER | SWP_NOACTIVATE);
        place_ignored_link(LOWORD(l));
        InvalidateRect(hwnd(), nullptr, FALSE);
        return true;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT:
        // White, with a line along the top edge.
        paint_window_buffered(hwnd(), [this](HDC dc, const RECT& client) {
            FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            selected_object_t pen(dc, line_.get());
            MoveToEx(dc, 0, 0, nullptr);
            LineTo(dc, client.right, 0);
        });
        return true;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        HDC dc = reinterpret_cast<HDC>(w);
        SetTextColor(dc, check_text_colour);
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        return true;
    }
    case WM_COMMAND: {
        HWND view = GetParent(hwnd());
        if (LOWORD(w) == check_id && HIWORD(w) == BN_CLICKED) {
            SendMessageW(view, wm_tick_all, Button_GetCheck(check_) == BST_CHECKED ? 1 : 0, 0);
            SetFocus(view);
        } else if (LOWORD(w) == button_id && HIWORD(w) == BN_CLICKED) {
            SendMessageW(view, wm_download_all, 0, 0);
            SetFocus(view);
        }
        return true;
    }
    default:
        return false;
    }
}

} // namespace tdu
