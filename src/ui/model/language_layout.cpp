#include "ui/model/language_layout.h"

#include <vector>

namespace tdu {

namespace {

enum layout_flag : uint32_t {
    nav_regular = 1u << 0,
    home_small_steps = 1u << 1,
    home_small_title = 1u << 2,
    home_long_labels = 1u << 3,
    scan_long_labels = 1u << 4,
    results_small_header = 1u << 5,
    results_small_score = 1u << 6,
    settings_long = 1u << 7,
};

struct layout_row_t {
    const char* code;
    uint32_t flags;
    int32_t kind_selector_extra_left;
    int32_t row_state_text_extra_left;
};

// One row per interface language, English first (the row of every code the
// table does not hold).
constexpr layout_row_t layout_rows[] = {
    {"en", 0, 0, 0},
    {"de", nav_regular | results_small_score, 0, 0},
    {"fr", home_small_steps | home_long_labels | scan_long_labels | settings_long, 30, 10},
    {"es", nav_regular | home_small_steps | results_small_header | settings_long, 30, 0},
    {"it", nav_regular | home_small_steps | home_small_title | results_small_header, 0, 0},
    {"pt", nav_regular | home_small_title | settings_long, 30, 0},
    {"nl", home_long_labels | results_small_header, 30, 0},
    {"jp", 0, 0, 0},
    {"cn", 0, 0, 0},
    {"hk", 0, 0, 0},
    {"ar", 0, 0, 0},
};

language_layout_t from_row(const layout_row_t& row)
{
    language_layout_t l;
    l.code = row.code;
    l.nav_labels_regular = (row.flags & nav_regular) != 0;
    l.home_small_step_labels = (row.flags & home_small_steps) != 0;
    l.home_small_side_bar_title = (row.flags & home_small_title) != 0;
    l.home_long_side_bar_labels = (row.flags & home_long_labels) != 0;
    l.scan_long_side_bar_labels = (row.flags & scan_long_labels) != 0;
    l.results_small_header = (row.flags & results_small_header) != 0;
    l.results_small_score_title = (row.flags & results_small_score) != 0;
    l.settings_long_labels = (row.flags & settings_long) != 0;
    l.kind_selector_extra_left = row.kind_selector_extra_left;
    l.row_state_text_extra_left = row.row_state_text_extra_left;
    return l;
}

const std::vector<language_layout_t>& layouts()
{
    static const std::vector<language_layout_t> all = [] {
        std::vector<language_layout_t> out;
        for (const layout_row_t& row : layout_rows) out.push_back(from_row(row));
        return out;
    }();
    return all;
}

} // namespace

const language_layout_t& language_layout(std::string_view code)
{
    for (const language_layout_t& l : layouts())
        if (code == l.code) return l;
    return layouts().front();
}

} // namespace tdu
