#include "common/ignore_case.h"

namespace tdu {

char16_t upper_case_unit(char16_t c)
{
    auto shift = [](char16_t x, int by) { return static_cast<char16_t>(x + by); };
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? shift(c, -32) : c;
    // Latin-1: à..þ except the division sign; ÿ has its capital in Extended-A.
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return shift(c, -0x20);
    if (c == 0xFF) return 0x178;
    // Latin Extended-A: capital and small letters alternate; the pairs start
    // on an even unit except in 0139..0148 and 0179..017E. Dotless i, the
    // ligature ij's neighbours and long s have no simple pair and stay.
    if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return (c & 1) ? shift(c, -1) : c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : shift(c, -1);
    // Greek: the accented small vowels first, then α..ω without final sigma.
    if (c == 0x3AC) return 0x386;
    if (c >= 0x3AD && c <= 0x3AF) return shift(c, -0x25);
    if (c == 0x3CC) return 0x38C;
    if (c == 0x3CD || c == 0x3CE) return shift(c, -0x3F);
    if ((c >= 0x3B1 && c <= 0x3C1) || (c >= 0x3C3 && c <= 0x3CB)) return shift(c, -0x20);
    // Cyrillic: а..я, then ѐ..џ.
    if (c >= 0x430 && c <= 0x44F) return shift(c, -0x20);
    if (c >= 0x450 && c <= 0x45F) return shift(c, -0x50);
    // Full-width Latin small letters.
    if (c >= 0xFF41 && c <= 0xFF5A) return shift(c, -0x20);
    return c;
}

u16 upper_case(u16view s)
{
    u16 out(s);
    for (auto& c : out) c = upper_case_unit(c);
    return out;
}

bool equals_ignore_case(u16view a, u16view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upper_case_unit(a[i]) != upper_case_unit(b[i])) return false;
    return true;
}

} // namespace tdu
