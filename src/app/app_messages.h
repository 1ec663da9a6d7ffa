#pragma once
// The program's own window messages (numbers above WM_USER, 0x0400).
#include <cstdint>

namespace tdu {

constexpr uint32_t wm_user_base = 0x0400;

// To the main window: show the scan view and start a scan.
constexpr uint32_t wm_start_scan = wm_user_base + 1;
// To the main window: a scan ended; wParam is the number of device nodes counted.
constexpr uint32_t wm_scan_finished = wm_user_base + 2;
// To the main window: show the home view.
constexpr uint32_t wm_show_home = wm_user_base + 4;
// To the main window, from a second copy of the program: wParam 1 asks it to
// show itself and start a scan unless one runs; wParam 0 asks for nothing.
constexpr uint32_t wm_second_instance = wm_user_base + 5;
// The views' own messages are declared beside them (ui/views).

} // namespace tdu
