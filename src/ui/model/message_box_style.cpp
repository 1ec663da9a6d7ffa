#include "ui/model/message_box_style.h"

namespace tdu {

message_box_layout_t message_box_layout(unsigned style)
{
    message_box_layout_t layout;
    switch (style) {
    case message_information: layout.icon_bitmap = 353; break;
    case message_warning: layout.icon_bitmap = 352; break;
    case message_error: layout.icon_bitmap = 351; break;
    case message_yes_no:
    case message_retry_cancel:
        layout.icon_bitmap = style == message_yes_no ? 354 : 351;
        layout.buttons = 2;
        layout.first_key = style == message_yes_no ? lang::btn_yes : lang::btn_retry;
        layout.second_key = style == message_yes_no ? lang::btn_no : lang::btn_cancel;
        // The agreeing button on the right, the other on the left.
        layout.first_x = 180;
        layout.second_x = 50;
        layout.second_y = 136;
        break;
    default: layout.icon_bitmap = 0; break;
    }
    return layout;
}

} // namespace tdu
