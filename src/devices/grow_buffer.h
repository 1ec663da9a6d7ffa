#pragma once
// Growing a read buffer to the size a Setup API or registry call asks for.
#include <cstddef>
#include <new>
#include <vector>

namespace tdu {

// No property, name or value the scan reads is anywhere near this large; a
// call that asks for more is treated like a failed allocation.
constexpr size_t max_grown_buffer_bytes = 4u << 20;

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

} // namespace tdu
