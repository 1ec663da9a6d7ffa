#pragma once
// Windows tests only: the setup program and its uninstaller run for real in
// the Wine prefix. These helpers start them, read what they left in the
// registry, the file system and the Task Scheduler, and put the prefix back
// as it was before the program was ever installed.
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

namespace tdu::test {

namespace fs = std::filesystem;

// Starts `exe` with `arguments` in `working_folder` (the test's own when
// empty) and waits up to `timeout_ms` for it to end. The exit status, or
// -1 when it did not start or end.
int run_and_wait(const std::wstring& exe, const std::wstring& arguments, DWORD timeout_ms = 120000,
                 const std::wstring& working_folder = L"");

// Starts `exe` with `arguments`; the process's handle and id (the thread
// handle is closed), or a null handle when it did not start.
PROCESS_INFORMATION start_process(const std::wstring& exe, const std::wstring& arguments,
                                  const std::wstring& working_folder = L"");

// Waits up to `timeout_ms` for a process to end; its exit status, or -1.
int wait_for_exit(HANDLE process, DWORD timeout_ms);

// The folder the setup program installs into by default, and the
// all-users Start menu and desktop folders.
fs::path program_files_folder();
fs::path installed_folder();
fs::path start_menu_folder();  // the program's folder in the Start menu
fs::path desktop_shortcut();

// Registry values; nullopt when the key or value is missing or of another
// type.
std::optional<std::wstring> read_reg_text(HKEY root, const std::wstring& key, const std::wstring& value);
std::optional<DWORD> read_reg_dword(HKEY root, const std::wstring& key, const std::wstring& value);
bool reg_key_exists(HKEY root, const std::wstring& key);
void write_reg_dword(HKEY root, const std::wstring& key, const std::wstring& value, DWORD data);
void write_reg_text(HKEY root, const std::wstring& key, const std::wstring& value, const std::wstring& data);

// The system's uninstall entry of the program (HKLM).
extern const wchar_t uninstall_key[];

// The file a shell link points to; empty when it cannot be read.
std::wstring shortcut_target(const fs::path& link);

// The weekly scan task: made by the program's own code for the installed
// program, and looked up in the Task Scheduler.
bool create_scan_task(const fs::path& program);
bool scan_task_exists();
void delete_scan_task();

// Runs the installed uninstaller silently as a user would (it copies itself
// away and runs from there) and waits until that copy has ended. Its exit
// status, or -1.
int uninstall_silently(const fs::path& folder);

// Runs the command the uninstall entry registers for a quiet uninstall
// ("QuietUninstallString"), exactly as a script or a software management
// tool does, and waits for that process alone. Its exit status, or -1 when
// there is no such command or it did not end.
int run_quiet_uninstall_command();

// Whether `path` is gone, looking for up to 40 s: an uninstaller run in
// place removes its own file once it has ended.
bool gone_soon(const fs::path& path);

// What came of starting the installed program with "--boot".
struct boot_run_t {
    int exit_code = -1;
    bool ended_by_itself = false;
    std::wstring message_box;  // the text of a message box it showed instead
};

// Starts the program with "--boot". A program that ends by itself is left
// to; one that stays (hidden, in the tray) is asked to end with WM_QUIT to
// its main window's thread once that window exists.
boot_run_t run_program_at_boot(const fs::path& program);

// Removes everything the setup program, the program and the tests may have
// left: the installed folder, the links, the uninstall entry, the settings
// and installer keys, the Run entry and the scan task.
void remove_every_trace();

// A text for a test's message (the test texts are ASCII).
std::string narrow(const std::wstring& s);

// Whole file contents, for comparing an installed file with the built one.
std::string file_bytes(const fs::path& file);

} // namespace tdu::test
