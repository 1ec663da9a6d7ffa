#include "ui/skin/wrapped_text.h"

#include "common/win32_text.h"

namespace tdu {

void dc_text_measure_c::char_extent(char16_t c, int& width, int& height)
{
    wchar_t ch = static_cast<wchar_t>(c);
    DWORD extent = GetTabbedTextExtentW(dc_, &ch, 1, 0, nullptr);
    width = LOWORD(extent);
    height = HIWORD(extent);
}

void draw_wrapped_text(HDC dc, u16view text, RECT& rect, int line_gap, UINT format)
{
    if (text.empty()) return;
    const bool measure_only = (format & DT_CALCRECT) != 0;
    dc_text_measure_c measure(dc);
    wrap_layout_t layout =
        wrap_text_layout(text, rect.left, rect.top, rect.right, rect.bottom, line_gap, measure_only, measure);
    if (!measure_only) {
        if (layout.single_line && !layout.lines.empty()) {
            u16 whole(text);
            DrawTextW(dc, wide(whole.c_str()), static_cast<int>(whole.size()), &rect,
                      format | DT_SINGLELINE | DT_EXPANDTABS);
        } else {
            for (const wrapped_line_t& line : layout.lines) {
                if (line.length == 0) continue;
                TabbedTextOutW(dc, rect.left, line.top, wide(text.data() + line.start), static_cast<int>(line.length),
                               0, nullptr, rect.left);
            }
        }
    }
    rect.bottom = layout.bottom;
}

} // namespace tdu
