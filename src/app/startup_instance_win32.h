#pragma once
// Win32 code only: the single-instance rule's window lookup.
#include <windows.h>

namespace tdu {

// The first top-level window whose title (up to 260 characters) equals the
// program title without regard to case; null if there is none.
HWND find_main_window();

} // namespace tdu
