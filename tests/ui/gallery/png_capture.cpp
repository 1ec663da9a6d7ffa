#include "png_capture.h"

// GDI+ needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>
#include <gdiplus.h>

namespace tdu::gallery {

namespace {

// The PNG encoder's class id, as GDI+ lists it.
bool png_encoder(CLSID& clsid)
{
    UINT count = 0, size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
    std::string buffer(size, '\0');
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, encoders) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (lstrcmpW(encoders[i].MimeType, L"image/png") == 0) {
            clsid = encoders[i].Clsid;
            return true;
        }
    }
    return false;
}

} // namespace

namespace {

bool save_dc_png(HWND owner, HDC source, int x, int y, int width, int height, const std::wstring& path)
{
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateCompatibleBitmap(source, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(owner, source);

    bool saved = false;
    CLSID clsid;
    if (png_encoder(clsid)) {
        Gdiplus::Bitmap picture(bitmap, nullptr);
        saved = picture.Save(path.c_str(), &clsid, nullptr) == Gdiplus::Ok;
    }
    DeleteObject(bitmap);
    return saved;
}

} // namespace

bool save_window_png(HWND window, const std::wstring& path)
{
    RECT r{};
    if (!GetWindowRect(window, &r)) return false;
    return save_dc_png(window, GetWindowDC(window), 0, 0, r.right - r.left, r.bottom - r.top, path);
}

bool save_screen_png(const RECT& area, const std::wstring& path)
{
    if (area.right <= area.left || area.bottom <= area.top) return false;
    return save_dc_png(nullptr, GetDC(nullptr), area.left, area.top, area.right - area.left, area.bottom - area.top,
                       path);
}

} // namespace tdu::gallery
