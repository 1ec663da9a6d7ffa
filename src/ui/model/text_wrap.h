#pragma once
// Where a text breaks into lines inside a rectangle: the layout half of the
// skin's wrapped-text routine, free of any device context. The window side
// measures characters and draws the lines this returns.
#include "common/text.h"

#include <cstddef>
#include <vector>

namespace tdu {

// Measures text as the device context will draw it.
class text_measure_i {
public:
    virtual ~text_measure_i() = default;
    // Width and height of one character (a tab counts as its tab stop).
    virtual void char_extent(char16_t c, int& width, int& height) = 0;
};

struct wrapped_line_t {
    size_t start = 0;   // first character of the line in the text
    size_t length = 0;  // characters drawn (without the breaking line feed)
    int top = 0;        // y of the line
};

struct wrap_layout_t {
    std::vector<wrapped_line_t> lines;  // the lines to draw, top to bottom
    int bottom = 0;                     // the last line's bottom (the rectangle's when nothing was laid out)
    bool single_line = false;           // the whole text fits on one line
};

// Lays `text` out in the rectangle left..right, top..bottom with `line_gap`
// pixels between lines. Lines break after the last space, tab or line feed
// that fits, or inside a word that is wider than the rectangle, and always
// after at least one character, so a character wider than the rectangle
// still moves the text on. Unless `measure_only`, a line whose bottom would
// lie below the rectangle's bottom ends the layout. An empty text lays out
// nothing and leaves `bottom` as given.
wrap_layout_t wrap_text_layout(u16view text, int left, int top, int right, int bottom, int line_gap,
                               bool measure_only, text_measure_i& measure);

} // namespace tdu
