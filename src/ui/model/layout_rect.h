#pragma once
// A rectangle of the views' layout arithmetic, in client coordinates, right
// and bottom exclusive as in Win32.
#include <cstdint>

namespace tdu {

struct layout_rect_t {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const layout_rect_t& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

} // namespace tdu
