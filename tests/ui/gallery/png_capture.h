#pragma once
// Pictures of windows as PNG files: the window as the screen shows it,
// frame included (BitBlt from its window device context), encoded by GDI+.
#include <windows.h>

#include <string>

namespace tdu::gallery {

// Saves `window` to `path`; false when it could not be written.
bool save_window_png(HWND window, const std::wstring& path);

// Saves the part `area` of the screen (screen coordinates) to `path`, with
// every window over it, such as an open popup menu.
bool save_screen_png(const RECT& area, const std::wstring& path);

} // namespace tdu::gallery
