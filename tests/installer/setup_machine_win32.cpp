#include "setup_machine_win32.h"

#include "common/program_title.h"
#include "app/settings.h"
#include "common/win32_text.h"
#include "system/scheduled_scan.h"

#include <mstask.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace tdu::test {

const wchar_t uninstall_key[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavrill Driver Updater";

namespace {

const wchar_t* title() { return wide(program_title); }

fs::path shell_folder(int csidl)
{
    wchar_t path[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return path;
}

} // namespace

PROCESS_INFORMATION start_process(const std::wstring& exe, const std::wstring& arguments,
                                  const std::wstring& working_folder)
{
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                        working_folder.empty() ? nullptr : working_folder.c_str(), &si, &pi))
        return PROCESS_INFORMATION{};
    CloseHandle(pi.hThread);
    pi.hThread = nullptr;
    return pi;
}

int wait_for_exit(HANDLE process, DWORD timeout_ms)
{
    DWORD code = 0;
    int result = -1;
    if (WaitForSingleObject(process, timeout_ms) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code))
        result = static_cast<int>(code);
    return result;
}

namespace {

// The processes `parent` started (the uninstaller's copy of itself).
std::vector<DWORD> children_of(DWORD parent)
{
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ParentProcessID == parent && entry.th32ProcessID != parent) ids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return ids;
}

struct window_search_t {
    DWORD process = 0;
    HWND found = nullptr;
};

BOOL CALLBACK find_titled_window(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<window_search_t*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t text[260] = {};
    GetWindowTextW(window, text, 260);
    if (owner == search->process && StrCmpIW(text, title()) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK collect_text(HWND window, LPARAM param)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    auto* all = reinterpret_cast<std::wstring*>(param);
    if (text[0]) *all += std::wstring(text) + L" ";
    return TRUE;
}

// Wine removes a file whose image a process that just ended had mapped only
// once the mapping is gone, so the folder may not be empty at the first try.
void remove_folder(const fs::path& folder)
{
    std::error_code ignored;
    for (int attempt = 0; attempt < 50 && fs::exists(folder); ++attempt) {
        fs::remove_all(folder, ignored);
        if (fs::exists(folder)) Sleep(100);
    }
}

} // namespace

int run_and_wait(const std::wstring& exe, const std::wstring& arguments, DWORD timeout_ms,
                 const std::wstring& working_folder)
{
    PROCESS_INFORMATION pi = start_process(exe, arguments, working_folder);
    if (!pi.hProcess) return -1;
    int result = wait_for_exit(pi.hProcess, timeout_ms);
    if (result == -1) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    return result;
}

fs::path program_files_folder() { return shell_folder(CSIDL_PROGRAM_FILES); }
fs::path installed_folder() { return program_files_folder() / L"Tavrill Driver Updater"; }
fs::path start_menu_folder() { return shell_folder(CSIDL_COMMON_PROGRAMS) / L"Tavrill Driver Updater"; }
fs::path desktop_shortcut() { return shell_folder(CSIDL_COMMON_DESKTOPDIRECTORY) / L"Tavrill Driver Updater.lnk"; }

std::optional<std::wstring> read_reg_text(HKEY root, const std::wstring& key, const std::wstring& value)
{
    wchar_t data[1024];
    DWORD size = sizeof data - sizeof(wchar_t);
    DWORD type = 0;
    if (SHGetValueW(root, key.c_str(), value.c_str(), &type, data, &size) != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    data[size / sizeof(wchar_t)] = 0;
    return std::wstring(data);
}

std::optional<DWORD> read_reg_dword(HKEY root, const std::wstring& key, const std::wstring& value)
{
    DWORD data = 0, size = sizeof data, type = 0;
    if (SHGetValueW(root, key.c_str(), value.c_str(), &type, &data, &size) != ERROR_SUCCESS || type != REG_DWORD)
        return std::nullopt;
    return data;
}

bool reg_key_exists(HKEY root, const std::wstring& key)
{
    HKEY k;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

void write_reg_dword(HKEY root, const std::wstring& key, const std::wstring& value, DWORD data)
{
    SHSetValueW(root, key.c_str(), value.c_str(), REG_DWORD, &data, sizeof data);
}

void write_reg_text(HKEY root, const std::wstring& key, const std::wstring& value, const std::wstring& data)
{
    SHSetValueW(root, key.c_str(), value.c_str(), REG_SZ, data.c_str(),
                static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

std::wstring shortcut_target(const fs::path& link)
{
    std::wstring target;
    IShellLinkW* shell_link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shell_link))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shell_link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) &&
            SUCCEEDED(shell_link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH)))
            target = path;
        file->Release();
    }
    shell_link->Release();
    return target;
}

