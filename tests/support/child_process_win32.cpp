#include "support/child_process_win32.h"

#include <windows.h>

namespace tdu::test {

std::wstring own_path()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

namespace {

void drain(HANDLE pipe, std::string& out)
{
    DWORD available = 0;
    char buf[512];
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        DWORD n = 0;
        if (!ReadFile(pipe, buf, sizeof buf, &n, nullptr) || n == 0) return;
        out.append(buf, n);
    }
}

} // namespace

std::string run_and_capture(const std::wstring& exe, const std::wstring& arguments, int* exit_code)
{
    if (exit_code) *exit_code = -1;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE read_end, write_end;
    if (!CreatePipe(&read_end, &write_end, &sa, 0)) return "pipe failed";
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write_end;
    si.hStdError = write_end;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    BOOL started = CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(write_end);
    if (!started) {
        CloseHandle(read_end);
        return "start failed";
    }
    // The pipe is drained while waiting, so a talkative child never blocks
    // on a full pipe.
    std::string out;
    DWORD deadline = GetTickCount() + 30000;
    while (static_cast<LONG>(deadline - GetTickCount()) > 0) {
        drain(read_end, out);
        DWORD r = MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 50, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0 || r == WAIT_FAILED) break;
        if (r == WAIT_OBJECT_0 + 1) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        }
    }
    // Once the child has ended, everything it wrote is in the pipe. Reading
    // up to the end of the pipe could wait for ever: a process the child
    // started (Wine starts its desktop process from the first program that
    // makes a window) may hold the pipe's write end open.
    drain(read_end, out);
    DWORD code = 0;
    if (exit_code && WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0 && GetExitCodeProcess(pi.hProcess, &code))
        *exit_code = static_cast<int>(code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    CloseHandle(read_end);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

bool set_wine_program_version(const std::wstring& exe_name, const wchar_t* version)
{
    std::wstring key = L"Software\\Wine\\AppDefaults\\" + exe_name;
    if (!version) {
        RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
        return true;
    }
    HKEY k;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExW(k, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                             static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
    return rc == ERROR_SUCCESS;
}

int record_command_line(const std::wstring& record)
{
    const wchar_t* line = GetCommandLineW();
    int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    std::string text(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, line, -1, &text[0], size, nullptr, nullptr);
    const std::wstring side = record + L".partial";
    HANDLE file = CreateFileW(side.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
    ok = CloseHandle(file) && ok;
    if (!ok || !MoveFileExW(side.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(side.c_str());
        return 1;
    }
    return 0;
}

std::string wait_for_record(const std::wstring& record, unsigned timeout_ms)
{
    const DWORD start = GetTickCount();
    for (;;) {
        HANDLE file = CreateFileW(record.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            std::string text;
            char buf[4096];
            DWORD n = 0;
            while (ReadFile(file, buf, sizeof buf, &n, nullptr) && n > 0) text.append(buf, n);
            CloseHandle(file);
            if (!text.empty()) return text;
        }
        if (GetTickCount() - start >= timeout_ms) return {};
        Sleep(50);
    }
}

} // namespace tdu::test
