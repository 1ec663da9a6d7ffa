#include "offers/offer_order.h"

#include <cstdlib>
#include <tuple>

namespace tdu::offers {

namespace {

int os_distance(const offer_t& o, const os_profile_t& os)
{
    return std::abs(os.major * 10 + os.minor - static_cast<int>(o.target_os));
}

// The program's own order of two offers (targets nearer the system first,
// then the parts of the rank, the newer date, the higher version).
bool program_prefers(const offer_t& a, const offer_t& b, const os_profile_t& os)
{
    if (a.target_os != b.target_os && os_distance(a, os) != os_distance(b, os))
        return os_distance(a, os) < os_distance(b, os);
    if (std::tie(a.sign, a.feature, a.cp) != std::tie(b.sign, b.feature, b.cp))
        return std::tie(a.sign, a.feature, a.cp) < std::tie(b.sign, b.feature, b.cp);
    if (a.date != b.date) return a.date > b.date;
    return compare_driver_versions(a.version, b.version) > 0;
}

void read_version(const std::string& text, unsigned long (&parts)[4])
{
    const char* p = text.c_str();
    for (auto& part : parts) {
        char* end = nullptr;
        part = std::strtoul(p, &end, 10);
        p = *end == '.' ? end + 1 : end;
    }
}

} // namespace

int compare_driver_versions(const std::string& a, const std::string& b)
{
    unsigned long x[4], y[4];
    read_version(a, x);
    read_version(b, y);
    for (int i = 0; i < 4; ++i)
        if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
    return 0;
}

bool offer_ranks_before(const offer_t& a, const offer_t& b)
{
    if (std::tie(a.sign, a.feature, a.cp) != std::tie(b.sign, b.feature, b.cp))
        return std::tie(a.sign, a.feature, a.cp) < std::tie(b.sign, b.feature, b.cp);
    if (a.date != b.date) return a.date > b.date;
    int v = compare_driver_versions(a.version, b.version);
    if (v != 0) return v > 0;
    return std::tie(a.package, a.model_id) < std::tie(b.package, b.model_id);
}

void keep_best_offers(std::vector<offer_t>& offers, const os_profile_t& os, std::size_t keep)
{
    if (offers.size() <= keep) return;
    std::size_t best = 0, latest = 0;
    for (std::size_t i = 1; i < offers.size(); ++i) {
        if (program_prefers(offers[i], offers[best], os)) best = i;
        if (offers[i].date > offers[latest].date) latest = i;
    }
    std::vector<offer_t> kept;
    for (std::size_t i = 0; i < offers.size(); ++i)
        if (i < keep || i == best || i == latest) kept.push_back(std::move(offers[i]));
    offers = std::move(kept);
}

} // namespace tdu::offers
