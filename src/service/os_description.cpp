#include "service/os_description.h"

#include <string>

namespace tdu {
namespace {

// The name of a type from 8.1 on; null for the older ones, whose captions
// have always been right.
const char16_t* type_name(int32_t os_type)
{
    switch (os_type) {
    case os_type_windows81: return u"Windows 8.1";
    case os_type_server_2012_r2: return u"Windows Server 2012 R2";
    case os_type_windows10: return u"Windows 10";
    case os_type_windows11: return u"Windows 11";
    case os_type_server_10: return u"Windows Server";
    default: return nullptr;
    }
}

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

} // namespace

u16 true_os_description(u16view wmi_description, const environment_t& env)
{
    u16 text(wmi_description);
    if (text.empty()) {
        const char16_t* name = type_name(env.os_type);
        if (!name) return text;
        text = name;
        std::string build = std::to_string(env.version_info.build);
        if (env.version_info.build != 0) text += u" Build " + u16(build.begin(), build.end());
        return text;
    }
    if (env.os_type != os_type_windows11) return text;
    // "Windows 10" as a word of its own: not "Windows 100", not part of a
    // longer name before it.
    const u16 ten = u"Windows 10";
    for (size_t at = text.find(ten); at != u16::npos; at = text.find(ten, at + 1)) {
        size_t end = at + ten.size();
        if (end < text.size() && is_digit(text[end])) continue;
        text[end - 1] = u'1';
        text[end - 2] = u'1';
        break;
    }
    return text;
}

} // namespace tdu
