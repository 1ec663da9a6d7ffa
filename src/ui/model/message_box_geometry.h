#pragma once
// How large the program's message box is and where its parts go, so that
// its wrapped text is shown whole: the box keeps its 300 by 200 pixels for a
// text of up to five lines and grows for a longer one, first in height, then
// in width, up to a share of the screen's work area. Free of any window: the
// caller measures characters in the box's font.
#include "common/text.h"
#include "ui/model/layout_rect.h"
#include "ui/model/message_box_style.h"
#include "ui/model/text_wrap.h"

namespace tdu {

namespace message_box_metrics {
constexpr int base_width = 300;   // the window, frame and band included
constexpr int base_height = 200;
constexpr int text_left = 80;      // client coordinates of the text, right of the icon
constexpr int text_top = 30;
constexpr int base_text_right = 272;  // at the base width: 22 pixels from the client's right
constexpr int text_to_strip = 30;     // from the text's bottom to the button strip
constexpr int base_strip_top = 130;   // the button strip at the base height
constexpr int strip_height = 34;      // the strip of a grown box (buttons 24 high, 6 below its top)
constexpr int line_gap = 6;           // pixels between the text's lines
constexpr int width_step = 40;        // the box widens in steps of this
} // namespace message_box_metrics

struct message_box_geometry_t {
    int width = message_box_metrics::base_width;  // the window
    int height = message_box_metrics::base_height;
    layout_rect_t text;  // where the text is drawn (client coordinates)
    int strip_top = message_box_metrics::base_strip_top;
    int text_bottom = 0;  // the laid-out text's last line's bottom
    bool whole = true;    // false: even the largest box cuts the text
    int first_x = 0, first_y = 0, second_x = 0, second_y = 0;
};

// The box for `text` in the style `layout`. `frame_width` and
// `frame_height` are what the window's frame and band take from its size
// (window minus client); the box grows to at most 3/5 of `work_width` and
// 2/3 of `work_height` (never smaller than the base box). It takes the
// narrowest width at which the box is no taller than wide; a text that needs
// more than that takes the narrowest width at which it fits the largest
// height; a text that fits nowhere gets the largest box.
message_box_geometry_t message_box_geometry(const message_box_layout_t& layout, u16view text,
                                            text_measure_i& measure, int frame_width, int frame_height,
                                            int work_width, int work_height);

} // namespace tdu
