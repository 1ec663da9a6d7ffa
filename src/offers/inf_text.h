#pragma once
// INF files come as UTF-16 (with or without a byte-order mark), UTF-8 with a
// mark, or 8-bit text of a Windows code page. This turns any of them into
// UTF-8 for the parser.
#include <string>
#include <string_view>

namespace tdu::offers {

// Decodes `bytes`; 8-bit text that is not valid UTF-8 is read as Windows-1252.
// False with a reason when the bytes cannot be INF text.
bool decode_inf_bytes(std::string_view bytes, std::string& utf8, std::string& error);

} // namespace tdu::offers

// The update service names these as its own.
namespace tdu::server {
using namespace tdu::offers;
}
