#include "ui/win/memory_paint.h"

namespace tdu {

memory_paint_c::memory_paint_c(HDC target, const RECT& rect) : target_(target), rect_(rect)
{
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return;
    memory_ = CreateCompatibleDC(target);
    if (!memory_) return;
    bitmap_ = CreateCompatibleBitmap(target, width, height);
    if (!bitmap_) {
        DeleteDC(memory_);
        memory_ = nullptr;
        return;
    }
    previous_ = SelectObject(memory_, bitmap_);
    SetWindowOrgEx(memory_, rect.left, rect.top, nullptr);
    // The new picture starts from what the target shows, so a painter that
    // leaves parts untouched does not copy black over them.
    BitBlt(memory_, rect.left, rect.top, width, height, target, rect.left, rect.top, SRCCOPY);
}

memory_paint_c::~memory_paint_c() { end(); }

void memory_paint_c::end()
{
    if (!memory_) return;
    BitBlt(target_, rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top, memory_, rect_.left,
           rect_.top, SRCCOPY);
    SelectObject(memory_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(memory_);
    memory_ = nullptr;
    bitmap_ = nullptr;
}

} // namespace tdu
