#include "common/text.h"

#include <algorithm>

namespace tdu {

size_t copy_field(char16_t* dst, size_t capacity, u16view src)
{
    if (capacity == 0) return 0;
    size_t n = std::min(src.size(), capacity - 1);
    std::copy_n(src.data(), n, dst);
    dst[n] = 0;
    return n;
}

size_t copy_field(char* dst, size_t capacity, std::string_view src)
{
    if (capacity == 0) return 0;
    size_t n = std::min(src.size(), capacity - 1);
    std::copy_n(src.data(), n, dst);
    dst[n] = 0;
    return n;
}

size_t u16_length(const char16_t* s)
{
    size_t n = 0;
    while (s[n]) ++n;
    return n;
}

namespace {

// The length of the sequence a lead byte starts, and the range its second
// byte must lie in (narrower than 80..BF where a wider one would allow an
// overlong form, a surrogate or a value past U+10FFFF); 0 for a byte that
// starts no sequence.
struct utf8_lead_t {
    size_t length;
    unsigned char second_low, second_high;
};

utf8_lead_t utf8_lead(unsigned char c)
{
    if (c < 0x80) return {1, 0, 0};
    if (c >= 0xC2 && c <= 0xDF) return {2, 0x80, 0xBF};
    if (c == 0xE0) return {3, 0xA0, 0xBF};
    if (c == 0xED) return {3, 0x80, 0x9F};
    if (c >= 0xE1 && c <= 0xEF) return {3, 0x80, 0xBF};
    if (c == 0xF0) return {4, 0x90, 0xBF};
    if (c >= 0xF1 && c <= 0xF3) return {4, 0x80, 0xBF};
    if (c == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

} // namespace

u16 utf8_to_utf16(std::string_view s)
{
    // Each bad stretch becomes one U+FFFD and decoding goes on after it, as
    // MultiByteToWideChar does: a byte that starts no sequence is one
    // stretch; so is the longest start of a sequence that breaks off (at a
    // byte that cannot come next, or at the end of the text), and the byte
    // it broke off at is decoded afresh.
    u16 out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const utf8_lead_t lead = utf8_lead(c);
        if (lead.length == 1) {
            out.push_back(c);
            ++i;
            continue;
        }
        size_t good = 1;  // bytes of the sequence so far that are in place
        char32_t cp = c & (0x7F >> lead.length);
        while (lead.length != 0 && good < lead.length && i + good < s.size()) {
            const unsigned char next = static_cast<unsigned char>(s[i + good]);
            const unsigned char low = good == 1 ? lead.second_low : 0x80;
            const unsigned char high = good == 1 ? lead.second_high : 0xBF;
            if (next < low || next > high) break;
            cp = (cp << 6) | (next & 0x3F);
            ++good;
        }
        if (lead.length == 0 || good < lead.length) {
            out.push_back(0xFFFD);
            i += good;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += lead.length;
    }
    return out;
}

std::string utf16_to_utf8(u16view s)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

u16 ascii_to_utf16(std::string_view s)
{
    return u16(s.begin(), s.end());
}

bool equals_ignore_case_ascii(u16view a, u16view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char16_t>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char16_t>(y + 32);
        if (x != y) return false;
    }
    return true;
}

} // namespace tdu
