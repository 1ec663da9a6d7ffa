#pragma once
// The order of the offers for one device, the same in the update service and
// in the program's own matching of a local driver folder.
#include "offers/offer.h"
#include "offers/target_os.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tdu::offers {

// The order offers are listed in, best first: lower signature class, lower
// feature score, lower identifier score (the parts of a Windows driver rank),
// then the newer date and the higher version.
bool offer_ranks_before(const offer_t& a, const offer_t& b);

// "a.b.c.d" compared number by number.
int compare_driver_versions(const std::string& a, const std::string& b);

// Cuts offers ranked best first down to the `keep` best, and keeps besides
// the two the program picks from a device's offers, wherever they stand:
// its best (nearest target system first, then the rank) and its latest
// (newest date). The order stays best first.
void keep_best_offers(std::vector<offer_t>& offers, const os_profile_t& os, std::size_t keep);

// The largest package the program can take: it reads sizes as 32-bit
// numbers, so a package of 4 GiB or more could never match its size.
constexpr std::uint64_t max_offered_package_size = 0xFFFFFFFFu;

// Most offers the matching gives one device before the answer keeps its
// best few.
constexpr std::size_t max_offers_per_device = 500;

} // namespace tdu::offers

namespace tdu::offers {
using namespace tdu::offers;
}

// The update service names these as its own.
namespace tdu::server {
using namespace tdu::offers;
}
