#include "ui/model/main_window_layout.h"

namespace tdu {

layout_rect_t nav_button_rect(int index, int32_t frame_x, int32_t frame_y)
{
    int32_t left = frame_x + 10 + 82 * index;
    return {left, frame_y + 23, left + 83, frame_y + 90};
}

layout_rect_t caption_button_rect(int index, int32_t frame_x, int32_t frame_y)
{
    int32_t from_right = frame_x + 30 * index;
    return {from_right, frame_y, from_right + 30, frame_y + 21};
}

layout_rect_t logo_rect(int32_t frame_x, int32_t frame_y)
{
    return {frame_x + 20, frame_y + 40, frame_x + 20 + 184, frame_y + 40 + 50};
}

} // namespace tdu
