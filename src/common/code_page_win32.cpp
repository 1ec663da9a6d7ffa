// The thread's ANSI code page through the Win32 conversions.
#include "common/code_page.h"
#include "common/win32_text.h"

namespace tdu {

u16 ansi_to_utf16(std::string_view text)
{
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return u16(u16ptr(out.data()), out.size());
}

std::string utf16_to_ansi(u16view text)
{
    if (text.empty()) return {};
    const wchar_t* w = wide(text.data());
    int n = WideCharToMultiByte(CP_THREAD_ACP, 0, w, static_cast<int>(text.size()), nullptr, 0, "?", nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_THREAD_ACP, 0, w, static_cast<int>(text.size()), &out[0], n, "?", nullptr);
    return out;
}

} // namespace tdu