bool create_scan_task(const fs::path& program)
{
    task_scheduler_c& scheduler = win32_task_scheduler();
    return scheduler.create_task(scan_task(u16ptr(program.c_str()), scheduler.local_now(),
                                           scheduler.computer_name(), scheduler.user_name()));
}

bool scan_task_exists()
{
    ITaskScheduler* scheduler = nullptr;
    if (FAILED(CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                                reinterpret_cast<void**>(&scheduler))))
        return false;
    ITask* task = nullptr;
    bool found = SUCCEEDED(scheduler->Activate(title(), IID_ITask, reinterpret_cast<IUnknown**>(&task)));
    if (task) task->Release();
    scheduler->Release();
    return found;
}

void delete_scan_task()
{
    ITaskScheduler* scheduler = nullptr;
    if (FAILED(CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                                reinterpret_cast<void**>(&scheduler))))
        return;
    scheduler->Delete(title());
    scheduler->Release();
}

int uninstall_silently(const fs::path& folder)
{
    PROCESS_INFORMATION pi = start_process((folder / L"uninstall.exe").wstring(), L"/S");
    if (!pi.hProcess) return -1;
    int first = wait_for_exit(pi.hProcess, 60000);
    // The copy it started keeps running after it; wait for that one.
    std::vector<HANDLE> copies;
    for (DWORD id : children_of(pi.dwProcessId))
        if (HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, id)) copies.push_back(h);
    CloseHandle(pi.hProcess);
    int result = first;
    for (HANDLE h : copies) {
        int code = wait_for_exit(h, 120000);
        if (code != 0) result = code;
        CloseHandle(h);
    }
    return result;
}

int run_quiet_uninstall_command()
{
    std::optional<std::wstring> command = read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"QuietUninstallString");
    if (!command) return -1;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring line = *command;
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    CloseHandle(pi.hThread);
    int code = wait_for_exit(pi.hProcess, 120000);
    if (code == -1) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    return code;
}

bool gone_soon(const fs::path& path)
{
    for (int i = 0; i < 400 && fs::exists(path); ++i) Sleep(100);
    return !fs::exists(path);
}

boot_run_t run_program_at_boot(const fs::path& program)
{
    boot_run_t run;
    PROCESS_INFORMATION pi = start_process(program.wstring(), L"--boot");
    if (!pi.hProcess) return run;
    DWORD deadline = GetTickCount() + 60000;
    window_search_t search{pi.dwProcessId, nullptr};
    while (static_cast<LONG>(deadline - GetTickCount()) > 0) {
        if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) {
            run.ended_by_itself = true;
            break;
        }
        EnumWindows(find_titled_window, reinterpret_cast<LPARAM>(&search));
        if (search.found) break;
    }
    if (!run.ended_by_itself && search.found) {
        wchar_t window_class[64] = {};
        GetClassNameW(search.found, window_class, 64);
        // A failed start shows its message box under the program's title.
        if (lstrcmpW(window_class, L"#32770") == 0)
            EnumChildWindows(search.found, collect_text, reinterpret_cast<LPARAM>(&run.message_box));
        PostThreadMessageW(GetWindowThreadProcessId(search.found, nullptr), WM_QUIT, 0, 0);
    }
    run.exit_code = wait_for_exit(pi.hProcess, 30000);
    if (run.exit_code == -1 && WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    return run;
}

void remove_every_trace()
{
    remove_folder(installed_folder());
    remove_folder(start_menu_folder());
    std::error_code ignored;
    fs::remove(desktop_shortcut(), ignored);
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, uninstall_key);
    SHDeleteKeyW(HKEY_CURRENT_USER, wide(settings_key_path));
    SHDeleteKeyW(HKEY_CURRENT_USER, wide(installer_key_path));
    SHDeleteValueW(HKEY_CURRENT_USER, wide(run_key_path), wide(run_value_name));
    delete_scan_task();
}

std::string narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

std::string file_bytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

} // namespace tdu::test
