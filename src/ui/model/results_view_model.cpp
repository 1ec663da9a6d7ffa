#include "ui/model/results_view_model.h"

namespace tdu {

results_header_t results_header(int32_t out_of_date)
{
    if (out_of_date <= 0) return {lang::download_new_drivers_found3, false};
    if (out_of_date <= 8) return {lang::download_new_drivers_found1, false};
    return {lang::download_new_drivers_found2, true};
}

date_line_t date_line(u16view installed_date, u16view offered_date)
{
    // Both dates are year-month-day texts, so text order is date order; an
    // empty installed date (no driver) sorts before any offered one.
    if (installed_date < offered_date) return {lang::download_date1, 2};
    if (offered_date == u"0000-00-00") return {lang::download_date3, 1};
    return {lang::download_date2, 2};
}

u16 progress_box_text(u16view expected_text, u16view done_text, uint32_t bytes_done, uint32_t expected_size)
{
    u16 text;
    if (bytes_done > 0 && bytes_done != expected_size) {
        text.assign(done_text);
        text.push_back(u'/');
        text.append(expected_text);
    } else {
        text.assign(expected_text);
    }
    if (text.size() > 31) text.resize(31);
    return text;
}

int32_t row_height(int32_t class_line, int32_t device_line, int32_t devices)
{
    return class_line + device_line * (2 * devices + 1) + 16 * devices + 24;
}

int32_t row_layout_t::name_top(int32_t device) const
{
    return class_line + 2 * device * (device_line + 8) + 16;
}

int32_t row_layout_t::date_top(int32_t device) const
{
    return name_top(device) + device_line + 8;
}

row_layout_t row_layout(int32_t width, int32_t class_line, int32_t device_line, int32_t devices,
                        int32_t state_text_extra_left)
{
    row_layout_t l;
    l.class_line = class_line;
    l.device_line = device_line;
    int32_t lines = class_line + 2 * devices * (device_line + 8);
    l.bottom_line = lines + 16;
    l.button = {width - 100, lines + 8, width - 20, lines + 30};
    l.tick = {10, lines + 16, 23, lines + 29};
    l.progress = {width - 430, l.bottom_line, width - 280, l.bottom_line + 13};
    l.state_text_left = width - 250 - state_text_extra_left;
    return l;
}

legend_t results_legend(const offer_counts_t& counts, int32_t examined)
{
    return {{{lang::sidebar_out_of_date, counts.out_of_date},
             {lang::sidebar_no_driver, counts.no_driver},
             {lang::sidebar_up_to_date, counts.up_to_date},
             {lang::sidebar_total, examined}}};
}

bool score_is_low(int32_t score)
{
    return score < 70;
}

row_icon_t device_status_icon(const device_t& device, int32_t mode)
{
    switch (device_offer_state(device, mode == grouping_by_latest_offer)) {
    case device_state_t::out_of_date: return row_icon_t::out_of_date;
    case device_state_t::no_driver: return row_icon_t::no_driver;
    case device_state_t::up_to_date:
    case device_state_t::none: break;
    }
    return row_icon_t::up_to_date;
}

kind_selector_t kind_selector(int32_t width, int32_t best_text, int32_t latest_text, int32_t extra_left)
{
    kind_selector_t k;
    k.latest = {width - 340 - extra_left, 45, width - 260, 65};
    if (k.latest.right - k.latest.left < latest_text) k.latest.left = k.latest.right - latest_text;
    k.best = {width - 460 - extra_left, 45, width - 350, 65};
    // Best ends 10 pixels before latest begins.
    int32_t shift = k.best.right - (k.latest.left - 10);
    if (shift > 0) {
        k.best.left -= shift;
        k.best.right -= shift;
    }
    if (k.best.right - k.best.left < best_text) k.best.left = k.best.right - best_text;
    return k;
}

} // namespace tdu
