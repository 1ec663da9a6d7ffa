#include "ui/controls/progress_bar.h"

#include "common/win32_text.h"
#include "ui/skin/colours.h"

#include <algorithm>

namespace tdu {

namespace {

int done_width(const RECT& rect, float fraction)
{
    float held = std::clamp(fraction, 0.0f, 1.0f);
    return static_cast<int>(static_cast<float>(rect.right - rect.left) * held);
}

void centred_text(HDC dc, const u16& text, const RECT& rect)
{
    RECT r = rect;
    int old_mode = SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, wide(text.c_str()), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    SetBkMode(dc, old_mode);
}

} // namespace

void tiled_progress_c::draw(HDC dc, const RECT& rect) const
{
    FillRect(dc, &rect, background_.get());
    if (marquee_) {
        marquee_span_t span = marquee_span(rect.right - rect.left, marquee_step_);
        RECT block{rect.left + span.left, rect.top, rect.left + span.right, rect.bottom};
        if (block.right > block.left) {
            SetBrushOrgEx(dc, rect.left, rect.top, nullptr);
            FillRect(dc, &block, tile_ ? tile_.get() : background_.get());
        }
        return;
    }
    RECT done = rect;
    done.right = rect.left + done_width(rect, fraction_);
    if (done.right > done.left) {
        SetBrushOrgEx(dc, rect.left, rect.top, nullptr);
        FillRect(dc, &done, tile_ ? tile_.get() : background_.get());
    }
    centred_text(dc, percent_text(fraction_), rect);
}

row_progress_c::row_progress_c() { set_colours(colour::frame, colour::side_bar); }

void row_progress_c::set_colours(COLORREF frame, COLORREF fill)
{
    pen_.reset(CreatePen(PS_SOLID, 1, frame));
    fill_.reset(CreateSolidBrush(fill));
}

void row_progress_c::draw(HDC dc, const RECT& rect) const
{
    {
        selected_object_t pen(dc, pen_.get());
        selected_object_t brush(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
    }
    RECT done = rect;
    done.right = rect.left + done_width(rect, state_.fraction);
    // Inside the outline.
    InflateRect(&done, 0, -1);
    done.left += 1;
    done.right = std::min(done.right, rect.right - 1);
    if (done.right > done.left) FillRect(dc, &done, fill_.get());
    centred_text(dc, state_.text(), rect);
}

} // namespace tdu
