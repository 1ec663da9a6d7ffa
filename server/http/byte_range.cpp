#include "http/byte_range.h"

namespace tdu::server {

namespace {

// Digits only; false for anything else, an empty text or an overflow.
bool read_number(std::string_view text, std::uint64_t& out)
{
    if (text.empty() || text.size() > 19) return false;
    out = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

} // namespace

byte_range_t parse_byte_range(std::string_view header, std::uint64_t size)
{
    byte_range_t r;
    header = trim(header);
    size_t eq = header.find('=');
    if (eq == std::string_view::npos) return r;
    std::string_view unit = trim(header.substr(0, eq));
    if (unit.size() != 5) return r;
    for (size_t i = 0; i < 5; ++i)
        if ((unit[i] | 0x20) != "bytes"[i]) return r;
    std::string_view ranges = trim(header.substr(eq + 1));
    if (ranges.find(',') != std::string_view::npos) return r;
    size_t dash = ranges.find('-');
    if (dash == std::string_view::npos) return r;
    std::string_view a = trim(ranges.substr(0, dash)), b = trim(ranges.substr(dash + 1));
    std::uint64_t first = 0, last = 0;
    if (a.empty()) { // the last n bytes
        if (!read_number(b, last)) return r;
        if (last == 0 || size == 0) {
            r.kind = byte_range_t::unsatisfiable;
            return r;
        }
        r.kind = byte_range_t::partial;
        r.first = last >= size ? 0 : size - last;
        r.last = size - 1;
        return r;
    }
    if (!read_number(a, first)) return r;
    if (b.empty()) {
        last = UINT64_MAX;
    } else if (!read_number(b, last) || last < first) {
        return r;
    }
    if (first >= size) {
        r.kind = byte_range_t::unsatisfiable;
        return r;
    }
    r.kind = byte_range_t::partial;
    r.first = first;
    r.last = last >= size ? size - 1 : last;
    return r;
}

} // namespace tdu::server
