#include "app/language_format.h"

#include <string>

namespace tdu {

u16 format_language_text(u16view format, const std::vector<u16>& args, size_t max_chars)
{
    u16 out;
    auto next = args.begin();
    for (size_t i = 0; i < format.size() && out.size() < max_chars; ++i) {
        char16_t c = format[i];
        if (c != u'%' || i + 1 == format.size()) {
            out += c;
            continue;
        }
        char16_t conversion = format[i + 1];
        if (conversion == u'%') {
            out += u'%';
            ++i;
        } else if ((conversion == u'd' || conversion == u'i' || conversion == u'u' || conversion == u's') &&
                   next != args.end()) {
            out += *next++;
            ++i;
        } else {
            out += c;
        }
    }
    if (out.size() > max_chars) out.resize(max_chars);
    return out;
}

u16 decimal_text(int64_t value)
{
    return ascii_to_utf16(std::to_string(value));
}

} // namespace tdu
