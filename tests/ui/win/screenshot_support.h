#pragma once
// The README's pictures from the window tests: with TDU_SCREENSHOTS naming
// a folder (scripts/view-screenshots sets it), a test saves the windows it
// shows there as PNG files; without it nothing is saved. The interface
// language is the installer's choice TDU_SCREENSHOT_LANGUAGE (1 English,
// 2 Deutsch, 6 Japanese ...), written before the program's first start.
#include "gallery/png_capture.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <string>

namespace tdu::test {

inline std::wstring screenshot_folder()
{
    wchar_t folder[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(L"TDU_SCREENSHOTS", folder, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(folder) : std::wstring();
}

// Saves `window` as <folder>\<name>.png; false when no folder is set or it
// could not be written.
inline bool save_screenshot(HWND window, const wchar_t* name)
{
    const std::wstring folder = screenshot_folder();
    if (folder.empty()) return false;
    static ULONG_PTR token = [] {
        ULONG_PTR t = 0;
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&t, &input, nullptr);
        return t;
    }();
    (void)token;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    return gallery::save_window_png(window, folder + L"\\" + name + L".png");
}

// The installer's language for the program's first start, when one is set.
inline void apply_screenshot_language()
{
    wchar_t text[16] = {};
    if (!GetEnvironmentVariableW(L"TDU_SCREENSHOT_LANGUAGE", text, 16)) return;
    DWORD code = static_cast<DWORD>(_wtoi(text));
    HKEY k;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Tavrill_Driver_Updater_Init", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &k, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(k, L"language", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&code), sizeof code);
    RegCloseKey(k);
}

} // namespace tdu::test
