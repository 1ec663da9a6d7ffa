#pragma once
// The updater's window (update.exe without switches): the program's skin
// and window layer, in the language of the program's settings.

namespace tdu {

// Runs the window until the user closes it; the exit status of update.exe.
int run_update_window();

} // namespace tdu
