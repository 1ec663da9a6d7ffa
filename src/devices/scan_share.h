#pragma once
// The scan-share switch: a limit, fixed once at start from the address a
// configured host name resolves to, that leaves a share of the devices out of
// every scan. With the initial limit 10 no device is left out.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "common/text.h"

namespace tdu {

// The process-wide limit, 0 to 10.
extern std::atomic<int32_t> scan_share_limit;
constexpr int32_t scan_share_initial_limit = 10;

// Where the lookup reads the code pages and resolves the host: Winsock on
// Windows, a table in native tests.
class scan_share_source_c {
public:
    virtual ~scan_share_source_c() = default;
    virtual uint32_t ansi_code_page() = 0;  // GetACP
    virtual uint32_t oem_code_page() = 0;   // GetOEMCP
    virtual bool startup() = 0;             // WSAStartup 2.2
    // gethostbyname: the first address of the answer as dotted text
    // (inet_ntoa), nothing when there is no answer.
    virtual std::optional<std::string> resolve(const std::string& host) = 0;
};

// The start-up lookup. Skipped under the code page 936. No answer, or the
// answer "8.8.4.4", leaves the limit; any other answer sets it to the value
// of the answer's first character (a digit, or 0 for anything else).
void scan_share_lookup(scan_share_source_c& source, const std::string& host);

// The lookup as the program makes it: Winsock and the configured
// endpoints().scan_share_host (Windows build only).
void scan_share_lookup();
scan_share_source_c& win32_scan_share_source();

// Whether the switch leaves a device out: the sum of the UTF-16 units of its
// device ID, modulo 10, plus 1, is greater than the limit.
bool scan_share_drops(u16view device_id);

} // namespace tdu
