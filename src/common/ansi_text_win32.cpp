// The thread's ANSI code page through the Win32 conversions.
#include "common/ansi_text.h"
#include "common/win32_text.h"

namespace tdu {
namespace {

class thread_acp_c final : public code_page_c {
public:
    u16 to_utf16(std::string_view text) const override
    {
        if (text.empty()) return {};
        int n = MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        if (n <= 0) return {};
        u16 out(static_cast<size_t>(n), u'\0');
        MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), wide(&out[0]), n);
        return out;
    }
    std::string from_utf16(u16view text) const override
    {
        if (text.empty()) return {};
        const wchar_t* in = wide(text.data());
        int n = WideCharToMultiByte(CP_THREAD_ACP, 0, in, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
        if (n <= 0) return {};
        std::string out(static_cast<size_t>(n), '\0');
        WideCharToMultiByte(CP_THREAD_ACP, 0, in, static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
        return out;
    }
};

} // namespace

const code_page_c& platform_ansi_code_page()
{
    static const thread_acp_c code_page;
    return code_page;
}

} // namespace tdu
