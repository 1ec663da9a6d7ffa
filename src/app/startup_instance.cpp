#include "app/startup_instance.h"

#include "app/app_messages.h"

namespace tdu {

startup_state_t startup_state;

int single_instance_check(instance_platform_c& platform, startup_state_t& state)
{
    // The mutex first: the answer must describe the moment of creation.
    bool another_runs = platform.create_instance_mutex();
    std::vector<u16> args = platform.command_line_arguments();
    u16 drivers_folder = take_drivers_switch(args);
    startup_switch command_switch = parse_startup_switch(args);

    if (another_runs) {
        if (command_switch == startup_switch::autorun || command_switch == startup_switch::boot) {
            if (void* window = platform.find_main_window())
                platform.send_message(window, wm_second_instance, command_switch == startup_switch::autorun ? 1 : 0);
        }
        // The window is looked up again: it may have gone while the message
        // was handled.
        void* window = platform.find_main_window();
        if (window && command_switch != startup_switch::boot) platform.bring_forward(window);
        return -1;
    }

    state.command_switch = command_switch;
    state.drivers_folder = drivers_folder;
    if (command_switch == startup_switch::boot)
        state.boot_mode = 1;
    else if (command_switch == startup_switch::autorun)
        state.autorun_pending = 1;
    return 0;
}

} // namespace tdu
