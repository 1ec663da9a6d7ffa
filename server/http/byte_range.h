#pragma once
// The Range header of a package download (one byte range; RFC 9110).
#include <cstdint>
#include <string_view>

namespace tdu::server {

struct byte_range_t {
    enum kind_t {
        whole,         // no usable Range: send everything with 200
        partial,       // send first..last with 206
        unsatisfiable, // 416 with "Content-Range: bytes */size"
    } kind = whole;
    std::uint64_t first = 0;
    std::uint64_t last = 0; // inclusive
};

// Reads "bytes=a-b", "bytes=a-" or "bytes=-n" against a file of `size`
// bytes. A range starting at or past the end (and any range of an empty
// file) cannot be satisfied; an end past the file is cut to it. A header
// that is not one valid byte range (another unit, several ranges, b < a,
// numbers too large) is ignored, as a server may.
byte_range_t parse_byte_range(std::string_view header, std::uint64_t size);

} // namespace tdu::server
