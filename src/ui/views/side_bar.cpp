#include "ui/views/side_bar.h"

#include "app/language.h"
#include "app/language_keys.h"
#include "common/win32_text.h"
#include "system/system_info.h"
#include "ui/model/scan_view_layout.h"
#include "ui/skin/colours.h"
#include "ui/skin/skin_ids.h"
#include "ui/skin/skin_image.h"
#include "ui/skin/wrapped_text.h"
#include "ui/win/gdi_handle.h"

#include <algorithm>

namespace tdu {

namespace {

constexpr COLORREF row_colour = RGB(0x43, 0x6E, 0x98);

const skin_image_c& side_bar_icon()
{
    static skin_image_c icon = [] {
        skin_image_c image(skin::sidebar_system_icon);
        image.set_transparent(RGB(255, 255, 255));
        return image;
    }();
    return icon;
}

int text_width(HDC dc, skin_font_t font, const u16& text) { return skin_text_size(dc, font, text).cx; }

} // namespace

void draw_side_bar_background(HDC dc, int width, int height)
{
    RECT bar{width - side_bar_width, 0, width, height};
    brush_t fill(CreateSolidBrush(colour::side_bar));
    FillRect(dc, &bar, fill.get());
    RECT edge{bar.left, 0, bar.left + 1, height};
    brush_t line(CreateSolidBrush(colour::side_bar_edge));
    FillRect(dc, &edge, line.get());
}

void draw_side_bar(HDC dc, int width, const side_bar_style_t& style)
{
    side_bar_icon().draw_at(dc, width - 247, 5);
    int old_mode = SetBkMode(dc, TRANSPARENT);
    COLORREF old_colour = SetTextColor(dc, colour::heading);
    {
        // A title too long for the bar right of the icon takes the smaller
        // font, and if need be starts further left, rather than running out
        // of the window.
        const u16& title = language_text(lang::sidebar_system_info);
        skin_font_t title_font = style.title_font;
        if (text_width(dc, title_font, title) > 188) title_font = font_verdana_10_bold;
        int x = width - 193;
        int title_width = text_width(dc, title_font, title);
        if (x + title_width > width - 5) x = std::max(width - side_bar_width + 5, width - 5 - title_width);
        selected_object_t font(dc, skin_font(title_font));
        TextOutW(dc, x, 28, wide(title.c_str()), static_cast<int>(title.size()));
    }
    SetTextColor(dc, row_colour);
    selected_object_t font(dc, skin_font(font_arial_8));
    struct row_t {
        language_key_t label;
        const u16& value;
    };
    const row_t rows[] = {
        {lang::sidebar_model, system_info.computer_model}, {lang::sidebar_os, system_info.os_description},
        {lang::sidebar_cpu, system_info.processor_name},   {lang::sidebar_memory, system_info.memory_size},
        {lang::sidebar_display, system_info.display_name}, {lang::sidebar_sound, system_info.sound_device},
        {lang::sidebar_storage, system_info.disk_model},
    };
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int line_height = metrics.tmHeight > 0 ? metrics.tmHeight : 14;
    // The value column leaves room for the widest label, so no label runs
    // into its value (German and Japanese labels are longer than English).
    int value_left = side_bar_value_left(width, style.long_labels);
    int widest_label = 0;
    for (const row_t& row : rows) widest_label = std::max(widest_label, text_width(dc, font_arial_8, language_text(row.label)));
    value_left = std::min(std::max(value_left, width - 240 + widest_label + 6), width - side_bar_width + 110);
    int top = 100;
    for (const row_t& row : rows) {
        // Measured first: an empty value leaves the rectangle as it is, and
        // still takes one line.
        RECT value{value_left, top, width - 5, top};
        draw_wrapped_text(dc, row.value, value, 5, DT_CALCRECT);
        if (value.bottom < top + line_height) value.bottom = top + line_height;
        RECT drawn{value_left, top, width - 5, value.bottom};
        draw_wrapped_text(dc, row.value, drawn, 5, 0);
        RECT label{width - 240, top, value_left - 2, value.bottom};
        draw_wrapped_text(dc, language_text(row.label), label, 5, 0);
        top = value.bottom + 20;
    }
    SetTextColor(dc, old_colour);
    SetBkMode(dc, old_mode);
}

} // namespace tdu
