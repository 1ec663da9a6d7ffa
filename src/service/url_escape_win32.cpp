// Download links escaped by the shell's UrlEscapeA.
#include "service/url_escape.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

namespace tdu {

std::string escape_download_link(const std::string& link)
{
    // Windows leaves the query and fragment alone under
    // URL_DONT_ESCAPE_EXTRA_INFO; Wine ignores that flag next to
    // URL_ESCAPE_SPACES_ONLY and escapes them too. The call therefore only
    // sees the part before the first "?" or "#", which gives the same link
    // on both.
    size_t extra = link.find_first_of("?#");
    std::string head = link.substr(0, extra);
    std::string tail = extra == std::string::npos ? std::string() : link.substr(extra);

    // Twice the text's length to start with, doubled while the call says
    // the buffer is too small; an empty text still gets a usable buffer.
    DWORD size = static_cast<DWORD>(head.size() * 2);
    if (size < 16) size = 16;
    for (int tries = 0; tries < 16; ++tries) {
        std::vector<char> buffer(size);
        DWORD chars = size;
        HRESULT hr = UrlEscapeA(head.c_str(), buffer.data(), &chars, URL_ESCAPE_SPACES_ONLY | URL_DONT_ESCAPE_EXTRA_INFO);
        if (hr == E_POINTER) {
            size *= 2;
            continue;
        }
        if (FAILED(hr)) return {};
        return std::string(buffer.data()) + tail;
    }
    return {};
}

} // namespace tdu
