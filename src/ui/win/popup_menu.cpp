#include "ui/win/popup_menu.h"

#include "ui/model/main_window_state.h"

namespace tdu {

int popup_menu_x(POINT screen)
{
    if (MonitorFromPoint(screen, MONITOR_DEFAULTTONULL)) return screen.x;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromPoint(screen, MONITOR_DEFAULTTONEAREST), &info);
    return clamp_menu_x(screen.x, false, info.rcWork.left, info.rcWork.right);
}

} // namespace tdu
