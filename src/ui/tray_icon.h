#pragma once
// The notification-area icon of the main window: added with the window,
// changed (normal or attention icon, balloon), added again when the shell
// (re)starts its taskbar, and removed with the window. An icon the shell
// refused is remembered as absent, and every later change and the removal
// are skipped until it is added again.
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
    // The registered "TaskbarCreated" message the shell broadcasts when its
    // taskbar starts (after the shell restarted): every icon must be added
    // again then.
    UINT taskbar_created_message() const { return taskbar_created_; }
    bool present() const { return present_; }

    bool add(HWND window, HICON icon, u16view tip);
    // Adds the icon once more as it was last set (after "TaskbarCreated");
    // nothing before the first add or after remove.
    bool add_again();
    void set_icon(HICON icon);
    // A balloon with the program title over `text` (info icon, longest time).
    void show_balloon(u16view text);
    void remove();

private:
    UINT message_;
    UINT taskbar_created_;
    NOTIFYICONDATAW data_{};
    bool present_ = false;
    bool wanted_ = false;  // added by the window and not yet removed
};

} // namespace tdu
