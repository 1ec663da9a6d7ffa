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
// To the main window, from the updater (update.exe): close for an update
// unless busy. The answer is one of close_for_update_* below; a window that
// does not know the message answers 0. On 1 the window has posted itself
// wm_exit_for_update and ends right after answering.
constexpr uint32_t wm_close_for_update = wm_user_base + 6;
constexpr uint32_t wm_exit_for_update = wm_user_base + 9;
constexpr int32_t close_for_update_closing = 1;
constexpr int32_t close_for_update_downloading = 2;  // a package download runs
constexpr int32_t close_for_update_backup = 3;       // a backup or restore run works
constexpr int32_t close_for_update_scanning = 4;     // a scan runs
constexpr int32_t close_for_update_dialog = 5;       // a dialog or message box is open
// To the updater's window (update.exe), from scripts and tests: its state.
// The answer's low word is 1 + its phase (1 checking, 2 checked, 3 the
// update runs, 4 the update ended), its high word update.exe's exit status
// for the last outcome (once checked); 0 from a window that does not know
// the message.
constexpr uint32_t wm_update_window_state = wm_user_base + 10;
constexpr uint32_t update_window_checking = 1;
constexpr uint32_t update_window_checked = 2;
constexpr uint32_t update_window_installing = 3;
constexpr uint32_t update_window_finished = 4;
// The views' own messages are declared beside them (ui/views).

} // namespace tdu
