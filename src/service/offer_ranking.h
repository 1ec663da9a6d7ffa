#pragma once
// Choosing among a device's offers, and deciding whether the chosen ones
// improve on the installed driver.
//
// The best offer ranks highest by, in this order: target operating system
// nearest the running one, lower signature class, lower feature score,
// lower "cp", later date, greater version. The latest offer has the greatest
// date. An offer whose link is in "setup.dat" (its installation was already
// started here) never counts as an improvement.
#include "devices/device.h"
#include "devices/driver_offer.h"
#include "service/update_client.h"

#include <cstdint>
#include <set>
#include <string>

namespace tdu {

// Positive when offer a ranks above offer b on a system of `os_version`
// (major x 10 + minor); 0 or negative otherwise. Offers whose target
// systems lie at the same distance from it rank equal.
int compare_offers(const driver_offer_t& a, const driver_offer_t& b, int32_t os_version);

// True when version a is greater: each is read as four integers separated by
// single characters ("6.1.7600.16385"); a missing part counts as 0.
bool compare_versions(u16view a, u16view b);

// Whether an offer can be downloaded and checked at all: it has a link, and
// no malformed digest. Ranking passes over the others, so no row shows them
// and no count holds them.
bool offer_usable(const driver_offer_t& offer);

// The ignore-list entry that ignores `offer`.
ignored_offer_t ignored_entry_of(const driver_offer_t& offer);

// Sets the device's best_offer, latest_offer, best_offer_better and
// latest_offer_newer from its usable offers that the user does not ignore
// (none: no best or latest offer, nothing better or newer); a device without
// offers is left as it is.
void rank_device_offers(const update_client_t& client, device_t& device, const update_request_t& request);
// The same for every device of `inventory`: after the ignore list changed,
// the rows and counts are made again from the same answer.
void rank_inventory_offers(const update_client_t& client, device_inventory_t& inventory,
                           const update_request_t& request);

// Whether an offer improves on the device's installed driver, as the best
// offer (signature class and, from Vista on, feature score derived from the
// installed driver's rank, then matching ID, date and version) and as the latest offer
// (date, then version).
bool best_offer_better(const device_t& device, const driver_offer_t& offer, int32_t os_version,
                       const std::set<std::string>& installed_links);
bool latest_offer_newer(const device_t& device, const driver_offer_t& offer,
                        const std::set<std::string>& installed_links);

// A device's state in the results, the one rule behind the counts, a row's
// status, each device's icon in its row and the console's words: with the
// offer of the kind shown (`latest`: the latest offer, else the best) and
// that offer improving on what is installed, out of date when a driver is
// installed and no driver when none is; an offer that improves nothing
// (not newer, or its installation already started here) is up to date
// whether or not a driver is installed; no offer of the kind is none.
enum class device_state_t { none, out_of_date, no_driver, up_to_date };
device_state_t device_offer_state(const device_t& device, bool latest);

// What the results view and the diagnostic report count, each device
// weighted by its instance_count: devices whose best offer is better with an
// installed driver (out of date) and without one (no driver); devices with
// a best offer minus those two are up to date. Devices without a best
// offer (none offered, or none usable) are in no row and count nowhere.
struct offer_counts_t {
    int32_t out_of_date = 0;
    int32_t no_driver = 0;
    int32_t up_to_date = 0;
};
offer_counts_t count_offer_results(const device_t* devices, size_t count);

} // namespace tdu
