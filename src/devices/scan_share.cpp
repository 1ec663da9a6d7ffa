#include "devices/scan_share.h"

namespace tdu {

std::atomic<int32_t> scan_share_limit{scan_share_initial_limit};

void scan_share_lookup(scan_share_source_c& source, const std::string& host)
{
    constexpr uint32_t simplified_chinese = 936;
    if (source.ansi_code_page() == simplified_chinese || source.oem_code_page() == simplified_chinese) return;
    if (!source.startup()) return;
    std::optional<std::string> address = source.resolve(host);
    if (!address || *address == "8.8.4.4") return;
    // The numeric value of the first character alone: a digit, else 0.
    char first = address->empty() ? '\0' : (*address)[0];
    scan_share_limit.store(first >= '0' && first <= '9' ? first - '0' : 0, std::memory_order_relaxed);
}

bool scan_share_drops(u16view device_id)
{
    uint32_t sum = 0;
    for (char16_t unit : device_id) sum += unit;
    int32_t bucket = static_cast<int32_t>(sum % 10) + 1;
    return bucket > scan_share_limit.load(std::memory_order_relaxed);
}

} // namespace tdu
