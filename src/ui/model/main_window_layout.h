#pragma once
// The main window's caption band, free of any window: the navigation
// buttons on the left, the caption buttons and the logo measured from the
// right edge.
#include "ui/model/layout_rect.h"

#include <cstdint>

namespace tdu {

constexpr int32_t main_window_min_width = 800;
constexpr int32_t main_window_min_height = 600;
constexpr int32_t main_band_height = 100;

// Navigation button i (0 home .. 4 settings) in window coordinates: 83
// pixels wide, from 23 to 90 pixels below the top frame edge.
layout_rect_t nav_button_rect(int index, int32_t frame_x, int32_t frame_y);

// Caption button i (0 close, 1 maximise, 2 minimise, 3 drop-down) as a
// rectangle measured from the window's right edge (left and right are
// distances from it): 30 by 21 at the top frame edge, each 30 pixels
// further left.
layout_rect_t caption_button_rect(int index, int32_t frame_x, int32_t frame_y);

// The logo (184 by 50), measured from the right edge the same way: 20
// pixels in from the right frame edge, 40 below the top frame edge.
layout_rect_t logo_rect(int32_t frame_x, int32_t frame_y);

} // namespace tdu
