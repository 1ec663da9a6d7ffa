#include "system/byte_size.h"

#include <cstdio>

namespace tdu {

u16 format_byte_size(int64_t n)
{
    constexpr int64_t kib = 1024, mib = kib * 1024, gib = mib * 1024;
    char text[40];
    if (n < 0) {
        // Only the low 32 bits are shown, as a signed number.
        std::snprintf(text, sizeof text, "%dB", static_cast<int32_t>(static_cast<uint32_t>(n)));
    } else if (n > gib) {
        std::snprintf(text, sizeof text, "%.2fG", static_cast<double>(n) / static_cast<double>(gib));
    } else if (n > mib) {
        std::snprintf(text, sizeof text, "%.2fM", static_cast<double>(n) / static_cast<double>(mib));
    } else if (n > kib) {
        std::snprintf(text, sizeof text, "%.2fK", static_cast<double>(n) / static_cast<double>(kib));
    } else {
        std::snprintf(text, sizeof text, "%dB", static_cast<int>(n));
    }
    return ascii_to_utf16(text);
}

void format_byte_size(int64_t bytes, char16_t* out, size_t capacity)
{
    copy_field(out, capacity, format_byte_size(bytes));
}

} // namespace tdu
