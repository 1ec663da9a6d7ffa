#pragma once
// A byte count as a short text for the interface: "512B", "1.50K", "1.50M",
// "8.00G". Each limit is exclusive, so exactly 2^20 bytes is "1024.00K".
#include "common/text.h"

#include <cstdint>

namespace tdu {

// Writes the text into `out` (at least 16 units; longer capacities are fine,
// shorter ones cut the text).
void format_byte_size(int64_t bytes, char16_t* out, size_t capacity);
u16 format_byte_size(int64_t bytes);

} // namespace tdu
