#pragma once
// Win32 back ends only: UTF-16 text of the core as the W functions see it
// (wchar_t is 16-bit on Windows, so the two share one representation).
#include <windows.h>

#include <string>

namespace tdu {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 code units");

inline const wchar_t* wide(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }
inline wchar_t* wide(char16_t* s) { return reinterpret_cast<wchar_t*>(s); }
inline const char16_t* u16ptr(const wchar_t* s) { return reinterpret_cast<const char16_t*>(s); }
inline char16_t* u16ptr(wchar_t* s) { return reinterpret_cast<char16_t*>(s); }

} // namespace tdu
