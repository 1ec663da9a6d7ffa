#pragma once
// The offers the user chose to ignore: each is the device ID the driver was
// matched with, the offered version and the offered date. Ranking passes over
// an ignored offer as over an unusable one, so no row, count, score or chart
// holds it; a newer offer for the same device (another version or date) is
// not on the list and shows again.
//
// The list lives in the user's settings key as the REG_MULTI_SZ value
// "ignored_updates", one entry per string: hardware ID, version, date and
// the driver's title, separated by TABs (the title only names the entry in
// the list the user sees; it takes no part in matching).
#include "app/registry.h"
#include "common/text.h"

#include <vector>

namespace tdu {

extern const char16_t ignored_offers_value[];

struct ignored_offer_t {
    u16 hardware_id;  // compared without regard to ASCII letter case
    u16 version;      // compared exactly
    u16 date;         // compared exactly, "2024-05-01"
    u16 title;        // shown, not compared
};

using ignored_offers_t = std::vector<ignored_offer_t>;

// Whether two entries name the same offer (title aside).
bool same_ignored_offer(const ignored_offer_t& a, const ignored_offer_t& b);

// Whether the offer of `hardware_id`, `version` and `date` is on `list`.
bool offer_ignored(const ignored_offers_t& list, u16view hardware_id, u16view version, u16view date);

// Adds `entry` unless the same offer is listed; false when it was.
bool ignore_offer(ignored_offers_t& list, ignored_offer_t entry);
// Removes the entry of the same offer; false when none was listed.
bool stop_ignoring_offer(ignored_offers_t& list, const ignored_offer_t& entry);

// The stored form and back. Reading skips strings without a hardware ID or
// without both separators after it, and keeps the first of two entries of
// the same offer; TABs, CRs and LFs inside a field are stored as spaces.
u16 ignored_offers_to_multi_string(const ignored_offers_t& list);
ignored_offers_t ignored_offers_from_multi_string(u16view multi_string);

// Reads the value from `key`: a missing value, or one of another type than
// REG_MULTI_SZ, is an empty list.
ignored_offers_t load_ignored_offers(registry_key_c& key);
// Writes the value (an empty list deletes it); a registry error code, reg_ok
// on success.
long save_ignored_offers(registry_key_c& key, const ignored_offers_t& list);

} // namespace tdu
