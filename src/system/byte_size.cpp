#include "system/byte_size.h"

#include <cstdio>

namespace tdu {

u16 format_byte_size(int64_t bytes)
{
    constexpr int64_t kilo = int64_t(1) << 10, mega = int64_t(1) << 20, giga = int64_t(1) << 30;
    char text[32];
    if (bytes < 0)
        std::snprintf(text, sizeof text, "%dB", static_cast<int>(static_cast<int32_t>(static_cast<uint32_t>(bytes))));
    else if (bytes > giga)
        std::snprintf(text, sizeof text, "%.2fG", static_cast<double>(bytes) / static_cast<double>(giga));
    else if (bytes > mega)
        std::snprintf(text, sizeof text, "%.2fM", static_cast<double>(bytes) / static_cast<double>(mega));
    else if (bytes > kilo)
        std::snprintf(text, sizeof text, "%.2fK", static_cast<double>(bytes) / static_cast<double>(kilo));
    else
        std::snprintf(text, sizeof text, "%dB", static_cast<int>(bytes));
    return ascii_to_utf16(text);
}

} // namespace tdu
