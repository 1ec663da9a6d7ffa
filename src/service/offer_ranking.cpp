#include "service/offer_ranking.h"

#include "common/ansi_text.h"
#include "common/text.h"

#include <sstream>

namespace tdu {
namespace {

// The four numbers of a version text, read the way a text stream reads
// them: a failed read leaves that number and all later ones at 0.
struct version_t {
    int32_t part[4] = {};
};

version_t read_version(u16view text)
{
    version_t v;
    std::istringstream in(utf16_to_ansi(text));
    in >> v.part[0];
    for (int i = 1; i < 4 && in; ++i) {
        in.ignore(1);
        in >> v.part[i];
    }
    return v;
}

int compare_dates(u16view a, u16view b)
{
    int c = a.compare(b);
    return c > 0 ? 1 : c < 0 ? -1 : 0;
}

int64_t distance(int32_t os_version, uint32_t target)
{
    int64_t d = static_cast<int64_t>(os_version) - static_cast<int32_t>(target);
    return d < 0 ? -d : d;
}

// The installed driver's signature class and feature score, on the scale
// of the offers' "sign" and "feature".
uint32_t installed_signature_class(uint32_t rank, int32_t os_version)
{
    if (os_version >= 60) return rank >= 0x80000000u ? 3 : rank >= 0x0F000000u ? 1 : 0;
    return (rank & 0xC000u) ? 3 : 0;
}

// The installed driver's feature score (bits 16 to 23 of its rank) from
// Vista on. Before Vista a rank holds no feature score; the offers' scores
// are then compared with nothing, as taking the worst score (255) for the
// installed driver would make almost every offer "better", older and
// lower-versioned ones included.
bool installed_feature_score(uint32_t rank, int32_t os_version, uint32_t& score)
{
    if (os_version < 60) return false;
    score = (rank >> 16) & 0xFFu;
    return true;
}

// Whether the user ignores `offer` (the client's ignore list).
bool offer_ignored_by(const update_client_t& client, const driver_offer_t& offer)
{
    return offer_ignored(client.ignored_offers, offer.hardid, offer.version, offer.date);
}

bool already_installed(const driver_offer_t& offer, const std::set<std::string>& installed_links)
{
    return installed_links.count(offer.link) != 0;
}

} // namespace

bool compare_versions(u16view a, u16view b)
{
    version_t x = read_version(a), y = read_version(b);
    for (int i = 0; i < 4; ++i)
        if (x.part[i] != y.part[i]) return x.part[i] > y.part[i];
    return false;
}

int compare_offers(const driver_offer_t& a, const driver_offer_t& b, int32_t os_version)
{
    if (a.targetos != b.targetos) return distance(os_version, a.targetos) < distance(os_version, b.targetos) ? 1 : 0;
    if (a.sign != b.sign) return a.sign < b.sign ? 1 : 0;
    if (a.feature != b.feature) return a.feature < b.feature ? 1 : 0;
    if (a.cp != b.cp) return a.cp < b.cp ? 1 : 0;
    if (int c = compare_dates(a.date, b.date)) return c;
    return compare_versions(a.version, b.version) ? 1 : 0;
}

bool best_offer_better(const device_t& device, const driver_offer_t& offer, int32_t os_version,
                       const std::set<std::string>& installed_links)
{
    if (already_installed(offer, installed_links)) return false;
    if (!device.has_driver) return true;
    uint32_t signature = installed_signature_class(device.driver_rank, os_version);
    if (offer.sign != signature) return offer.sign < signature;
    uint32_t feature = 0;
    if (installed_feature_score(device.driver_rank, os_version, feature) && offer.feature != feature)
        return offer.feature < feature;
    if (!equals_ignore_case_ascii(offer.hardid, device.matching_device_id)) return true;
    if (int c = compare_dates(offer.date, device.driver_date)) return c > 0;
    return compare_versions(offer.version, device.driver_version);
}

bool latest_offer_newer(const device_t& device, const driver_offer_t& offer,
                        const std::set<std::string>& installed_links)
{
    if (already_installed(offer, installed_links)) return false;
    if (!device.has_driver) return true;
    if (int c = compare_dates(offer.date, device.driver_date)) return c > 0;
    return compare_versions(offer.version, device.driver_version);
}

ignored_offer_t ignored_entry_of(const driver_offer_t& offer)
{
    return ignored_offer_t{u16(offer.hardid), u16(offer.version), u16(offer.date), u16(offer.title)};
}

void rank_inventory_offers(const update_client_t& client, device_inventory_t& inventory,
                           const update_request_t& request)
{
    for (device_t& device : inventory.devices) rank_device_offers(client, device, request);
}

bool offer_usable(const driver_offer_t& offer)
{
    return offer.link[0] != '\0' && !offer.digest_malformed;
}

void rank_device_offers(const update_client_t& client, device_t& device, const update_request_t& request)
{
    if (!device.offers || device.offer_count <= 0) return;
    driver_offer_t* offers = device.offers.get();
    driver_offer_t* best = nullptr;
    driver_offer_t* latest = nullptr;
    for (int32_t i = 0; i < device.offer_count; ++i) {
        if (!offer_usable(offers[i]) || offer_ignored_by(client, offers[i])) continue;
        if (!best || compare_offers(offers[i], *best, request.os_version) > 0) best = &offers[i];
        if (!latest || compare_dates(offers[i].date, latest->date) > 0) latest = &offers[i];
    }
    device.best_offer = best;
    device.latest_offer = latest;
    device.best_offer_better = best && best_offer_better(device, *best, request.os_version, client.installed_links);
    device.latest_offer_newer = latest && latest_offer_newer(device, *latest, client.installed_links);
}

device_state_t device_offer_state(const device_t& device, bool latest)
{
    const driver_offer_t* offer = latest ? device.latest_offer : device.best_offer;
    if (!offer) return device_state_t::none;
    const bool improves = latest ? device.latest_offer_newer : device.best_offer_better;
    if (!improves) return device_state_t::up_to_date;
    return device.has_driver ? device_state_t::out_of_date : device_state_t::no_driver;
}

offer_counts_t count_offer_results(const device_t* devices, size_t count)
{
    offer_counts_t counts;
    for (size_t i = 0; i < count; ++i) {
        const device_t& d = devices[i];
        // Only a usable best offer puts the device into a results row.
        switch (device_offer_state(d, false)) {
        case device_state_t::out_of_date: counts.out_of_date += d.instance_count; break;
        case device_state_t::no_driver: counts.no_driver += d.instance_count; break;
        case device_state_t::up_to_date: counts.up_to_date += d.instance_count; break;
        case device_state_t::none: break;
        }
    }
    return counts;
}

} // namespace tdu
