#pragma once
// The shell calls of downloads and installation: opening a package, a folder
// or a program, showing a file in Explorer, and the administrator test.
// Win32: ShellExecuteW and IsUserAnAdmin; tests use a recording fake.
#include "common/text.h"

namespace tdu {

class shell_c {
public:
    virtual ~shell_c() = default;
    // ShellExecuteW with no verb, no working folder, shown normally, the
    // active window as owner: opens a document or folder with its default
    // action or starts a program. Nothing waits for what was started. True
    // when the shell started it (ShellExecuteW returned more than 32); how
    // what was started ends is not known here.
    virtual bool execute(u16view file, u16view parameters) = 0;
    // IsUserAnAdmin.
    virtual bool is_user_an_admin() = 0;
};

// The Win32 shell (Windows build only).
shell_c& win32_shell();

// Opens Explorer on the folder of `path` with the file selected:
// "explorer.exe" with "/select,\"<path>\"" (at most 1023 characters).
void shell_show_file(shell_c& shell, u16view path);

} // namespace tdu
