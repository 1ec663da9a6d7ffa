#pragma once
// Draws or measures a text inside a rectangle, wrapped at blanks and, for a
// word wider than the rectangle, inside the word; lines that would end below
// the rectangle are left out. With `format` holding DT_CALCRECT nothing is
// drawn. The rectangle's bottom becomes the last line's bottom. Tabs stop
// every 8 average characters.
#include "common/text.h"
#include "ui/model/text_wrap.h"

#include <windows.h>

namespace tdu {

// Measures characters in the font selected into a device context, as
// draw_wrapped_text lays them out.
class dc_text_measure_c final : public text_measure_i {
public:
    explicit dc_text_measure_c(HDC dc) : dc_(dc) {}
    void char_extent(char16_t c, int& width, int& height) override;

private:
    HDC dc_;
};

void draw_wrapped_text(HDC dc, u16view text, RECT& rect, int line_gap, UINT format);

} // namespace tdu
