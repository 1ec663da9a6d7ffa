#include "ui/skin/skin_image.h"

#include <commctrl.h>

namespace tdu {

namespace {

// A 32-bit DIB counts as having alpha when any pixel's alpha is not 0: an
// image of 32 bits whose alpha bytes are all 0 is plain colour and would
// vanish if it were blended.
bool dib_has_alpha(HBITMAP bitmap)
{
    DIBSECTION dib{};
    if (GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib) return false;
    if (dib.dsBm.bmBitsPixel != 32 || !dib.dsBm.bmBits) return false;
    const auto* row = static_cast<const unsigned char*>(dib.dsBm.bmBits);
    for (int y = 0; y < dib.dsBm.bmHeight; ++y, row += dib.dsBm.bmWidthBytes)
        for (int x = 0; x < dib.dsBm.bmWidth; ++x)
            if (row[x * 4 + 3] != 0) return true;
    return false;
}

} // namespace

bool skin_image_c::load(int resource_id, HINSTANCE instance)
{
    reset();
    auto* bitmap = static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(resource_id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap) return false;
    adopt(bitmap);
    return true;
}

void skin_image_c::adopt(HBITMAP bitmap)
{
    bitmap_.reset(bitmap);
    BITMAP info{};
    if (bitmap && GetObjectW(bitmap, sizeof info, &info)) {
        width_ = info.bmWidth;
        height_ = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
        alpha_ = dib_has_alpha(bitmap);
    }
}

void skin_image_c::reset()
{
    bitmap_.reset();
    width_ = height_ = 0;
    alpha_ = false;
}

void skin_image_c::draw(HDC dc, const RECT& dest) const { draw(dc, dest, RECT{0, 0, width_, height_}); }

void skin_image_c::draw(HDC dc, const RECT& dest, const RECT& source) const
{
    if (!bitmap_) return;
    memory_dc_t memory(dc);
    if (!memory.get()) return;
    selected_object_t selected(memory.get(), bitmap_.get());
    int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    int sw = source.right - source.left, sh = source.bottom - source.top;
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    if (has_transparent_) {
        TransparentBlt(dc, dest.left, dest.top, dw, dh, memory.get(), source.left, source.top, sw, sh, transparent_);
    } else if (alpha_) {
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, dest.left, dest.top, dw, dh, memory.get(), source.left, source.top, sw, sh, blend);
    } else {
        int old_mode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, dest.left, dest.top, dw, dh, memory.get(), source.left, source.top, sw, sh, SRCCOPY);
        SetStretchBltMode(dc, old_mode);
    }
}

void skin_image_c::draw_at(HDC dc, int x, int y) const { draw(dc, RECT{x, y, x + width_, y + height_}); }

HBRUSH skin_image_c::make_pattern_brush() const { return bitmap_ ? CreatePatternBrush(bitmap_.get()) : nullptr; }

HIMAGELIST make_skin_image_list(const int* ids, int count, int width, int height)
{
    HIMAGELIST list = ImageList_Create(width, height, ILC_COLOR32, count, 0);
    if (!list) return nullptr;
    for (int i = 0; i < count; ++i) {
        auto* bitmap = static_cast<HBITMAP>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ids[i]), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        if (!bitmap) {
            // A blank (fully transparent) image keeps the indices.
            BITMAPINFO bi{};
            bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
            void* bits = nullptr;
            bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        }
        ImageList_Add(list, bitmap, nullptr);
        DeleteObject(bitmap);
    }
    return list;
}

} // namespace tdu
