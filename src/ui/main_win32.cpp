// The program's entry point and, with program/program.h, its composition
// root: the single-instance rule, COM, the common controls, the
// application's initialisation, the main window with its message loop, and
// the tear-down in reverse order once the workers have stopped.
#include "app/endpoints.h"
#include "app/environment.h"
#include "app/settings.h"
#include "app/startup_instance.h"
#include "backup/driver_store.h"
#include "backup/store_platform.h"
#include "packages/download_session.h"
#include "program/program.h"
#include "ui/app_run.h"
#include "ui/skin/fonts.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int show_command)
{
    using namespace tdu;
    // The program runs elevated: its update service and scan-share host are
    // redirected only by the machine-wide value administrators set, never
    // by the environment.
    endpoints_select_source(endpoints_source::machine_registry);

    // Another copy runs: it has been handed the switch, this one ends.
    if (single_instance_check(win32_instance_platform(), startup_state) != 0) return -1;

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    init_hooks_t hooks;
    hooks.create_fonts = [] { create_skin_fonts(); };
    hooks.index_driver_packages = [] {
        init_driver_store(driver_store, os_version_number(environment.version_info), win32_store_platform());
    };
    // A failure has been shown in a message box; nothing is torn down.
    if (program_app_init(hooks) != 0) return -1;
    // Downloads go where the settings said when the program started.
    download_sessions.settings.download_folder = u16(settings.active_download_path);

    int result = app_run(show_command, startup_state);

    // Nothing is freed under a running worker (the scan's, a download's):
    // each is asked to stop and waited for; one still running after the
    // wait is left to the process's end together with what it uses.
    program_exit();
    destroy_skin_fonts();
    CoUninitialize();
    return result;
}
