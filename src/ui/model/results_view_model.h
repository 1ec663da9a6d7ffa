#pragma once
// The results view's decisions that need no window: the header's text and
// number, a row's height and the places of its parts, the date line and the
// progress box of a row, and the side bar's legend values. The window code
// measures fonts and draws; these functions say what and where.
#include "app/language_keys.h"
#include "common/text.h"
#include "devices/device.h"
#include "devices/offer_grouping.h"
#include "service/offer_ranking.h"

#include <cstdint>

namespace tdu {

// The header above the rows: which text, and whether the number of
// out-of-date drivers follows it (in yellow). None out of date says so
// without a number; one to eight say that some were found, nine and more
// name their number.
struct results_header_t {
    language_key_t key;
    bool shows_number;
};
results_header_t results_header(int32_t out_of_date);

// The date line under a device's name: "download_date1" (installed date,
// offered date) when the installed driver is older by text order,
// "download_date3" (installed date only) when the offer carries no date
// ("0000-00-00"), else "download_date2" (both dates).
struct date_line_t {
    language_key_t key;
    int arguments;  // 2: installed then offered date; 1: installed date only
};
date_line_t date_line(u16view installed_date, u16view offered_date);

// The progress box's text from the size texts: the expected size alone, or
// "<done>/<expected>" while a download has bytes but not all of them; at
// most 31 characters.
u16 progress_box_text(u16view expected_text, u16view done_text, uint32_t bytes_done, uint32_t expected_size);

// A row's height for `devices` devices with the measured line heights of
// the class line (Verdana 9 pt bold) and of a device line (Arial 8 pt).
int32_t row_height(int32_t class_line, int32_t device_line, int32_t devices);

// Where the parts of a row of `width` pixels and `devices` devices lie.
struct row_rect_t {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
};
struct row_layout_t {
    int32_t name_top(int32_t device) const;       // a device's name line
    int32_t date_top(int32_t device) const;       // its date line
    int32_t bottom_line = 0;                      // WHQL mark, progress box, state text
    row_rect_t button;                            // the row button's hit box
    row_rect_t tick;                              // the tick box
    row_rect_t progress;                          // the progress box
    int32_t state_text_left = 0;
    int32_t class_line = 0, device_line = 0;
};
// The state text starts `state_text_extra_left` pixels further left for a
// language with longer words (the language's layout row says how many).
row_layout_t row_layout(int32_t width, int32_t class_line, int32_t device_line, int32_t devices,
                        int32_t state_text_extra_left);

// The legend beside the pie chart: out of date, no driver, up to date and
// the examined total, in that order, each with its icon and text key.
struct legend_entry_t {
    language_key_t key;
    int32_t value;
};
struct legend_t {
    legend_entry_t entries[4];
};
legend_t results_legend(const offer_counts_t& counts, int32_t examined);

// The score's colour: red below 70, else green.
bool score_is_low(int32_t score);

// The status icon beside each device of a row: the device's own state
// (device_offer_state) by the kind of offer the row shows (the group's
// `mode`), so the icons agree with the legend's counts; a device of a row
// always has an offer of that kind.
enum class row_icon_t { no_driver, up_to_date, out_of_date };
row_icon_t device_status_icon(const device_t& device, int32_t mode);

// The best/latest selector above the list, left of the 250-pixel side bar
// in a view `width` pixels wide: the two radio buttons' places. Each keeps
// its usual place (best 110, latest 80 pixels wide, each `extra_left` more
// and starting that much further left for a language with long labels) and
// grows leftwards
// when its label (`*_text` pixels, the radio circle included) needs more,
// so that a long label is never cut; latest keeps its right edge.
struct kind_selector_t {
    row_rect_t best, latest;
};
kind_selector_t kind_selector(int32_t width, int32_t best_text, int32_t latest_text, int32_t extra_left);

} // namespace tdu
