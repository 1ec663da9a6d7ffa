#pragma once
// The bytes the test server sends for its numbered bodies: byte i of a body
// is i modulo 251, so a piece of it shows where it came from.
#include <cstddef>
#include <string>

namespace tdu::test {

inline std::string pattern_bytes(size_t offset, size_t count)
{
    std::string out(count, '\0');
    for (size_t i = 0; i < count; ++i) out[i] = static_cast<char>((offset + i) % 251);
    return out;
}

// A text body: n lower-case letters, a line break after every 60.
inline std::string text_bytes(size_t count)
{
    std::string out(count, '\n');
    for (size_t i = 0; i < count; ++i)
        if (i % 61 != 60) out[i] = static_cast<char>('a' + i % 26);
    return out;
}

} // namespace tdu::test
