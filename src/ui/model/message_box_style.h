#pragma once
// What each style of the program's message box shows: the icon bitmap, one
// or two buttons with their language keys and places.
#include "app/language_keys.h"

namespace tdu {

enum message_box_style_t : unsigned {
    message_information = 0,
    message_warning = 1,
    message_error = 2,
    message_yes_no = 3,
    message_retry_cancel = 4,
};

// The box's results: button 1, button 2, or its caption close button.
enum message_box_result_t : int {
    message_closed = 0,
    message_first = 1,
    message_second = 2,
};

struct message_box_layout_t {
    int icon_bitmap = 0;  // 0: no icon
    int buttons = 1;      // 1 or 2
    language_key_t first_key = lang::btn_ok;
    language_key_t second_key = lang::btn_cancel;  // shown only with two buttons
    int first_x = 115, first_y = 136;
    int second_x = 0, second_y = 0;
};

// A style above 4 shows no icon and one OK button.
message_box_layout_t message_box_layout(unsigned style);

} // namespace tdu
