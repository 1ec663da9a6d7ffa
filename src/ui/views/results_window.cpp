#include "ui/views/results_window.h"

#include "app/language.h"
#include "app/language_format.h"
#include "app/language_keys.h"
#include "common/win32_text.h"
#include "devices/device.h"
#include "ui/model/scan_view_layout.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/skin/skin_image.h"
#include "ui/views/side_bar.h"
#include "ui/win/gdi_handle.h"
#include "ui/win/memory_paint.h"

namespace tdu {

namespace {

void text_at(HDC dc, int x, int y, const u16& text)
{
    TextOutW(dc, x, y, wide(text.c_str()), static_cast<int>(text.size()));
}

u16 count_text(language_key_t key, int64_t value)
{
    return format_language_text(language_text(key), {decimal_text(value)}, 255);
}

} // namespace

HWND results_window_c::create_view(HWND parent, const RECT& rect)
{
    register_class(class_name);
    return create(class_name, parent, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
}

void results_window_c::load_scan_result(uint32_t device_nodes, const device_inventory_t& inventory)
{
    device_nodes_ = device_nodes;
    int32_t count = 0;
    const device_t* devices = inventory_devices(const_cast<device_inventory_t&>(inventory), &count);
    counts_ = count_offer_results(devices, static_cast<size_t>(count));
    if (!hwnd()) return;
    // The counts are also the view's name, for screen readers (and for the
    // tests that look at the program from outside).
    u16 name = count_text(lang::sidebar_out_of_date, counts_.out_of_date) + u"; " +
               count_text(lang::sidebar_no_driver, counts_.no_driver) + u"; " +
               count_text(lang::sidebar_up_to_date, counts_.up_to_date);
    SetWindowTextW(hwnd(), wide(name.c_str()));
    InvalidateRect(hwnd(), nullptr, FALSE);
}

bool results_window_c::process_message(UINT message, WPARAM, LPARAM, LRESULT& result)
{
    switch (message) {
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        RECT client;
        GetClientRect(hwnd(), &client);
        {
            memory_paint_c paint(dc, client);
            this->paint(paint.dc(), client);
        }
        EndPaint(hwnd(), &ps);
        return true;
    }
    default:
        return false;
    }
}

void results_window_c::paint(HDC dc, const RECT& client)
{
    const int width = client.right, height = client.bottom;
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    static const skin_image_c header_tile(skin::results_header_tile);
    RECT header{0, 0, width - side_bar_width, 40};
    brush_t tile(header_tile.make_pattern_brush());
    if (tile) FillRect(dc, &header, tile.get());
    draw_side_bar_background(dc, width, height);
    SetBkMode(dc, TRANSPARENT);

    // White on the dark header tile.
    SetTextColor(dc, colour::white);
    language_key_t headline = counts_.out_of_date > 0 || counts_.no_driver > 0 ? lang::download_new_drivers_found1
                                                                              : lang::download_new_drivers_found3;
    {
        selected_object_t font(dc, skin_font(font_verdana_18));
        text_at(dc, 15, 10, language_text(headline));
    }

    // The counts, each beside its icon, in the side bar.
    struct row_t {
        int icon;
        language_key_t key;
        int64_t value;
    };
    const int64_t total = int64_t{counts_.out_of_date} + counts_.no_driver + counts_.up_to_date;
    const row_t rows[] = {
        {skin::results_out_of_date, lang::sidebar_out_of_date, counts_.out_of_date},
        {skin::results_no_driver, lang::sidebar_no_driver, counts_.no_driver},
        {skin::results_up_to_date, lang::sidebar_up_to_date, counts_.up_to_date},
        {skin::results_total, lang::sidebar_total, total},
    };
    SetTextColor(dc, colour::value_text);
    selected_object_t font(dc, skin_font(font_verdana_10_bold));
    int y = 30;
    for (const row_t& row : rows) {
        skin_image_c icon(row.icon);
        icon.draw_at(dc, width - 230, y);
        text_at(dc, width - 205, y, count_text(row.key, row.value));
        y += 30;
    }
    SetTextColor(dc, RGB(0x43, 0x6E, 0x98));
    selected_object_t small(dc, skin_font(font_verdana_8));
    text_at(dc, 15, 60, language_text(lang::scan_items_scanned) + decimal_text(device_nodes_));
}

} // namespace tdu
