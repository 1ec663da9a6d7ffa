#include "ui/controls/link.h"

#include "common/win32_text.h"
#include "ui/win/gdi_handle.h"
#include "ui/win/memory_paint.h"

#include <shellapi.h>
#include <windowsx.h>

namespace tdu {

namespace {

const wchar_t link_class[] = L"tdu_link";

bool shell_open(const u16& address)
{
    auto code = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", wide(address.c_str()), nullptr, nullptr, SW_SHOWNORMAL));
    return code > 32;
}

} // namespace

link_c::link_c() : open_address(shell_open) {}

HWND link_c::create(HWND parent, int id, int x, int y, int width, int height)
{
    register_class(link_class, 0, nullptr, LoadCursorW(nullptr, IDC_ARROW));
    return window_c::create(link_class, parent, L"", WS_CHILD | WS_VISIBLE, 0, x, y, width, height,
                            static_cast<UINT_PTR>(id));
}

void link_c::set_label(u16view label)
{
    label_ = u16(label);
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void link_c::set_font(HFONT font)
{
    font_ = font;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void link_c::open()
{
    if (on_click) {
        on_click();
        return;
    }
    if (address_.empty() || !open_address) return;
    if (open_address(address_)) {
        visited_ = true;
        if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
    }
}

RECT link_c::text_rect(HDC dc) const
{
    RECT r{0, 0, 0, 0};
    selected_object_t font(dc, font_);
    DrawTextW(dc, wide(label_.c_str()), -1, &r, DT_SINGLELINE | DT_CALCRECT);
    // The text is centred vertically: any height of the window counts.
    RECT client{};
    GetClientRect(hwnd_, &client);
    r.top = client.top;
    r.bottom = client.bottom;
    return r;
}

void link_c::paint(HDC dc)
{
    RECT client;
    GetClientRect(hwnd_, &client);
    // The parent's background, as a static control would ask for it.
    HBRUSH background = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(hwnd_), WM_CTLCOLORSTATIC,
                                                              reinterpret_cast<WPARAM>(dc),
                                                              reinterpret_cast<LPARAM>(hwnd_)));
    FillRect(dc, &client, background ? background : GetSysColorBrush(COLOR_WINDOW));
    selected_object_t font(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, visited_ ? visited_colour : normal_colour);
    DrawTextW(dc, wide(label_.c_str()), -1, &client, DT_SINGLELINE | DT_LEFT | DT_VCENTER);
}

bool link_c::process_message(UINT message, WPARAM, LPARAM l, LRESULT& result)
{
    switch (message) {
    case WM_PAINT: {
        paint_dc_t dc(hwnd_);
        RECT client;
        GetClientRect(hwnd_, &client);
        memory_paint_c buffer(dc.get(), client);
        paint(buffer.dc());
        result = 0;
        return true;
    }
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_SETCURSOR: {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(hwnd_, &p);
        client_dc_t dc(hwnd_);
        RECT text = text_rect(dc.get());
        if (PtInRect(&text, p)) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            result = TRUE;
            return true;
        }
        return false;
    }
    case WM_LBUTTONUP: {
        POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
        client_dc_t dc(hwnd_);
        RECT text = text_rect(dc.get());
        if (PtInRect(&text, p)) open();
        result = 0;
        return true;
    }
    default:
        return false;
    }
}

} // namespace tdu
