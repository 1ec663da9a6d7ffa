#include "offers/code_page.h"

namespace tdu::offers {

unsigned ansi_code_page_for_oem(unsigned oem)
{
    switch (oem) {
    case 437: case 850: case 858: case 860: case 861: case 863: case 865: return 1252;
    case 852: return 1250;
    case 855: case 866: return 1251;
    case 737: case 869: return 1253;
    case 857: return 1254;
    case 862: return 1255;
    case 720: case 864: return 1256;
    case 775: return 1257;
    case 874: return 874;
    case 932: return 932;
    case 936: return 936;
    case 949: return 949;
    case 950: return 950;
    default: return 1252;
    }
}

std::string iconv_name(unsigned code_page)
{
    switch (code_page) {
    case 932: return "CP932";
    case 936: return "GBK";
    case 949: return "CP949";
    case 950: return "BIG5";
    case 874: return "CP874";
    default: return "CP" + std::to_string(code_page);
    }
}

namespace {

// ASCII reads the same in every code page the service meets, and most texts
// are ASCII: they need no converter.
bool is_ascii(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

} // namespace

std::string ansi_to_utf8(std::string_view text, unsigned code_page)
{
    if (is_ascii(text)) return std::string(text);
    std::string out;
    if (!convert_text(text, iconv_name(code_page).c_str(), "UTF-8", "\xEF\xBF\xBD", out))
        convert_text(text, "CP1252", "UTF-8", "\xEF\xBF\xBD", out);
    return out;
}

std::string utf8_to_ansi(std::string_view text, unsigned code_page)
{
    if (is_ascii(text)) return std::string(text);
    std::string out;
    if (!convert_text(text, "UTF-8", iconv_name(code_page).c_str(), "?", out))
        convert_text(text, "UTF-8", "CP1252", "?", out);
    return out;
}

bool is_valid_utf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        auto c = static_cast<unsigned char>(text[i]);
        size_t n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (n == 9 || (n == 1 && c < 0xC2)) return false;
        if (n > 0 && i + n >= text.size()) return false;
        for (size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += n + 1;
    }
    return true;
}

} // namespace tdu::offers
