#pragma once
// Pictures of windows as PNG files: the window as the screen shows it,
// frame included (BitBlt from its window device context), encoded by GDI+.
#include <windows.h>

#include <string>

namespace tdu::gallery {

// Saves `window` to `path`; false when it could not be written.
bool save_window_png(HWND window, const std::wstring& path);

} // namespace tdu::gallery
