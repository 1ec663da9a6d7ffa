#pragma once
// The single-instance rule, the first thing the process does: a named mutex
// tells whether another copy runs; if one does, this copy hands its switch
// over to the running main window (found by its title) and exits.
#include "app/startup_switches.h"
#include "common/text.h"

#include <cstdint>
#include <vector>

namespace tdu {

// What the first instance learnt from its command line. Written once at
// start, on the UI thread.
struct startup_state_t {
    startup_switch command_switch = startup_switch::none;
    int32_t boot_mode = 0;        // "--boot": the main window is created hidden
    int32_t autorun_pending = 0;  // "--autorun": reset when the scan it asks for starts
    u16 drivers_folder;           // "--drivers FOLDER": offers from that folder
};

// The process-wide instance.
extern startup_state_t startup_state;

// The calls the rule makes: Win32 on Windows, a recording fake in native tests.
class instance_platform_c {
public:
    virtual ~instance_platform_c() = default;
    // Creates the mutex named by the program title, owned by this process and
    // kept until it ends; true when another process had created it already.
    virtual bool create_instance_mutex() = 0;
    // The command line split into the program and its arguments.
    virtual std::vector<u16> command_line_arguments() = 0;
    // The running copy's main window: the first top-level window whose title
    // is the program title, compared without regard to case; null if none.
    virtual void* find_main_window() = 0;
    // Sends (and waits until the window has handled) a message.
    virtual void send_message(void* window, uint32_t message, uintptr_t wparam) = 0;
    // Brings the window to the front and shows it restored.
    virtual void bring_forward(void* window) = 0;
};

// 0 for the first instance, with `state` set from the switch. -1 when
// another copy runs, after the hand-over:
//   "--autorun"  wm_second_instance with wParam 1 (show and scan), then bring it forward;
//   "--boot"     wm_second_instance with wParam 0, and do not bring it forward;
//   otherwise    bring it forward.
int single_instance_check(instance_platform_c& platform, startup_state_t& state);

// The Win32 calls (Windows build only).
instance_platform_c& win32_instance_platform();

} // namespace tdu
