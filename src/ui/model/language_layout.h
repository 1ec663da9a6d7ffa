#pragma once
// The sizes and offsets that differ by interface language, as one table of
// data: a view reads the row of the current language instead of comparing
// language codes. These are the usual places; measuring the text (the
// skin's first_fitting_font, a selector growing to its label) stays the
// guard against a cut text on top of them.
#include <cstdint>
#include <string_view>

namespace tdu {

struct language_layout_t {
    const char* code = "en";
    // The caption band's navigation labels in the regular 8-point face (the
    // bold one is too wide for their long words).
    bool nav_labels_regular = false;
    // The home view: the step labels and the side bar's title one size
    // smaller, and the side bar's label column wider.
    bool home_small_step_labels = false;
    bool home_small_side_bar_title = false;
    bool home_long_side_bar_labels = false;
    // The scan view's side bar: the wider label column.
    bool scan_long_side_bar_labels = false;
    // The results view: the header's smaller font, the score's title in the
    // 8-point face, the best/latest selector starting this many pixels
    // further left, and a row's state text this many pixels further left.
    bool results_small_header = false;
    bool results_small_score_title = false;
    int32_t kind_selector_extra_left = 0;
    int32_t row_state_text_extra_left = 0;
    // The settings dialog: the divider moves right for the long left-column
    // labels.
    bool settings_long_labels = false;
};

// The row of `code` ("de", "fr", "jp", ...); a code the table does not hold
// gets the English row.
const language_layout_t& language_layout(std::string_view code);

// The codes the table holds, English first.
const language_layout_t* language_layout_rows(size_t* count);

} // namespace tdu
