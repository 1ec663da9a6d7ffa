#pragma once
// The system-information side bar of the home and scan views: 250 pixels
// on the right, its icon and title, and the computer's facts in seven
// word-wrapped rows of label and value.
#include "ui/skin/fonts.h"

#include <windows.h>

namespace tdu {

struct side_bar_style_t {
    skin_font_t title_font = font_verdana_12_bold;
    bool long_labels = false;  // the value column starts 17 pixels further right
};

// Fills the side bar's background and edge line.
void draw_side_bar_background(HDC dc, int width, int height);
// Its icon, title and rows.
void draw_side_bar(HDC dc, int width, const side_bar_style_t& style);

} // namespace tdu
