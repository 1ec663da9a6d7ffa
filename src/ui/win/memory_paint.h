#pragma once
// Double-buffered painting: everything is drawn into an off-screen bitmap of
// the target rectangle and copied to the target in one step, so the 200 ms
// progress redraws do not flicker.
#include "ui/win/gdi_handle.h"

namespace tdu {

class memory_paint_c {
public:
    // Begins: an off-screen bitmap of the rectangle's size whose origin maps
    // to the rectangle's top-left corner, so drawing uses the target's
    // coordinates.
    memory_paint_c(HDC target, const RECT& rect);
    // Ends (unless `end` ran already).
    ~memory_paint_c();
    memory_paint_c(const memory_paint_c&) = delete;
    memory_paint_c& operator=(const memory_paint_c&) = delete;

    // The device context to draw into; null when no bitmap could be made
    // (drawing then goes straight to the target).
    HDC dc() const { return memory_ ? memory_ : target_; }
    // Copies the picture to the target and frees the off-screen bitmap.
    void end();

private:
    HDC target_;
    RECT rect_;
    HDC memory_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// A window's WM_PAINT, double-buffered over its whole client area:
// `draw(dc, client)` paints into the off-screen bitmap.
template <class Draw>
void paint_window_buffered(HWND window, Draw&& draw)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    {
        memory_paint_c paint(dc, client);
        draw(paint.dc(), client);
    }
    EndPaint(window, &ps);
}

} // namespace tdu
