#pragma once
// 8-bit text in the thread's ANSI code page: XML documents, download links,
// zip entry names and the backup catalogue hold it. On Windows the
// conversions are MultiByteToWideChar / WideCharToMultiByte with
// CP_THREAD_ACP and no flags; the native build uses a Windows-1252 table,
// which also exists on Windows so that tests can compare the two.
//
// Bytes without a character in the code page map to the C1 control of the
// same value (as Windows does); characters missing from it become the code
// page's default character ("?").
#include "common/text.h"

#include <string>
#include <string_view>

namespace tdu {

class code_page_c {
public:
    virtual ~code_page_c() = default;
    virtual u16 to_utf16(std::string_view text) const = 0;
    virtual std::string from_utf16(u16view text) const = 0;
};

// Windows-1252 by table.
const code_page_c& windows_1252_code_page();

// The platform's code page: CP_THREAD_ACP on Windows, Windows-1252 natively.
const code_page_c& platform_ansi_code_page();

// The code page the program converts with: the platform's, unless a test
// chose another with use_ansi_code_page (null goes back to the platform's).
const code_page_c& thread_ansi_code_page();
void use_ansi_code_page(const code_page_c* code_page);

inline u16 ansi_to_utf16(std::string_view text) { return thread_ansi_code_page().to_utf16(text); }
inline std::string utf16_to_ansi(u16view text) { return thread_ansi_code_page().from_utf16(text); }

} // namespace tdu
