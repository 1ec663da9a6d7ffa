#include "ui/model/scan_view_layout.h"

#include "app/language.h"
#include "app/language_format.h"
#include "app/language_keys.h"
#include "service/scan_run.h"

#include <cstdio>
#include <vector>

namespace tdu {

layout_rect_t scan_text_block(int32_t client_width, int32_t client_height, int32_t text_width, int32_t line_height)
{
    layout_rect_t block;
    int32_t height = 5 * line_height + 40;
    int32_t area = client_width - side_bar_width;
    if (text_width > 2 * area / 3) {
        block.left = (area - text_width) / 2;
        block.right = block.left + text_width;
    } else {
        block.left = area / 6;
        block.right = 5 * area / 6;
    }
    block.top = (client_height - height) / 2;
    block.bottom = block.top + height;
    return block;
}

layout_rect_t scan_line_rect(const layout_rect_t& block, int32_t line_height, int line)
{
    int32_t top = block.top + (line - 1) * (line_height + 10);
    return layout_rect_t{block.left, top, block.right, top + line_height};
}

layout_rect_t scan_line_band(const layout_rect_t& line)
{
    return layout_rect_t{line.left - 15, line.top - 5, line.right + 15, line.bottom + 5};
}

layout_rect_t scan_waiting_box(int32_t client_width, int32_t client_height, const layout_rect_t& line5)
{
    int32_t a = line5.bottom + 10;
    int32_t top = a + (client_height - a - 60) / 2 - 20;
    int32_t c = (client_width - side_bar_width) / 2;
    return layout_rect_t{c - 100, top, c + 100, top + 40};
}

u16 dot_suffix(int64_t now_seconds)
{
    int64_t n = now_seconds % 3;
    if (n < 0) n += 3;
    return u16(static_cast<size_t>(n) + 1, u'.');
}

u16 clock_text(int hour, int minute, int second)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, minute, second);
    return ascii_to_utf16(text);
}

u16 elapsed_text(int64_t start_seconds, int64_t now_seconds)
{
    int64_t elapsed = now_seconds - start_seconds;
    if (elapsed < 0) elapsed = 0;
    elapsed %= 24 * 3600;
    int s = static_cast<int>(elapsed);
    return clock_text(s / 3600, s / 60 % 60, s % 60);
}

scan_lines_t scan_status_lines(const language_table_t& language, int32_t phase, const u16& start_clock,
                               int64_t start_seconds, int64_t now_seconds, int32_t processed,
                               const u16& current_name)
{
    scan_lines_t out;
    out.lines[0] = language_text(language, lang::scan_start_time) + start_clock;
    out.lines[1] = language_text(language, lang::scan_time_elapsed) + elapsed_text(start_seconds, now_seconds);
    out.lines[2] = scan_status_line(static_cast<scan_phase_t>(phase), now_seconds, language);
    out.lines[3] = language_text(language, lang::scan_items_scanned) + ascii_to_utf16(std::to_string(processed));
    out.lines[4] = language_text(language, lang::scan_item) + current_name;
    // Each line is formatted into a buffer of 1024 characters.
    for (u16& line : out.lines)
        if (line.size() > 1023) line.resize(1023);
    return out;
}

u16 driver_folder_line(const language_table_t& language, const u16& folder, int32_t done, int32_t total)
{
    u16 line = format_language_text(language_text(language, lang::scan_driver_folder),
                                    {folder, ascii_to_utf16(std::to_string(done)), ascii_to_utf16(std::to_string(total))},
                                    1023);
    return line;
}

u16 fitting_driver_folder_line(const language_table_t& language, const u16& folder, int32_t done, int32_t total,
                               const std::function<int(const u16&)>& width, int max_width)
{
    u16 line = driver_folder_line(language, folder, done, total);
    if (width(line) <= max_width) return line;
    // The path's parts between separators; the first (a drive, or empty
    // before a share's "\\") is kept as long as anything before the last is.
    std::vector<u16> parts;
    size_t start = 0;
    for (size_t i = 0; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == u'\\' || folder[i] == u'/') {
            parts.push_back(folder.substr(start, i - start));
            start = i + 1;
        }
    }
    while (parts.size() > 1 && parts.back().empty()) parts.pop_back();  // "E:\drivers\"
    if (parts.size() < 3) return line;
    const size_t last = parts.size() - 1;
    for (size_t from = 2; from <= last; ++from) {
        u16 shorter = parts[0] + u"\\...";
        for (size_t i = from; i <= last; ++i) shorter += u"\\" + parts[i];
        u16 candidate = driver_folder_line(language, shorter, done, total);
        if (width(candidate) <= max_width) return candidate;
    }
    return driver_folder_line(language, u"...\\" + parts[last], done, total);
}

float scan_fraction(int32_t processed, int32_t total)
{
    if (total <= 0 || processed <= 0) return 0.0f;
    if (processed >= total) return 1.0f;
    return static_cast<float>(processed) / static_cast<float>(total);
}

int32_t side_bar_value_left(int32_t client_width, bool long_labels)
{
    return client_width - side_bar_width + (long_labels ? 72 : 55);
}

} // namespace tdu
