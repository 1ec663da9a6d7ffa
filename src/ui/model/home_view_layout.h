#pragma once
// The home view's arithmetic, free of any window: where the step picture,
// its labels, the scan button and the banner sit, and what the scan button does with the mouse.
#include "ui/model/layout_rect.h"

#include <cstdint>

namespace tdu {

struct home_layout_t {
    layout_rect_t step_picture;   // 470 by 70
    int32_t step_label_x[3] = {};  // "home_scan_for_drivers", "home_download", "home_install"
    int32_t step_label_y = 0;
    // The width a label may take: up to the next step's number (26 pixels
    // before its label), the last up to 4 pixels before the picture's end.
    int32_t step_label_room[3] = {};
    layout_rect_t scan_button;    // 450 by 120, also its hit rectangle
    layout_rect_t banner;         // 520 by 100
    layout_rect_t automatic_icon; // 24 by 24, and its line's text at (40, bottom - 133)
    int32_t automatic_text_y = 0;
    layout_rect_t separator;      // above the banner, across the area left of the side bar
};

// The focus rectangle lies this far inside the scan button's picture.
constexpr int32_t home_focus_inset = 10;

// For a client area of `width` by `height`: everything centred in the area
// left of the 250-pixel side bar, around b = (height - 150) / 2.
home_layout_t home_layout(int32_t width, int32_t height);

// The scan button: 0 normal, 1 hover, 2 pressed. A release over the button
// starts a scan only when the press happened there too.
enum class pointer_event { move, down, up };
struct home_button_outcome_t {
    bool redraw = false;
    bool start_scan = false;
};
home_button_outcome_t home_button_event(int32_t& state, pointer_event event, bool over_button);

// The scan button with the keyboard while the home view has the focus, as a
// push button takes it: Enter starts a scan at once; Space presses the
// button and its release starts the scan; a release without the press does
// nothing. Any of these keys and Tab make the focus show (it stays hidden
// until the keyboard is used, unless the system shows it always).
enum class button_key { enter_down, space_down, space_up, tab_down, other };
struct home_key_outcome_t {
    bool redraw = false;
    bool start_scan = false;
};
home_key_outcome_t home_button_key(int32_t& state, bool& focus_shown, button_key key);

} // namespace tdu
