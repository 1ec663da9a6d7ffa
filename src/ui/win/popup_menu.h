#pragma once
// Where a popup menu opens: at the point, unless the point lies on no
// monitor (a tray icon's or a window's point past the screen's edge); its x
// is then held to the nearest monitor's work area.
#include <windows.h>

namespace tdu {

int popup_menu_x(POINT screen);

} // namespace tdu
