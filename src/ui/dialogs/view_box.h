#pragma once
// The message box as the views and the main window show it: the skinned
// box, modal over `owner`, with the program's answer type. Tests that drive
// the windows in their own process may watch the boxes instead of letting
// them open (a modal box would stop the test's thread).
#include "app/run_host.h"
#include "common/text.h"

#include <windows.h>

#include <functional>

namespace tdu {

box_result_t show_view_box(HWND owner, u16view text, box_style_t style);

// With an observer set, every box goes to it instead and its answer counts
// as the user's; an empty function lets the boxes open again.
using box_observer_t = std::function<box_result_t(u16view text, box_style_t style)>;
void set_box_observer(box_observer_t observer);

} // namespace tdu
