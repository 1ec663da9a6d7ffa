#pragma once
// 8-bit text in the thread's ANSI code page (download links, zip entry
// names) to and from UTF-16. On Windows this is CP_THREAD_ACP through
// MultiByteToWideChar and WideCharToMultiByte; natively the code page is
// Windows-1252, the one of an English or Western European system.
#include "common/text.h"

#include <string>
#include <string_view>

namespace tdu {

u16 ansi_to_utf16(std::string_view text);
// Characters the code page cannot hold become '?'.
std::string utf16_to_ansi(u16view text);

} // namespace tdu
