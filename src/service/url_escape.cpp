#include "service/url_escape.h"

namespace tdu {

std::string url_escape_spaces(std::string_view link)
{
    std::string out;
    out.reserve(link.size());
    bool extra_info = false;
    for (char c : link) {
        if (c == '?' || c == '#') extra_info = true;
        if (c == ' ' && !extra_info)
            out += "%20";
        else
            out += c;
    }
    return out;
}

} // namespace tdu
