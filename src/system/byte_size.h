#pragma once
// A byte count as the short text the interface shows: "512B", "1.50K",
// "3.25M", "8.00G". Used for the installed memory and for package and
// download sizes.
#include "common/text.h"

#include <cstdint>

namespace tdu {

// The first matching rule: a negative count is its low 32 bits as a signed
// number with "B"; above 2^30 gigabytes, above 2^20 megabytes, above 2^10
// kilobytes, each with two decimals rounded as printf's "%.2f" rounds (the
// limits are exclusive: exactly 2^20 bytes is "1024.00K"); otherwise the
// count with "B". The longest text, for INT64_MAX, is 14 units.
u16 format_byte_size(int64_t bytes);

} // namespace tdu
