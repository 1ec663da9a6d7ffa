#pragma once
// The resource numbers the main window loads, for C++.
#include "ui/resources/dialog_ids.h"

namespace tdu {

constexpr int menu_resource_id = IDR_MAIN_MENU;
constexpr int about_dialog_id = IDD_ABOUT;
// Icon group 128 is the program's icon, 373 the tray's attention icon.
constexpr int app_icon_id = 128;
constexpr int attention_icon_id = 373;

} // namespace tdu
