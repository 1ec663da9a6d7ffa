// The scan-share lookup through Winsock.
#include <winsock2.h>
#include <windows.h>

#include "app/endpoints.h"
#include "devices/scan_share.h"

namespace tdu {
namespace {

class win32_scan_share_source_c final : public scan_share_source_c {
public:
    uint32_t ansi_code_page() override { return GetACP(); }
    uint32_t oem_code_page() override { return GetOEMCP(); }
    bool startup() override
    {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    std::optional<std::string> resolve(const std::string& host) override
    {
        // Blocking; made once at start.
        hostent* answer = gethostbyname(host.c_str());
        if (!answer || answer->h_addrtype != AF_INET || !answer->h_addr_list || !answer->h_addr_list[0])
            return std::nullopt;
        in_addr address;
        memcpy(&address, answer->h_addr_list[0], sizeof address);
        const char* text = inet_ntoa(address);
        if (!text) return std::nullopt;
        return std::string(text);
    }
};

} // namespace

scan_share_source_c& win32_scan_share_source()
{
    static win32_scan_share_source_c source;
    return source;
}

void scan_share_lookup()
{
    scan_share_lookup(win32_scan_share_source(), endpoints().scan_share_host);
}

} // namespace tdu
