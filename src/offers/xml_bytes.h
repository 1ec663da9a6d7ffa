#pragma once
// Bytes an XML 1.0 document may not hold anywhere, not even as a character
// reference: the C0 control codes other than TAB, LF and CR. (Bytes from
// 0x7F up are characters of the client's code page.)
#include <cstddef>
#include <string_view>

namespace tdu::offers {

inline bool xml_forbids_byte(unsigned char c)
{
    return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

// The position of the first such byte, or npos.
inline std::size_t find_xml_forbidden_byte(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i)
        if (xml_forbids_byte(static_cast<unsigned char>(text[i]))) return i;
    return std::string_view::npos;
}

} // namespace tdu::offers

// The update service names these as its own.
namespace tdu::server {
using namespace tdu::offers;
}
