#pragma once
// The scan view's arithmetic and texts, free of any window: where the block
// of five status lines sits, the start and elapsed times, the dots behind
// the waiting texts, the waiting box and the progress bar's fraction.
#include "common/text.h"
#include "ui/model/layout_rect.h"

#include <cstdint>
#include <functional>

namespace tdu {

struct language_table_t;
struct scan_progress_t;


// Every view leaves a side bar of this width on its right.
constexpr int32_t side_bar_width = 250;

// The block of status lines for a client area of `client_width` by
// `client_height`, when the widest status text ("scan_status2" in Verdana
// 9 pt bold) measures `text_width` by `line_height`: five lines with 10
// pixels between them, centred vertically; horizontally the middle two
// thirds of the area left of the side bar, or the text's own width centred
// there when it is wider than those two thirds.
layout_rect_t scan_text_block(int32_t client_width, int32_t client_height, int32_t text_width, int32_t line_height);

// Line i (1 to 5) of the block, and the light band behind lines 1, 3 and 5.
layout_rect_t scan_line_rect(const layout_rect_t& block, int32_t line_height, int line);
layout_rect_t scan_line_band(const layout_rect_t& line);

// The box that says the update service is being asked, below line 5.
layout_rect_t scan_waiting_box(int32_t client_width, int32_t client_height, const layout_rect_t& line5);

// "." ".." "..." by the second.
u16 dot_suffix(int64_t now_seconds);

// "%H:%M:%S" of a broken-down time.
u16 clock_text(int hour, int minute, int second);
// The time since `start`, wrapping at 24 hours; a clock set back before the
// start reads 00:00:00.
u16 elapsed_text(int64_t start_seconds, int64_t now_seconds);

// The five status lines, label and value: start time (as local time, given
// broken down), elapsed time, status, devices examined, device being
// examined.
struct scan_lines_t {
    u16 lines[5];
};
scan_lines_t scan_status_lines(const language_table_t& language, int32_t phase, const u16& start_clock,
                               int64_t start_seconds, int64_t now_seconds, int32_t processed,
                               const u16& current_name);

// The fifth line while a local driver folder gives the offers: "Drivers
// from FOLDER: DONE of TOTAL packages read" (scan_driver_folder).
u16 driver_folder_line(const language_table_t& language, const u16& folder, int32_t done, int32_t total);

// The same line within `max_width` as `width` measures text: when the whole
// path does not fit, its middle folders give way to "..." ("C:\...\stick"),
// from the first on, so the counts stay in sight; at the least the last
// folder's name is kept ("...\stick"), whatever then still overflows.
u16 fitting_driver_folder_line(const language_table_t& language, const u16& folder, int32_t done, int32_t total,
                               const std::function<int(const u16&)>& width, int max_width);

// The progress bar's fraction: processed of total, 0 while the total is 0
// (and never more than 1).
float scan_fraction(int32_t processed, int32_t total);

// The left edge of the side bar's value column: 72 pixels into the side bar
// for the languages whose labels are long, 55 otherwise.
int32_t side_bar_value_left(int32_t client_width, bool long_labels);

} // namespace tdu
