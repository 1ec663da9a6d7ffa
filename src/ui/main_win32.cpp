// The program's entry point. For now start-up captures the platform facts
// and ends: exit status 0 when they were read, 1 (the initialisation code of
// that step) when not.
#include "app/environment.h"
#include "common/win32_text.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    // Relative names the program owns resolve against its own folder.
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        wchar_t* slash = wcsrchr(path, L'\\');
        if (slash) {
            slash[1] = 0;
            SetCurrentDirectoryW(path);
        }
    }
    if (!tdu::environment_capture(tdu::environment, tdu::win32_environment_source())) return 1;
    return 0;
}
