#pragma once
// The window part of start-up: the main window made, shown (or hidden in
// the tray for "--boot"), the scan "--autorun" asks for, and the message
// loop until the window is destroyed.
#include "app/startup_instance.h"

namespace tdu {

// The loop's final wParam (the exit code), or -1 when the main window
// cannot be made. `state.autorun_pending` is reset when its scan starts.
int app_run(int show_command, startup_state_t& state);

} // namespace tdu
