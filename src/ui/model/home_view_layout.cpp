#include "ui/model/home_view_layout.h"

#include "ui/model/button_state.h"
#include "ui/model/scan_view_layout.h"

namespace tdu {

home_layout_t home_layout(int32_t width, int32_t height)
{
    home_layout_t l;
    int32_t area = width - side_bar_width;
    int32_t a = area / 2 - 235;
    int32_t b = (height - 150) / 2;
    l.step_picture = {a, b - 90, a + 470, b - 20};
    l.step_label_x[0] = a + 26;
    l.step_label_x[1] = a + 226;
    l.step_label_x[2] = a + 399;
    l.step_label_y = b - 65;
    l.step_label_room[0] = l.step_label_x[1] - 26 - l.step_label_x[0];
    l.step_label_room[1] = l.step_label_x[2] - 26 - l.step_label_x[1];
    l.step_label_room[2] = l.step_picture.right - 4 - l.step_label_x[2];
    l.scan_button = {area / 2 - 225, b, area / 2 + 225, b + 120};
    l.banner = {10, height - 110, 530, height - 10};
    l.automatic_icon = {10, height - 135, 34, height - 111};
    l.automatic_text_y = height - 133;
    l.separator = {10, height - 155, width - 260, height - 153};
    return l;
}

home_button_outcome_t home_button_event(int32_t& state, pointer_event event, bool over_button)
{
    // The one pointer rule of every owner-drawn button.
    home_button_outcome_t out;
    int s = state;
    switch (event) {
    case pointer_event::move:
        out.redraw = button_single_move(s, over_button);
        break;
    case pointer_event::down:
        out.redraw = button_single_down(s, over_button);
        break;
    case pointer_event::up:
        out.redraw = button_single_up(s, over_button, out.start_scan);
        break;
    }
    state = s;
    return out;
}

home_key_outcome_t home_button_key(int32_t& state, bool& focus_shown, button_key key)
{
    home_key_outcome_t out;
    if (key == button_key::other) return out;
    if (!focus_shown) {
        focus_shown = true;
        out.redraw = true;
    }
    switch (key) {
    case button_key::enter_down:
        out.start_scan = true;
        break;
    case button_key::space_down:
        if (state != 2) {
            state = 2;
            out.redraw = true;
        }
        break;
    case button_key::space_up:
        if (state == 2) {
            state = 0;
            out.redraw = true;
            out.start_scan = true;
        }
        break;
    case button_key::tab_down:
    case button_key::other:
        break;
    }
    return out;
}

} // namespace tdu
