#include "common/ansi_text.h"

#include <atomic>

namespace tdu {
namespace {

// Windows-1252 bytes 0x80 to 0x9F. The five bytes the code page leaves
// undefined map to the C1 control of the same value, as Windows maps them.
constexpr char16_t cp1252_high[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t cp1252_to_unit(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? cp1252_high[byte - 0x80] : static_cast<char16_t>(byte);
}

class windows_1252_c final : public code_page_c {
public:
    u16 to_utf16(std::string_view text) const override
    {
        u16 out(text.size(), u'\0');
        for (size_t i = 0; i < text.size(); ++i) out[i] = cp1252_to_unit(static_cast<unsigned char>(text[i]));
        return out;
    }
    std::string from_utf16(u16view text) const override
    {
        std::string out(text.size(), '?');
        for (size_t i = 0; i < text.size(); ++i) {
            char16_t u = text[i];
            if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
                out[i] = static_cast<char>(u);
                continue;
            }
            for (int b = 0; b < 32; ++b)
                if (cp1252_high[b] == u) out[i] = static_cast<char>(0x80 + b);
        }
        return out;
    }
};

std::atomic<const code_page_c*> chosen_code_page{nullptr};

} // namespace

const code_page_c& windows_1252_code_page()
{
    static const windows_1252_c table;
    return table;
}

const code_page_c& thread_ansi_code_page()
{
    const code_page_c* chosen = chosen_code_page.load();
    return chosen ? *chosen : platform_ansi_code_page();
}

void use_ansi_code_page(const code_page_c* code_page)
{
    chosen_code_page.store(code_page);
}

} // namespace tdu
