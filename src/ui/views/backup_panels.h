#pragma once
// The right-hand side the backup and restore views share: the white page
// with its divider at x = 300, the details panel (heading and label/value
// lines) and the settings panel with the backup folder.
#include "app/language_keys.h"
#include "ui/controls/bitmap_button.h"
#include "ui/model/backup_view_model.h"
#include "ui/skin/skin_image.h"

#include <windows.h>

#include <vector>

namespace tdu {

struct backup_panels_t {
    const skin_image_c* details_icon = nullptr;
    const skin_image_c* settings_icon = nullptr;
    language_key_t details_heading;
    language_key_t settings_heading;
    std::vector<detail_line_t> lines;
    u16 backup_folder;
};

// Paints the page into `dc` (the view's client area `client`).
void draw_backup_panels(HDC dc, const RECT& client, const backup_panels_t& panels);

// The big action button's label font: Verdana 22 pt, or the largest smaller
// skin font whose label fits the button's width less a margin ("Wiederherstellen"
// does not fit 220 pixels at 22 pt).
HFONT action_button_font(HWND button, const wchar_t* label, int button_width);

// Makes the big action button (220 by 100 at 440,320, white label in the
// font above, the skin's three images) as child `id` of `parent`; returns
// the image list, which the caller frees after the button.
HIMAGELIST create_action_button(bitmap_button_c& button, HWND parent, int id, language_key_t label);

} // namespace tdu
