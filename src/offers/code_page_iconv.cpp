// glibc's iconv does the conversions of the native builds.
#include "offers/code_page.h"

#include <cerrno>
#include <iconv.h>

namespace tdu::offers {

bool convert_text(std::string_view input, const char* from, const char* to,
                  std::string_view replacement, std::string& out)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out.clear();
    char buffer[4096];
    char* in = const_cast<char*>(input.data());
    size_t in_left = input.size();
    while (in_left > 0) {
        char* o = buffer;
        size_t o_left = sizeof buffer;
        size_t r = iconv(cd, &in, &in_left, &o, &o_left);
        out.append(buffer, sizeof buffer - o_left);
        if (r != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ (a byte sequence the source cannot hold or the target cannot
        // take) or EINVAL (a sequence cut at the end): skip one input unit.
        out.append(replacement);
        size_t unit = 1;
        std::string_view f(from);
        if (f.rfind("UTF-16", 0) == 0) unit = 2;
        if (unit > in_left) unit = in_left;
        in += unit;
        in_left -= unit;
    }
    // flush any shift state
    char* o = buffer;
    size_t o_left = sizeof buffer;
    iconv(cd, nullptr, nullptr, &o, &o_left);
    out.append(buffer, sizeof buffer - o_left);
    iconv_close(cd);
    return true;
}

} // namespace tdu::offers
