#include "ui/dialogs/dialog_parts.h"

#include "app/language.h"
#include "app/language_keys.h"
#include "common/win32_text.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/skin/skin_image.h"

namespace tdu {

void set_dialog_font(HWND control)
{
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(skin_font(font_verdana_8)), FALSE);
}

void set_list_cell(HWND list, int row, int column, const u16& text)
{
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(wide(text.c_str()));
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

HIMAGELIST skin_dialog_ok_button(HWND dialog, bitmap_button_c& button, int x, int y)
{
    const int image_ids[3] = {skin::settings_button, skin::settings_button_pushed, skin::settings_button_hover};
    HIMAGELIST images = make_skin_image_list(image_ids, 3, 80, 22);
    HWND ok = GetDlgItem(dialog, IDOK);
    if (!ok) return images;
    button.attach(ok);
    button.set_image_list(images);
    button.set_images(0, 1, 2);
    button.set_font(skin_font(font_verdana_8));
    button.set_text_colour(colour::white);
    const u16& label = language_text(lang::btn_ok);
    if (!label.empty()) SetWindowTextW(ok, wide(label.c_str()));
    SetWindowPos(ok, nullptr, x, y, 80, 22, SWP_NOZORDER | SWP_NOACTIVATE);
    return images;
}

void centre_dialog_over_owner(HWND dialog, int width, int height)
{
    RECT owner_rect;
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (!owner || !IsWindowVisible(owner) || !GetWindowRect(owner, &owner_rect)) return;
    int x = owner_rect.left + ((owner_rect.right - owner_rect.left) - width) / 2;
    int y = owner_rect.top + ((owner_rect.bottom - owner_rect.top) - height) / 2;
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void erase_dialog_white(HWND dialog, HDC dc)
{
    RECT client;
    GetClientRect(dialog, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

void erase_dialog_band_with_box(HWND dialog, HDC dc, HBRUSH band, const RECT& box)
{
    RECT client;
    GetClientRect(dialog, &client);
    FillRect(dc, &client, band);
    FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

} // namespace tdu
