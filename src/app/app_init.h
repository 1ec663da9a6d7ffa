#pragma once
// The application's initialisation: the steps start-up runs, in a fixed
// order, before the main window is made. A failing step ends start-up with
// the box "Application initialization failed, error code: %d." and its code:
//
//   1  the platform environment cannot be captured
//   2  the system information cannot be collected (WMI unreachable)
//   3  the settings cannot be loaded
//   4  the interface language cannot be loaded ("language.ini" missing)
//   5  the global services cannot be made
//
// The steps are an interface, so the order and the codes are tested with
// injected failures; the program's own steps run the real calls.
#include "common/text.h"

#include <cstdint>

namespace tdu {

constexpr int init_code_environment = 1;
constexpr int init_code_system_info = 2;
constexpr int init_code_settings = 3;
constexpr int init_code_language = 4;
constexpr int init_code_global_services = 5;

class app_init_steps_c {
public:
    virtual ~app_init_steps_c() = default;
    // WSAStartup 2.2; its result does not matter.
    virtual void start_network() = 0;
    // The current directory becomes the program's folder, so relative paths
    // resolve against it from here on.
    virtual void enter_program_folder() = 0;
    virtual bool capture_environment() = 0;
    // Negative when it failed.
    virtual int collect_system_info() = 0;
    virtual bool load_settings() = 0;
    virtual void create_fonts() = 0;
    // The interface language the loaded settings name.
    virtual u16 settings_language() = 0;
    // Loads `name` from "language.ini", as the primary table or as the
    // fallback; negative when the file cannot be read.
    virtual int load_language(u16view name, bool primary) = 0;
    virtual bool global_init() = 0;
    virtual void index_driver_packages() = 0;
    // Shows the failure text (the program: a message box with the program
    // title as caption and the error icon).
    virtual void show_failure(u16view text) = 0;
};

// Runs the steps in order, each only when the ones before succeeded: 0, or
// -1 after show_failure with the failing step's code. A primary language
// other than "English" (case ignored) gets "English" loaded as its fallback,
// whose result does not matter.
int app_init(app_init_steps_c& steps);

// "Application initialization failed, error code: <code>."
u16 init_failure_text(int code);

} // namespace tdu
