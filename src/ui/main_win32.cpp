// The program's entry point and, with program/program.h, its composition
// root: the single-instance rule, COM, the application's initialisation,
// and the tear-down in reverse order once the workers have stopped.
//
// The window part (the window framework's start-up, the main window and its
// message loop) is not here yet: until it is, start-up ends once the
// initialisation has run, with exit status 0.
#include "app/startup_instance.h"
#include "program/program.h"

#include <windows.h>
#include <objbase.h>

namespace {

// Where the main window is made, shown and its message loop run; its result
// is the program's exit status.
int run_main_window(int /*show_command*/)
{
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int show_command)
{
    using namespace tdu;
    // Another copy runs: it has been handed the switch, this one ends.
    if (single_instance_check(win32_instance_platform(), startup_state) != 0) return -1;

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // A failure has been shown in a message box; nothing is torn down.
    if (program_app_init(init_hooks_t{}) != 0) return -1;
    int result = run_main_window(show_command);
    program_exit();
    CoUninitialize();
    return result;
}
