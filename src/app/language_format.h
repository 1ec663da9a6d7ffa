#pragma once
// Interface texts that carry values: some language texts are printf formats
// ("error_network_error" holds "%d" for an HTTP status). "language.ini" is a
// file anyone can edit, so its texts are never handed to printf: a stray
// "%s" or "%n" there must not read or write memory that is not an argument.
#include "common/text.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tdu {

// Fills `format` with `args` in order: each "%d", "%i", "%u" or "%s" takes
// the next argument (already text), "%%" gives "%". Any other "%" sequence,
// and a conversion left without an argument, stays as written. The result
// is cut at `max_chars` code units.
u16 format_language_text(u16view format, const std::vector<u16>& args, size_t max_chars);

// A number as decimal text, for the arguments above.
u16 decimal_text(int64_t value);

} // namespace tdu
