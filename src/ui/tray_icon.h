#pragma once
// The notification-area icon of the main window: added once, changed
// (normal or attention icon, balloon) and removed with the window. An icon
// the shell refused is remembered as absent, and every later change and the
// removal are skipped.
#include "common/text.h"

#include <windows.h>
#include <shellapi.h>

namespace tdu {

class tray_icon_c {
public:
    static constexpr UINT icon_id = 333;

    tray_icon_c();
    // The registered "WM_TRAYICON" message the shell sends the window.
    UINT message() const { return message_; }
    bool present() const { return present_; }

    bool add(HWND window, HICON icon, u16view tip);
    void set_icon(HICON icon);
    // A balloon with the program title over `text` (info icon, longest time).
    void show_balloon(u16view text);
    void remove();

private:
    UINT message_;
    NOTIFYICONDATAW data_{};
    bool present_ = false;
};

} // namespace tdu
