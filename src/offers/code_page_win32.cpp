// Windows: the conversions go through UTF-16 with MultiByteToWideChar and
// WideCharToMultiByte; iconv's names of the encodings are mapped to code
// page numbers.
#include "offers/code_page.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace tdu::offers {

namespace {

constexpr UINT utf16le = 1200, utf16be = 1201;

// The code page of an iconv name ("UTF-8", "UTF-16LE", "CP1252", "GBK",
// "BIG5"); 0 for a name this build does not know.
UINT code_page_of(const char* name)
{
    if (_stricmp(name, "UTF-8") == 0) return CP_UTF8;
    if (_stricmp(name, "UTF-16LE") == 0) return utf16le;
    if (_stricmp(name, "UTF-16BE") == 0) return utf16be;
    if (_stricmp(name, "GBK") == 0) return 936;
    if (_stricmp(name, "BIG5") == 0) return 950;
    if (_strnicmp(name, "CP", 2) == 0) {
        char* end = nullptr;
        unsigned long n = std::strtoul(name + 2, &end, 10);
        if (end != name + 2 && *end == '\0' && IsValidCodePage(static_cast<UINT>(n))) return static_cast<UINT>(n);
    }
    return 0;
}

std::wstring to_wide(std::string_view input, UINT from)
{
    std::wstring wide;
    if (from == utf16le || from == utf16be) {
        wide.reserve(input.size() / 2);
        for (size_t i = 0; i + 1 < input.size(); i += 2) {
            auto lo = static_cast<unsigned char>(input[from == utf16le ? i : i + 1]);
            auto hi = static_cast<unsigned char>(input[from == utf16le ? i + 1 : i]);
            wide += static_cast<wchar_t>(lo | hi << 8);
        }
        if (input.size() % 2) wide += static_cast<wchar_t>(0xFFFD); // a unit cut at the end
        return wide;
    }
    if (input.empty()) return wide;
    int n = MultiByteToWideChar(from, 0, input.data(), static_cast<int>(input.size()), nullptr, 0);
    if (n <= 0) return wide;
    wide.resize(static_cast<size_t>(n));
    MultiByteToWideChar(from, 0, input.data(), static_cast<int>(input.size()), wide.data(), n);
    return wide;
}

} // namespace

bool convert_text(std::string_view input, const char* from, const char* to, std::string_view replacement,
                  std::string& out)
{
    UINT source = code_page_of(from), target = code_page_of(to);
    if (source == 0 || target == 0) return false;
    std::wstring wide = to_wide(input, source);
    out.clear();
    if (target == utf16le || target == utf16be) {
        for (wchar_t c : wide) {
            auto lo = static_cast<char>(c & 0xFF), hi = static_cast<char>((c >> 8) & 0xFF);
            out += target == utf16le ? lo : hi;
            out += target == utf16le ? hi : lo;
        }
        return true;
    }
    if (wide.empty()) return true;
    // A one-byte replacement stands in for characters the code page lacks
    // (UTF-8 takes every character and no default).
    std::string fallback(replacement);
    const char* default_char = target != CP_UTF8 && fallback.size() == 1 ? fallback.c_str() : nullptr;
    int n = WideCharToMultiByte(target, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, default_char,
                                nullptr);
    if (n <= 0) return true;
    out.resize(static_cast<size_t>(n));
    WideCharToMultiByte(target, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, default_char, nullptr);
    return true;
}

} // namespace tdu::offers
