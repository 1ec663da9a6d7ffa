#pragma once
// Start-up as the window program does it, for window tests that run the
// program's windows in their own process: COM on this thread, the common
// controls, then the program's initialisation steps with the skin's fonts
// (and, when given, the driver-store index).
#include "common/text.h"
#include "program/program.h"
#include "ui/skin/fonts.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <functional>
#include <string>

namespace tdu::test {

// The initialisation's result (0 when every step succeeded); `failure`
// receives the text the program would have shown.
inline int start_window_program(std::string& failure, std::function<void()> index_driver_packages = {})
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    init_hooks_t hooks;
    hooks.create_fonts = [] { create_skin_fonts(); };
    hooks.index_driver_packages = std::move(index_driver_packages);
    hooks.show_failure = [&failure](u16view text) { failure = utf16_to_utf8(text); };
    return program_app_init(hooks);
}

} // namespace tdu::test
