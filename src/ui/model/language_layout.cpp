#include "ui/model/language_layout.h"

#include <iterator>

namespace tdu {

namespace {

language_layout_t row(const char* code) { return language_layout_t{code}; }

// One row per interface language; a field not set keeps the English value.
const language_layout_t* make_rows(size_t* count)
{
    static const language_layout_t rows[] = {
        row("en"),
        [] {
            language_layout_t l = row("de");
            l.nav_labels_regular = true;
            l.results_small_score_title = true;
            return l;
        }(),
        [] {
            language_layout_t l = row("fr");
            l.home_small_step_labels = true;
            l.home_long_side_bar_labels = true;
            l.scan_long_side_bar_labels = true;
            l.kind_selector_extra_left = 30;
            l.row_state_text_extra_left = 10;
            l.settings_long_labels = true;
            return l;
        }(),
        [] {
            language_layout_t l = row("es");
            l.nav_labels_regular = true;
            l.home_small_step_labels = true;
            l.results_small_header = true;
            l.kind_selector_extra_left = 30;
            l.settings_long_labels = true;
            return l;
        }(),
        [] {
            language_layout_t l = row("it");
            l.nav_labels_regular = true;
            l.home_small_step_labels = true;
            l.home_small_side_bar_title = true;
            l.results_small_header = true;
            return l;
        }(),
        [] {
            language_layout_t l = row("pt");
            l.nav_labels_regular = true;
            l.home_small_side_bar_title = true;
            l.kind_selector_extra_left = 30;
            l.settings_long_labels = true;
            return l;
        }(),
        [] {
            language_layout_t l = row("nl");
            l.home_long_side_bar_labels = true;
            l.results_small_header = true;
            l.kind_selector_extra_left = 30;
            return l;
        }(),
        row("jp"),
        row("cn"),
        row("hk"),
        row("ar"),
    };
    *count = std::size(rows);
    return rows;
}

} // namespace

const language_layout_t* language_layout_rows(size_t* count) { return make_rows(count); }

const language_layout_t& language_layout(std::string_view code)
{
    size_t count = 0;
    const language_layout_t* rows = make_rows(&count);
    for (size_t i = 0; i < count; ++i)
        if (code == rows[i].code) return rows[i];
    return rows[0];
}

} // namespace tdu
