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

marquee_span_t marquee_span(int32_t width, int64_t step)
{
    if (width <= 0) return {};
    const int64_t block = std::max<int64_t>(width / 4, 1);
    const int64_t travel = int64_t{width} + block;  // from just outside on the left to just outside on the right
    int64_t at = step % marquee_steps;
    if (at < 0) at += marquee_steps;
    const int64_t left = at * travel / marquee_steps - block;
    marquee_span_t span;
    span.left = static_cast<int32_t>(std::clamp<int64_t>(left, 0, width));
    span.right = static_cast<int32_t>(std::clamp<int64_t>(left + block, 0, width));
    return span;
}

} // namespace tdu
