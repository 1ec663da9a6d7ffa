// Start-up time of the window program under Wine, warm: from the process's
// start to its main window shown and painted (no update region left in the
// window or its home view), against the same for Wine's own Notepad, the
// simplest window program a user would otherwise start. The first round of
// each warms the caches and is not counted. The program's scan-share host
// is set to an address literal through its machine-wide endpoint override,
// so its start-up sends nothing over the network.
//
//   ui_startup_bench.exe PROGRAM [ROUNDS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr UINT menu_exit = 32781;
const wchar_t endpoints_key[] = L"SOFTWARE\\Tavrill Driver Updater";

double now_ms()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool wait_for(const std::function<bool()>& done, DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeout_ms) return false;
        Sleep(1);
    }
    return true;
}

bool painted(HWND window)
{
    if (!window || !IsWindowVisible(window)) return false;
    RECT pending;
    return !GetUpdateRect(window, &pending, FALSE);
}

struct subject_t {
    std::wstring exe;
    std::wstring arguments;
    std::function<HWND()> find;
    std::function<bool(HWND)> ready;
    std::function<void(HWND)> close;
};

// One start: milliseconds to the painted window, or a negative value.
double one_start(const subject_t& s)
{
    std::wstring command = L"\"" + s.exe + L"\"" + s.arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    double t0 = now_ms();
    if (!CreateProcessW(s.exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    HWND window = nullptr;
    bool ok = wait_for([&] { return (window = s.find()) && s.ready(window); }, 60000);
    double elapsed = now_ms() - t0;
    if (window) s.close(window);
    if (WaitForSingleObject(pi.hProcess, 20000) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 9);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ok ? elapsed : -1;
}

double median_start(const subject_t& s, int rounds, const char* name)
{
    std::vector<double> times;
    for (int i = 0; i <= rounds; ++i) {
        double t = one_start(s);
        if (t < 0) {
            std::fprintf(stderr, "%s: no painted window\n", name);
            return -1;
        }
        if (i > 0) times.push_back(t);  // round 0 warms up
    }
    std::sort(times.begin(), times.end());
    double median = times[times.size() / 2];
    std::printf("%-28s median %8.1f ms   min %8.1f ms   max %8.1f ms   (%d rounds)\n", name, median, times.front(),
                times.back(), rounds);
    return median;
}

void set_endpoints(bool on)
{
    HKEY key = nullptr;
    if (!on) {
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, endpoints_key, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        RegDeleteValueW(key, L"endpoints");
        RegCloseKey(key);
        return;
    }
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, endpoints_key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    static const wchar_t lines[] = L"scan_share_host = 8.8.4.4\0";
    RegSetValueExW(key, L"endpoints", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(lines), sizeof lines);
    RegCloseKey(key);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: ui_startup_bench PROGRAM [ROUNDS]\n");
        return 2;
    }
    int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 10;
    set_endpoints(true);

    subject_t program{argv[1], L"",
                      [] { return FindWindowW(L"TavrillDriverUpdaterMain", L"Tavrill Driver Updater"); },
                      [](HWND w) { return painted(w) && painted(FindWindowExW(w, nullptr, L"TavrillHomeView", nullptr)); },
                      [](HWND w) { PostMessageW(w, WM_COMMAND, menu_exit, 0); }};
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    subject_t notepad{std::wstring(windows) + L"\\notepad.exe", L"", [] { return FindWindowW(L"Notepad", nullptr); },
                      [](HWND w) { return painted(w); }, [](HWND w) { PostMessageW(w, WM_CLOSE, 0, 0); }};

    std::printf("start-up to the first painted main window, under Wine, warm\n");
    double ours = median_start(program, rounds, "TavrillDriverUpdater.exe");
    double theirs = median_start(notepad, rounds, "notepad.exe (Wine)");
    set_endpoints(false);
    if (ours < 0 || theirs < 0) return 1;
    std::printf("ratio (program / notepad): %.2f\n", ours / theirs);
    return 0;
}
