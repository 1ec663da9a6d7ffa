#pragma once
// Conversions between UTF-8 (the service's own text) and the 8-bit Windows
// code pages its clients and INF files use. glibc's iconv does the work
// natively, MultiByteToWideChar and WideCharToMultiByte on Windows;
// bytes a code page cannot take are replaced, never dropped silently.
#include <string>
#include <string_view>

namespace tdu::offers {

// Converts `input` from one iconv encoding to another. Input that cannot be
// read and characters the target lacks become `replacement` (itself in the
// target encoding). Returns false only when iconv does not know an encoding.
bool convert_text(std::string_view input, const char* from, const char* to,
                  std::string_view replacement, std::string& out);

// The ANSI code page of a Windows system whose OEM code page is `oem`
// (437 and 850 go with 1252, 866 with 1251, 932 with itself, ...); 1252 for
// any page not in the table.
unsigned ansi_code_page_for_oem(unsigned oem);

// iconv's name of a Windows code page ("CP1252", "CP932", ...).
std::string iconv_name(unsigned code_page);

// ANSI text of `code_page` to UTF-8 and back; unknown code pages are read
// as 1252. Characters outside the page become '?'.
std::string ansi_to_utf8(std::string_view text, unsigned code_page);
std::string utf8_to_ansi(std::string_view text, unsigned code_page);

bool is_valid_utf8(std::string_view text);

} // namespace tdu::offers

// The update service names these as its own.
namespace tdu::server {
using namespace tdu::offers;
}
