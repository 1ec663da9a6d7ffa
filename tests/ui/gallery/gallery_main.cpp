// The gallery program: shows every control of the skin and the message box
// in its five styles, and saves a PNG picture of each into the folder named
// on its command line:
//
//     tdu_ui_gallery.exe FOLDER
//
// gallery_controls.png, message_box_0.png .. message_box_4.png. Exit status
// 0 when every picture was written. With no folder it stays up until closed.
#include "app/language.h"
#include "common/win32_text.h"
#include "gallery_window.h"
#include "png_capture.h"
#include "ui/dialogs/message_window.h"
#include "ui/skin/fonts.h"
#include "ui/win/message_loop.h"

#include <shellapi.h>

#include <string>

using namespace tdu;

namespace {

std::wstring folder;
int missing = 0;

void pump(int ms)
{
    DWORD end = GetTickCount() + ms;
    while (GetTickCount() < end) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        Sleep(10);
    }
}

void save(HWND window, const std::wstring& name)
{
    if (!gallery::save_window_png(window, folder + L"\\" + name)) ++missing;
}

BOOL CALLBACK find_dialog(HWND w, LPARAM l)
{
    wchar_t name[16];
    if (GetClassNameW(w, name, 16) && lstrcmpW(name, L"#32770") == 0 && IsWindowVisible(w)) {
        *reinterpret_cast<HWND*>(l) = w;
        return FALSE;
    }
    return TRUE;
}

// The message box of the style that is up: saved, then closed.
unsigned box_style = 0;
UINT_PTR box_timer = 0;
void CALLBACK capture_box(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &find_dialog, reinterpret_cast<LPARAM>(&box));
    if (!box) return;
    KillTimer(nullptr, box_timer);
    pump(300);
    save(box, L"message_box_" + std::to_wstring(box_style) + L".png");
    EndDialog(box, 1);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc > 1) folder = argv[1];
    LocalFree(argv);

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    create_skin_fonts();
    language_load(language_table, TDU_GALLERY_LANGUAGE_INI, u"English", true);

    gallery::gallery_window_c window;
    if (!window.open()) return 2;
    if (folder.empty()) {
        message_loop_c loop;
        return loop.run();
    }
    CreateDirectoryW(folder.c_str(), nullptr);
    pump(800);
    save(window.hwnd(), L"gallery_controls.png");

    const language_key_t texts[5] = {lang::backup_completed, lang::home_download_msg, lang::error_network_timeout,
                                     lang::remove_confirm, lang::error_internal_error};
    for (unsigned style = 0; style < 5; ++style) {
        box_style = style;
        box_timer = SetTimer(nullptr, 0, 100, &capture_box);
        show_message_box(window.hwnd(), language_text(texts[style]), style);
    }
    DestroyWindow(window.hwnd());
    destroy_skin_fonts();
    return missing == 0 ? 0 : 1;
}
