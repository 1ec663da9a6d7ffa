#include "common/safe_path.h"

namespace tdu {
namespace {

bool only_dots_and_spaces(u16view part)
{
    for (char16_t c : part) {
        if (c != u'.' && c != u' ') return false;
    }
    return true;
}

bool is_separator(char16_t c) { return c == u'/' || c == u'\\'; }

} // namespace

u16 safe_relative_path(u16view name)
{
    if (name.empty() || is_separator(name.front())) return {};
    if (name.find(u':') != u16view::npos) return {};
    bool folder = is_separator(name.back());
    if (folder) name.remove_suffix(1);

    u16 out;
    size_t start = 0;
    for (;;) {
        size_t end = start;
        while (end < name.size() && !is_separator(name[end])) ++end;
        u16view part = name.substr(start, end - start);
        if (part.empty() || only_dots_and_spaces(part)) return {};
        out.append(part);
        if (end == name.size()) break;
        out.push_back(u'\\');
        start = end + 1;
    }
    if (folder) out.push_back(u'\\');
    return out;
}

} // namespace tdu
