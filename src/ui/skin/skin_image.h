#pragma once
// A skin image: a bitmap resource of the program loaded as a DIB section,
// drawn by transparent copy (when a transparent colour is set), alpha
// blending (32-bit images with alpha) or a plain stretch copy. An image whose
// resource is missing draws nothing.
#include "ui/win/gdi_handle.h"

#include <commctrl.h>

namespace tdu {

class skin_image_c {
public:
    skin_image_c() = default;
    explicit skin_image_c(int resource_id) { load(resource_id); }

    // Loads bitmap `resource_id` of the program; false when it has none.
    bool load(int resource_id, HINSTANCE instance = GetModuleHandleW(nullptr));
    // Takes a bitmap the caller made (a DIB section).
    void adopt(HBITMAP bitmap);
    void reset();

    bool loaded() const { return static_cast<bool>(bitmap_); }
    int width() const { return width_; }
    int height() const { return height_; }
    bool has_alpha() const { return alpha_; }
    HBITMAP bitmap() const { return bitmap_.get(); }

    // Draws with this colour left out.
    void set_transparent(COLORREF colour)
    {
        transparent_ = colour;
        has_transparent_ = true;
    }

    // The whole image stretched to `dest`, or the part `source` of it.
    void draw(HDC dc, const RECT& dest) const;
    void draw(HDC dc, const RECT& dest, const RECT& source) const;
    // The whole image at its size with its top-left corner at (x, y).
    void draw_at(HDC dc, int x, int y) const;

    // A brush that tiles the image; null when the image is missing.
    HBRUSH make_pattern_brush() const;

private:
    bitmap_t bitmap_;
    int width_ = 0;
    int height_ = 0;
    bool alpha_ = false;
    bool has_transparent_ = false;
    COLORREF transparent_ = 0;
};

// An image list of 32-bit colour holding the images of `ids` in order (for
// example normal, pushed, hover), each `width` by `height`; a missing bitmap
// leaves a blank image at its place so the indices stay right.
HIMAGELIST make_skin_image_list(const int* ids, int count, int width, int height);

} // namespace tdu
