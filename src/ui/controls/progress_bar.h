#pragma once
// The two progress bars. Neither is a window: the owner draws them in its
// painting.
//
//   tiled_progress_c  a solid background, the done part tiled with a skin
//                     image, and "NN%" centred over it (scan and backup views)
//   row_progress_c    a framed box, the done part filled, and the size text
//                     "done/expected" centred over it (download rows)
#include "ui/model/progress_text.h"
#include "ui/win/gdi_handle.h"

namespace tdu {

class tiled_progress_c {
public:
    // The background colour and the tile (a pattern brush, owned).
    void set_background(COLORREF colour) { background_.reset(CreateSolidBrush(colour)); }
    void set_tile(HBRUSH tile) { tile_.reset(tile); }
    void set_fraction(float fraction)
    {
        fraction_ = fraction;
        marquee_ = false;
    }
    float fraction() const { return fraction_; }
    // A wait of unknown length: a moving block at `step` (marquee_span)
    // instead of the share done and its percentage, until set_fraction.
    void set_marquee(int64_t step)
    {
        marquee_ = true;
        marquee_step_ = step;
    }
    bool marquee() const { return marquee_; }

    // Draws into `rect` with the font selected in `dc`.
    void draw(HDC dc, const RECT& rect) const;

private:
    brush_t background_{CreateSolidBrush(RGB(255, 255, 255))};
    brush_t tile_;
    float fraction_ = 0.0f;
    bool marquee_ = false;
    int64_t marquee_step_ = 0;
};

class row_progress_c {
public:
    row_progress_c();
    void set_colours(COLORREF frame, COLORREF fill);
    void set_expected_size(int32_t size) { state_.set_expected(size); }
    void set_bytes_done(int32_t bytes) { state_.set_bytes_done(bytes); }
    const row_progress_t& state() const { return state_; }

    void draw(HDC dc, const RECT& rect) const;

private:
    pen_t pen_;
    brush_t fill_;
    row_progress_t state_;
};

} // namespace tdu
