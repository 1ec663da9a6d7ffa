#pragma once
// What the list dialogs (device information, ignored updates) share: the
// skin's font on a control, a list view cell, the OK button in the skin's
// image, a place centred over the owner and the white background.
#include "common/text.h"
#include "ui/controls/bitmap_button.h"

#include <windows.h>
#include <commctrl.h>

namespace tdu {

// Verdana 8 pt, the dialogs' font.
void set_dialog_font(HWND control);

// The text of one cell of a report list view.
void set_list_cell(HWND list, int row, int column, const u16& text);

// Skins the dialog's OK button (IDOK) with the settings button's images,
// labels it in the interface language and puts it at (x, y), 80 by 22.
// Returns the image list, which the caller destroys after the dialog.
HIMAGELIST skin_dialog_ok_button(HWND dialog, bitmap_button_c& button, int x, int y);

// Centres a dialog of width by height over its owner, when the owner is
// shown; elsewhere the dialog stays where it is.
void centre_dialog_over_owner(HWND dialog, int width, int height);

// WM_ERASEBKGND of a white dialog.
void erase_dialog_white(HWND dialog, HDC dc);

// WM_ERASEBKGND of a dialog in the caption band's colour with a white box
// for its text (the about dialog, the updater).
void erase_dialog_band_with_box(HWND dialog, HDC dc, HBRUSH band, const RECT& box);

} // namespace tdu
