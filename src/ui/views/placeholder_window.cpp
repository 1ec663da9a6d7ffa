#include "ui/views/placeholder_window.h"

#include "app/language.h"
#include "common/win32_text.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/win/gdi_handle.h"
#include "ui/win/memory_paint.h"

namespace tdu {

HWND placeholder_window_c::create_view(HWND parent, const RECT& rect)
{
    register_class(class_name);
    return create(class_name, parent, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
}

bool placeholder_window_c::process_message(UINT message, WPARAM, LPARAM, LRESULT& result)
{
    if (message == WM_ERASEBKGND) {
        result = 1;
        return true;
    }
    if (message != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    RECT client;
    GetClientRect(hwnd(), &client);
    {
        memory_paint_c paint(dc, client);
        FillRect(paint.dc(), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetBkMode(paint.dc(), TRANSPARENT);
        SetTextColor(paint.dc(), colour::heading);
        selected_object_t font(paint.dc(), skin_font(font_verdana_18));
        const u16& title = language_text(title_key_);
        TextOutW(paint.dc(), 15, 10, wide(title.c_str()), static_cast<int>(title.size()));
    }
    EndPaint(hwnd(), &ps);
    return true;
}

} // namespace tdu
