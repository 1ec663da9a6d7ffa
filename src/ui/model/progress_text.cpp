#include "ui/model/progress_text.h"

#include "system/byte_size.h"

#include <algorithm>
#include <cstdio>

namespace tdu {

namespace {

constexpr size_t size_text_chars = 31;

u16 cut(u16 text)
{
    if (text.size() > size_text_chars) text.resize(size_text_chars);
    return text;
}

} // namespace

u16 percent_text(float fraction)
{
    float held = std::clamp(fraction, 0.0f, 1.0f);
    int whole = static_cast<int>(held * 100.0f);
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%d%%", whole);
    return ascii_to_utf16(buffer);
}

void row_progress_t::set_expected(int32_t size)
{
    expected_size = size;
    expected_text = cut(format_byte_size(size));
}

void row_progress_t::set_bytes_done(int32_t bytes)
{
    bytes_done = bytes;
    if (expected_size > 0) {
        fraction = std::clamp(static_cast<float>(bytes) / static_cast<float>(expected_size), 0.0f, 1.0f);
    }
    done_text = cut(format_byte_size(bytes));
}

u16 row_progress_t::text() const
{
    if (bytes_done > 0 && bytes_done != expected_size) return done_text + u"/" + expected_text;
    return expected_text;
}

} // namespace tdu
