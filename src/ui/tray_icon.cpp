#include "ui/tray_icon.h"

#include "common/program_title.h"
#include "common/win32_text.h"

namespace tdu {

tray_icon_c::tray_icon_c()
    : message_(RegisterWindowMessageW(L"WM_TRAYICON")), taskbar_created_(RegisterWindowMessageW(L"TaskbarCreated"))
{
    data_.cbSize = sizeof data_;
}

bool tray_icon_c::add(HWND window, HICON icon, u16view tip)
{
    data_.hWnd = window;
    data_.uID = icon_id;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = message_;
    data_.hIcon = icon;
    copy_field(reinterpret_cast<char16_t*>(data_.szTip), std::size(data_.szTip), tip);
    wanted_ = true;
    present_ = Shell_NotifyIconW(NIM_ADD, &data_) != FALSE;
    return present_;
}

bool tray_icon_c::add_again()
{
    if (!wanted_) return false;
    // The new taskbar knows no icons: the icon, its tip and its message, no balloon.
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    // The message is also broadcast when the taskbar merely changed: an
    // icon it still holds is refused by NIM_ADD and only updated.
    present_ = Shell_NotifyIconW(NIM_ADD, &data_) != FALSE || Shell_NotifyIconW(NIM_MODIFY, &data_) != FALSE;
    return present_;
}

void tray_icon_c::set_icon(HICON icon)
{
    if (!present_) return;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.hIcon = icon;
    Shell_NotifyIconW(NIM_MODIFY, &data_);
}

void tray_icon_c::show_balloon(u16view text)
{
    if (!present_) return;
    data_.uFlags = NIF_INFO;
    copy_field(reinterpret_cast<char16_t*>(data_.szInfo), std::size(data_.szInfo), text);
    copy_field(reinterpret_cast<char16_t*>(data_.szInfoTitle), std::size(data_.szInfoTitle), program_title);
    data_.dwInfoFlags = NIIF_INFO;
    data_.uTimeout = 0xFFFFFFFF;
    Shell_NotifyIconW(NIM_MODIFY, &data_);
}

void tray_icon_c::remove()
{
    wanted_ = false;
    if (!present_) return;
    data_.uFlags = 0;
    Shell_NotifyIconW(NIM_DELETE, &data_);
    present_ = false;
}

} // namespace tdu
