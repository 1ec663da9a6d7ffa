#pragma once
// Text helpers shared by every subsystem. Interface text and paths are UTF-16
// code units on both targets (char16_t; wchar_t is 32-bit on Linux).
#include <cstddef>
#include <string>
#include <string_view>

namespace tdu {

using u16 = std::u16string;
using u16view = std::u16string_view;

// Copies src into a fixed field of `capacity` code units including the
// terminating zero; longer input is cut. Returns the number of units copied.
size_t copy_field(char16_t* dst, size_t capacity, u16view src);
size_t copy_field(char* dst, size_t capacity, std::string_view src);

// Length of a zero-terminated UTF-16 text.
size_t u16_length(const char16_t* s);

// UTF-8 <-> UTF-16. Each stretch of invalid UTF-8 (a byte that starts no
// sequence, or the start of one that breaks off) becomes one U+FFFD and the
// text after it is still decoded; unpaired surrogates become U+FFFD on the
// way back.
u16 utf8_to_utf16(std::string_view s);
std::string utf16_to_utf8(u16view s);

// ASCII-only helpers (the program's keys and switches are ASCII).
u16 ascii_to_utf16(std::string_view s);
bool equals_ignore_case_ascii(u16view a, u16view b);

} // namespace tdu
