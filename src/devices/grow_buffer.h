#pragma once
// Reading values of a size the Setup API or the registry only tells on asking:
// buffers grown to the size a call asks for, and the text of a value.
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "common/text.h"
#include "devices/setup_api.h"

namespace tdu {

// No property, name or value the scan reads is anywhere near this large; a
// call that asks for more is treated like a failed allocation.
constexpr size_t max_grown_buffer_bytes = 4u << 20;
// Growth stops after this many rounds, so a value that keeps changing size
// cannot hold a read forever.
constexpr int max_growth_rounds = 8;

// Resizes `buffer` to `count` zeroed elements; false (the value then counts
// as missing) when the size is implausible or memory runs out.
template <class T>
bool grow_buffer(std::vector<T>& buffer, size_t count)
{
    if (count == 0 || count > max_grown_buffer_bytes / sizeof(T)) return false;
    try {
        buffer.assign(count, T{});
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// The UTF-16 units (little-endian) of the first `bytes` bytes of a value; an
// odd last byte is left out.
inline u16 units_from_bytes(const std::vector<uint8_t>& buffer, size_t bytes)
{
    if (bytes > buffer.size()) bytes = buffer.size();
    u16 out(bytes / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(buffer[2 * i] | (buffer[2 * i + 1] << 8));
    return out;
}

// A text that a Setup API call writes into a buffer of UTF-16 units: first
// with `first_units` of room, then with the room the call asks for while it
// fails with ERROR_INSUFFICIENT_BUFFER. `call(buffer, capacity, &required)`
// is the call. False when it fails otherwise or keeps asking for more.
template <class Call>
bool read_growing_text(setup_api_c& api, uint32_t first_units, Call call, u16& out)
{
    std::vector<char16_t> buffer(first_units);
    for (int round = 0; round < max_growth_rounds; ++round) {
        uint32_t required = 0;
        if (call(buffer.data(), static_cast<uint32_t>(buffer.size()), &required)) {
            buffer.back() = 0;
            out.assign(buffer.data());
            return true;
        }
        if (api.last_error() != win32_error::insufficient_buffer || required <= buffer.size()) return false;
        if (!grow_buffer(buffer, required)) return false;
    }
    return false;
}

} // namespace tdu
