// The native ANSI code page: Windows-1252. Bytes 0x80 to 0x9F carry the
// typographic characters of that page; the five it leaves undefined map to
// the control characters of the same value, as Windows maps them.
#include "common/code_page.h"

namespace tdu {
namespace {

const char16_t high_row[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

u16 ansi_to_utf16(std::string_view text)
{
    u16 out;
    out.reserve(text.size());
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        out.push_back(c >= 0x80 && c < 0xA0 ? high_row[c - 0x80] : static_cast<char16_t>(c));
    }
    return out;
}

std::string utf16_to_ansi(u16view text)
{
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        char mapped = '?';
        for (int i = 0; i < 32; ++i) {
            if (high_row[i] == c) {
                mapped = static_cast<char>(0x80 + i);
                break;
            }
        }
        out.push_back(mapped);
    }
    return out;
}

} // namespace tdu
