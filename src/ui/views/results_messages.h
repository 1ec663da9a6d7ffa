#pragma once
// The results view's own messages: from its "download all" bar to the view,
// and from the view to each of its rows. Only the results view, its rows and
// its bar send or take them.
#include <windows.h>

namespace tdu {

// wParam 1 ticks every row, 0 clears every tick.
constexpr UINT wm_tick_all = WM_USER + 7;
// Every ticked row downloads (or installs what it has downloaded).
constexpr UINT wm_download_all = WM_USER + 8;

} // namespace tdu
