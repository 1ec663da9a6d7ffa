#include "ui/views/backup_panels.h"

#include "app/language.h"
#include "common/win32_text.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/skin/skin_image.h"
#include "ui/win/gdi_handle.h"

#include <algorithm>

namespace tdu {

namespace {

constexpr COLORREF divider_colour = RGB(0xB3, 0xCA, 0xE9);
constexpr int panel_x = 310;
constexpr int value_x = 400;

int text_width(HDC dc, const u16& text)
{
    SIZE size{};
    GetTextExtentPoint32W(dc, wide(text.c_str()), static_cast<int>(text.size()), &size);
    return size.cx;
}

// A line cut with an ellipsis at the view's right edge.
void text_in(HDC dc, int x, int y, int right, const u16& text)
{
    RECT r{x, y, std::max(x, right), y + 20};
    DrawTextW(dc, wide(text.c_str()), static_cast<int>(text.size()), &r,
              DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_PATH_ELLIPSIS);
}

} // namespace

void draw_backup_panels(HDC dc, const RECT& client, const backup_panels_t& p)
{
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    {
        pen_t pen(CreatePen(PS_SOLID, 1, divider_colour));
        selected_object_t selected(dc, pen.get());
        MoveToEx(dc, 300, client.top, nullptr);
        LineTo(dc, 300, client.bottom);
    }
    SetBkMode(dc, TRANSPARENT);
    const int right = client.right - 10;

    if (p.details_icon) p.details_icon->draw_at(dc, panel_x, 35);
    if (p.settings_icon) p.settings_icon->draw_at(dc, panel_x, 250);
    SetTextColor(dc, colour::value_text);
    {
        selected_object_t font(dc, skin_font(font_verdana_9_bold));
        text_in(dc, 330, 37, right, language_text(p.details_heading));
        text_in(dc, 330, 252, right, language_text(p.settings_heading));
    }

    selected_object_t font(dc, skin_font(font_verdana_8));
    // Values start at x = 400, or further right when a language's label is
    // longer, so a label never runs into its value.
    int values = value_x;
    for (const detail_line_t& line : p.lines)
        values = std::max(values, panel_x + text_width(dc, language_text(line.label)) + 10);
    int y = 65;
    for (const detail_line_t& line : p.lines) {
        SetTextColor(dc, RGB(0, 0, 0));
        text_in(dc, panel_x, y, values - 4, language_text(line.label));
        SetTextColor(dc, colour::value_text);
        text_in(dc, values, y, right, line.value);
        y += 24;
    }

    const u16& label = language_text(lang::config_backup_path);
    SetTextColor(dc, RGB(0, 0, 0));
    text_in(dc, panel_x, 280, right, label);
    SetTextColor(dc, colour::value_text);
    text_in(dc, panel_x + text_width(dc, label) + 10, 280, right, p.backup_folder);
}

HFONT action_button_font(HWND button, const wchar_t* label, int button_width)
{
    client_dc_t dc(button);
    skin_font_t chosen = first_fitting_font(
        dc.get(), {font_verdana_22, font_verdana_18, font_verdana_16, font_verdana_14, font_verdana_12},
        {{u16view(u16ptr(label)), button_width - 16}});
    return skin_font(chosen);
}

HIMAGELIST create_action_button(bitmap_button_c& button, HWND parent, int id, language_key_t label)
{
    const int ids[3] = {skin::backup_button, skin::backup_button_pushed, skin::backup_button_hover};
    HIMAGELIST images = make_skin_image_list(ids, 3, 220, 100);
    const u16& text = language_text(label);
    button.create(parent, id, 440, 320, 220, 100, wide(text.c_str()));
    button.set_image_list(images);
    button.set_images(0, 1, 2);
    button.set_font(action_button_font(button.hwnd(), wide(text.c_str()), 220));
    button.set_text_colour(colour::white);
    return images;
}

} // namespace tdu
