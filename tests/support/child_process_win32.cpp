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

std::string run_and_capture(const std::wstring& exe, const std::wstring& arguments)
{
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
    char buf[512];
    DWORD n;
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
        while (ReadFile(read_end, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
    } else {
        drain(read_end, out);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    CloseHandle(read_end);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

} // namespace tdu::test
