#include "ui/model/text_wrap.h"

#include <algorithm>

namespace tdu {

namespace {

bool is_break_char(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

} // namespace

wrap_layout_t wrap_text_layout(u16view text, int left, int top, int right, int bottom, int line_gap,
                               bool measure_only, text_measure_i& measure)
{
    wrap_layout_t layout;
    layout.bottom = bottom;
    if (text.empty()) return layout;

    const int width = right - left;
    int line_top = top;
    size_t start = 0;
    while (start < text.size()) {
        // Measure until the width would be exceeded or a line feed ends the line.
        int line_width = 0;
        int tallest = 0;
        size_t end = start;
        bool line_feed = false;
        while (end < text.size()) {
            char16_t c = text[end];
            int w = 0, h = 0;
            measure.char_extent(c, w, h);
            if (c == u'\n') {
                tallest = std::max(tallest, h);
                line_feed = true;
                break;
            }
            if (line_width + w > width) break;
            line_width += w;
            tallest = std::max(tallest, h);
            ++end;
        }

        size_t next;     // where the following line starts
        size_t drawn;    // characters of this line that are drawn
        if (line_feed) {
            drawn = end - start;
            next = end + 1;
        } else if (end >= text.size()) {
            drawn = end - start;
            next = end;
        } else {
            // Break after the last space or tab of the line, if it has one.
            size_t brk = end;
            while (brk > start && !is_break_char(text[brk - 1])) --brk;
            if (brk == start) brk = end;
            // A character wider than the whole rectangle still takes a line of
            // its own: the text always moves on.
            if (brk == start) {
                brk = start + 1;
                int w = 0, h = 0;
                measure.char_extent(text[start], w, h);
                tallest = std::max(tallest, h);
            }
            drawn = brk - start;
            next = brk;
        }

        if (start == 0 && next >= text.size() && !line_feed) layout.single_line = true;
        if (!measure_only && line_top + tallest > bottom) break;
        layout.lines.push_back({start, drawn, line_top});
        layout.bottom = line_top + tallest;
        line_top += tallest + line_gap;
        start = next;
    }
    if (layout.lines.empty() && !measure_only) layout.bottom = top;
    return layout;
}

} // namespace tdu
