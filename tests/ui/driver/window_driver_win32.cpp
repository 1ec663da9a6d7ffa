// tdu-window-driver.exe: drives the running window program from outside,
// as a person would, for the demo and the README's screenshots.
//
//   tdu-window-driver demo FOLDER   waits for the main window, saves
//       FOLDER\home.bmp, clicks the home view's scan button, saves
//       FOLDER\scan.bmp while the scan view shows, waits for the results
//       view, downloads the first row's package with its button, saves
//       FOLDER\results.bmp, prints the results' counts and the first row's
//       state before and after, and ends the program through its menu's
//       Exit. Exit status 0, or 1 with the
//       step that failed on standard error.
//   tdu-window-driver demo FOLDER offline   the same with the offers from
//       a driver folder: scan.bmp is saved as soon as the scan view names
//       the folder (its window text), and that line is printed too.
//   tdu-window-driver shot FILE     saves the main window as it is now.
//   tdu-window-driver menu ID       gives the main window its menu command
//       ID (32780 opens the about dialog, 32781 exits).
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr wchar_t title[] = L"Tavrill Driver Updater";
constexpr UINT menu_exit = 32781;

HWND main_window() { return FindWindowW(L"TavrillDriverUpdaterMain", title); }

HWND view(HWND main, const wchar_t* class_name) { return FindWindowExW(main, nullptr, class_name, nullptr); }

bool shown(HWND main, const wchar_t* class_name)
{
    HWND v = view(main, class_name);
    return v && (GetWindowLongW(v, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool wait_for(const std::function<bool()>& done, DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeout_ms) return false;
        Sleep(50);
    }
    return true;
}

// The window as the screen shows it, as a 24-bit BMP file.
bool save_window(HWND window, const std::wstring& file)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    Sleep(300);
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    int stride = ((w * 3 + 3) / 4) * 4;
    std::vector<unsigned char> pixels(static_cast<size_t>(stride) * h);
    GetDIBits(memory, bitmap, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* f = _wfopen(file.c_str(), L"wb");
    if (!f) return false;
    bool ok = fwrite(&header, sizeof header, 1, f) == 1 && fwrite(&info, sizeof info, 1, f) == 1 &&
              fwrite(pixels.data(), 1, pixels.size(), f) == pixels.size();
    fclose(f);
    return ok;
}

// Printed as UTF-8 whatever the console's code page (the row texts are in
// the interface language).
std::string utf8(const wchar_t* text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

int fail(const char* step)
{
    std::fprintf(stderr, "tdu-window-driver: %s\n", step);
    return 1;
}

int demo(const std::wstring& folder, bool offline)
{
    HWND main = nullptr;
    if (!wait_for([&] { return (main = main_window()) != nullptr && IsWindowVisible(main); }, 60000))
        return fail("the main window did not show");
    SetForegroundWindow(main);
    if (!wait_for([&] { return shown(main, L"TavrillHomeView"); }, 10000)) return fail("no home view");
    if (!save_window(main, folder + L"\\home.bmp")) return fail("cannot save home.bmp");

    // The scan button: centred left of the 250-pixel side bar, its top at
    // (height - 150) / 2, 450 by 120.
    HWND home = view(main, L"TavrillHomeView");
    RECT client;
    GetClientRect(home, &client);
    LPARAM at = MAKELPARAM((client.right - 250) / 2, (client.bottom - 150) / 2 + 60);
    SendMessageW(home, WM_MOUSEMOVE, 0, at);
    SendMessageW(home, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(home, WM_LBUTTONUP, 0, at);
    if (!shown(main, L"TavrillScanView")) return fail("the scan button did not start a scan");
    wchar_t source[1024] = {};
    if (offline) {
        // While the folder is indexed: the view's name is its line naming
        // the folder.
        HWND scan = view(main, L"TavrillScanView");
        if (!wait_for([&] { return GetWindowTextW(scan, source, 1024) > 0; }, 120000))
            return fail("the scan view never named a driver folder");
        if (shown(main, L"TavrillScanView") && !save_window(main, folder + L"\\scan.bmp"))
            return fail("cannot save scan.bmp");
    } else {
        // Mid-scan: the devices have been examined and the service is asked.
        Sleep(1500);
        if (shown(main, L"TavrillScanView") && !save_window(main, folder + L"\\scan.bmp"))
            return fail("cannot save scan.bmp");
    }

    if (!wait_for([&] { return shown(main, L"TavrillResultsView"); }, 180000))
        return fail("the scan did not reach the results view");
    // The first row's button downloads its package: 60 pixels in from the
    // row's right edge, 18 up from its bottom.
    HWND results = view(main, L"TavrillResultsView");
    HWND list = results ? FindWindowExW(results, nullptr, L"tdu_panel_list", nullptr) : nullptr;
    HWND row = list ? FindWindowExW(list, nullptr, L"TavrillDownloadPanel", nullptr) : nullptr;
    if (!row) return fail("the results view has no rows");
    wchar_t before[256] = {};
    GetWindowTextW(row, before, 256);
    RECT r;
    GetClientRect(row, &r);
    LPARAM button = MAKELPARAM(r.right - 60, r.bottom - 18);
    SendMessageW(row, WM_MOUSEMOVE, 0, button);
    SendMessageW(row, WM_LBUTTONDOWN, MK_LBUTTON, button);
    SendMessageW(row, WM_LBUTTONUP, 0, button);
    // The download ends (complete, or failed) before the program is asked
    // to exit, which would otherwise ask whether to stop it.
    auto state = [row] { return reinterpret_cast<INT_PTR>(GetPropW(row, L"tdu_download_state")); };
    if (!wait_for([&] { return state() == 4 || state() == 5; }, 60000)) return fail("the row's download did not end");
    Sleep(300);
    wchar_t after[256] = {};
    GetWindowTextW(row, after, 256);
    if (!save_window(main, folder + L"\\results.bmp")) return fail("cannot save results.bmp");
    wchar_t counts[512] = {};
    GetWindowTextW(view(main, L"TavrillResultsView"), counts, 512);
    if (offline) {
        GetWindowTextW(view(main, L"TavrillScanView"), source, 1024);
        std::printf("%s\n", utf8(source).c_str());
    }
    std::printf("%s\n", utf8(counts).c_str());
    std::printf("%s -> %s\n", utf8(before).c_str(), utf8(after).c_str());

    PostMessageW(main, WM_COMMAND, menu_exit, 0);
    if (!wait_for([] { return main_window() == nullptr; }, 30000)) return fail("the program did not exit");
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 3 && std::wstring(argv[1]) == L"demo") return demo(argv[2], false);
    if (argc == 4 && std::wstring(argv[1]) == L"demo" && std::wstring(argv[3]) == L"offline")
        return demo(argv[2], true);
    if (argc == 3 && std::wstring(argv[1]) == L"shot") {
        HWND main = main_window();
        if (!main) return fail("no main window");
        return save_window(main, argv[2]) ? 0 : fail("cannot save the picture");
    }
    if (argc == 3 && std::wstring(argv[1]) == L"menu") {
        HWND main = main_window();
        if (!main) return fail("no main window");
        PostMessageW(main, WM_COMMAND, static_cast<WPARAM>(_wtoi(argv[2])), 0);
        return 0;
    }
    std::fprintf(stderr, "usage: tdu-window-driver demo FOLDER [offline] | shot FILE | menu ID\n");
    return 2;
}
