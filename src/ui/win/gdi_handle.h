#pragma once
// Owners of GDI objects and device contexts: each frees what it holds when
// it goes out of scope, so a return in the middle of painting leaks nothing.
#include "ui/win/owned_handle.h"

#include <windows.h>

namespace tdu {

// DeleteObject for one kind of GDI object, as an owned handle's `Free`.
template <typename H>
BOOL WINAPI delete_gdi_object(H handle)
{
    return DeleteObject(handle);
}

// One GDI object (font, brush, pen, bitmap, region), deleted with DeleteObject.
template <typename H>
using gdi_object_t = owned_handle_t<H, delete_gdi_object<H>>;

using font_t = gdi_object_t<HFONT>;
using brush_t = gdi_object_t<HBRUSH>;
using pen_t = gdi_object_t<HPEN>;
using bitmap_t = gdi_object_t<HBITMAP>;
using region_t = gdi_object_t<HRGN>;

// Selects an object into a device context and puts the previous one back.
class selected_object_t {
public:
    selected_object_t(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~selected_object_t()
    {
        if (previous_) SelectObject(dc_, previous_);
    }
    selected_object_t(const selected_object_t&) = delete;
    selected_object_t& operator=(const selected_object_t&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// The device context of a whole window (GetWindowDC), released on exit.
class window_dc_t {
public:
    explicit window_dc_t(HWND window) : window_(window), dc_(GetWindowDC(window)) {}
    ~window_dc_t()
    {
        if (dc_) ReleaseDC(window_, dc_);
    }
    window_dc_t(const window_dc_t&) = delete;
    window_dc_t& operator=(const window_dc_t&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// The client device context of a window (GetDC), released on exit.
class client_dc_t {
public:
    explicit client_dc_t(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~client_dc_t()
    {
        if (dc_) ReleaseDC(window_, dc_);
    }
    client_dc_t(const client_dc_t&) = delete;
    client_dc_t& operator=(const client_dc_t&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint / EndPaint around a WM_PAINT.
class paint_dc_t {
public:
    explicit paint_dc_t(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~paint_dc_t() { EndPaint(window_, &paint_); }
    paint_dc_t(const paint_dc_t&) = delete;
    paint_dc_t& operator=(const paint_dc_t&) = delete;
    HDC get() const { return dc_; }
    const PAINTSTRUCT& paint() const { return paint_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// A memory device context compatible with another, deleted on exit.
class memory_dc_t {
public:
    explicit memory_dc_t(HDC compatible_with) : dc_(CreateCompatibleDC(compatible_with)) {}
    ~memory_dc_t()
    {
        if (dc_) DeleteDC(dc_);
    }
    memory_dc_t(const memory_dc_t&) = delete;
    memory_dc_t& operator=(const memory_dc_t&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

} // namespace tdu
