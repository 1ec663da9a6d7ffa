#pragma once
// The results of a scan as every front end shows them: the rows of a kind
// of offer (one per offered package), each row's status and class text, the
// three counts and the health score. Free of any window and of any console,
// so the results view, the console's report and the tests share one set of
// rules.
#include "app/ignored_offers.h"
#include "common/text.h"
#include "devices/device.h"
#include "devices/offer_grouping.h"
#include "service/offer_ranking.h"

#include <cstdint>

namespace tdu {

// Which offers the rows are made of: the results view's selector.
enum class offer_kind_t : int32_t {
    best = grouping_by_best_offer,
    latest = grouping_by_latest_offer,
};

// The rows of `inventory`'s devices by the offers of `kind`, in the results
// view's order.
offer_grouping_t result_rows(const device_inventory_t& inventory, offer_kind_t kind);

// A row's state as the results show it, from its members' states
// (device_offer_state, by the kind of offer the row shows): some member is
// out of date; else some member without a driver gets one; else every
// member is up to date.
enum class group_status_t { update, no_driver, up_to_date };
group_status_t group_status(const offer_group_t& group);

// The class a row shows for `device` (its first): the description of the
// device's class, else the class name.
u16 group_class_text(const device_t& device);
// The class name alone.
u16 group_class_name(const device_t& device);

// The three counts, always over the best offers whatever kind the rows
// show, each device weighted by its instances.
offer_counts_t result_counts(const device_inventory_t& inventory);

// The health score: the integer part of (up to date / with offers) squared
// times 100. A machine where no device has offers has nothing out of date
// and scores 100 (the plain formula would divide by zero).
int32_t result_score(const offer_counts_t& counts);

// What "Ignore this update" puts on the ignore list for a row: the offer
// of the row's kind (best or latest) of each member device, once per offer.
ignored_offers_t group_ignore_entries(const offer_group_t& group);

// Devices that have offers at all (not weighted by instances).
size_t devices_with_offers(const device_inventory_t& inventory);

} // namespace tdu
