#include "ui/app_run.h"

#include "app/app_messages.h"
#include "ui/main_window.h"
#include "ui/win/message_loop.h"

namespace tdu {

int app_run(int show_command, startup_state_t& state)
{
    message_loop_c loop;
    int result = -1;
    {
        main_window_c window(state.command_switch == startup_switch::autoscan);
        if (!window.create_main_window()) return -1;
        if (state.boot_mode) {
            ShowWindow(window.hwnd(), SW_HIDE);
        } else {
            ShowWindow(window.hwnd(), show_command);
            UpdateWindow(window.hwnd());
            if (state.autorun_pending) {
                state.autorun_pending = 0;
                SendMessageW(window.hwnd(), wm_start_scan, 0, 0);
            }
        }
        result = loop.run();
    }
    return result;
}

} // namespace tdu
