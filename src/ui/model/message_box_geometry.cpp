#include "ui/model/message_box_geometry.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace tdu {

namespace mb = message_box_metrics;

namespace {

// The box of window width `width` around the text laid out at that width.
message_box_geometry_t box_at_width(const message_box_layout_t& layout, u16view text, text_measure_i& measure,
                                    int width, int frame_width, int frame_height)
{
    message_box_geometry_t g;
    g.width = width;
    const int client_width = width - frame_width;
    const int right_margin = (mb::base_width - frame_width) - mb::base_text_right;
    const int base_client_height = mb::base_height - frame_height;
    g.text = {mb::text_left, mb::text_top, client_width - right_margin, mb::base_strip_top - mb::text_to_strip};

    wrap_layout_t lines = wrap_text_layout(text, g.text.left, g.text.top, g.text.right, g.text.bottom, mb::line_gap,
                                           true, measure);
    g.text_bottom = lines.lines.empty() ? g.text.top : lines.bottom;
    if (g.text_bottom > g.text.bottom) {
        // A longer text pushes the strip down and the box grows below it.
        g.text.bottom = g.text_bottom;
        g.strip_top = g.text_bottom + mb::text_to_strip;
        g.height = std::max(mb::base_height, g.strip_top + mb::strip_height + frame_height);
    } else {
        g.strip_top = mb::base_strip_top;
        g.height = std::max(mb::base_height, base_client_height + frame_height);
    }

    // The buttons keep their places relative to the box's middle and their
    // distance below the strip's top.
    const int shift = (width - mb::base_width) / 2;
    const int below_strip = layout.first_y - mb::base_strip_top;
    g.first_x = layout.first_x + shift;
    g.first_y = g.strip_top + below_strip;
    if (layout.buttons == 2) {
        g.second_x = layout.second_x + shift;
        g.second_y = g.strip_top + (layout.second_y - mb::base_strip_top);
    }
    return g;
}

} // namespace

message_box_geometry_t message_box_geometry(const message_box_layout_t& layout, u16view text,
                                            text_measure_i& measure, int frame_width, int frame_height,
                                            int work_width, int work_height)
{
    const int max_width = std::max(mb::base_width, work_width * 3 / 5);
    const int max_height = std::max(mb::base_height, work_height * 2 / 3);

    std::vector<int> widths;
    for (int w = mb::base_width; w < max_width; w += mb::width_step) widths.push_back(w);
    widths.push_back(max_width);

    std::optional<message_box_geometry_t> fitting;  // the narrowest box whose height is allowed
    message_box_geometry_t last;
    for (int w : widths) {
        last = box_at_width(layout, text, measure, w, frame_width, frame_height);
        if (last.height <= last.width && last.height <= max_height) return last;
        if (!fitting && last.height <= max_height) fitting = last;
    }
    if (fitting) return *fitting;

    // Even the largest box is too short: the text is cut at its bottom.
    message_box_geometry_t g = last;
    const int strip_top = max_height - frame_height - mb::strip_height;
    const int moved = g.strip_top - strip_top;
    g.height = max_height;
    g.strip_top = strip_top;
    g.text.bottom = strip_top - mb::text_to_strip;
    g.first_y -= moved;
    if (layout.buttons == 2) g.second_y -= moved;
    g.whole = false;
    return g;
}

} // namespace tdu
