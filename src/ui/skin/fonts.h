#pragma once
// The skin's fonts: created once at start-up and kept until exit. Sizes are
// fixed at 96 dots per inch (cell height -points x 96 / 72), so the skin's
// pixel layout holds on a screen set to 120 dpi or more.
#include "common/text.h"

#include <windows.h>

#include <initializer_list>

namespace tdu {

enum skin_font_t : int {
    font_arial_8,
    font_arial_11,
    font_arial_15,
    font_arial_16,
    font_arial_18,
    font_arial_18_bold,
    font_arial_25_bold,
    font_verdana_8,
    font_verdana_8_other,  // a second, identical Verdana 8 pt
    font_verdana_10,
    font_verdana_8_bold,
    font_verdana_9_bold,
    font_verdana_10_bold,
    font_verdana_12_bold,
    font_verdana_12,
    font_verdana_14,
    font_verdana_16,
    font_verdana_18,
    font_verdana_22,
    font_verdana_25,
    font_verdana_16_bold,
    skin_font_count
};

// The cell height of a font of `points` at 96 dpi (negative: a character height).
int skin_font_height(int points);

// Creates the table (once; later calls keep it). False when a font could not
// be made.
bool create_skin_fonts();
// Frees the table.
void destroy_skin_fonts();
// A font of the table; it is created on first use if start-up has not made
// the table yet.
HFONT skin_font(skin_font_t font);

// The size of `text` drawn in `font` on `dc` (the font is selected only
// while measuring).
SIZE skin_text_size(HDC dc, skin_font_t font, u16view text);

// A text and the pixels it may take.
struct text_room_t {
    u16view text;
    int room;
};
// The first of `fonts` (largest first) in which every text fits its room;
// the last of them when none does. A label that does not fit its button or
// its place in some language takes a smaller font instead of being cut.
skin_font_t first_fitting_font(HDC dc, std::initializer_list<skin_font_t> fonts,
                               std::initializer_list<text_room_t> texts);

} // namespace tdu
