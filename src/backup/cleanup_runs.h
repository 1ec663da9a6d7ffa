#pragma once
// The clean-up page of the backup view, as the page drives it: what it
// lists when shown, what its "Remove" button starts, and how it learns the
// run's end. No function here touches a window; the page is the run host.
//
// Showing the page lists the store on the interface thread, as showing the
// backup view locates its packages there (the device records it reads may
// be freed by the next scan, so no worker reads them). The removal runs on
// a worker over copies (removal_item_t) and the page polls it with its
// timer.
#include "app/ignored_offers.h"
#include "app/run_host.h"
#include "backup/backup_runs.h"
#include "backup/removal_platform.h"
#include "backup/store_listing.h"
#include "backup/store_removal.h"
#include "common/text.h"
#include "common/worker.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tdu {

struct cleanup_view_state_t {
    std::vector<store_package_t> packages;  // the whole store, as last listed
    std::vector<size_t> candidates;         // the superseded ones, indices into `packages`
    std::shared_ptr<removal_job_t> job = std::make_shared<removal_job_t>();
    worker_c worker;  // held from the button until the end is handled
};

// The page is shown: lists the store and chooses the candidates, unless a
// removal is still held (then both stay, and false is returned).
bool cleanup_view_shown(cleanup_view_state_t& view, backup_services_t& services, const ignored_offers_t& ignored);

// The "Remove" button: `ticked` holds indices into `candidates`. Does
// nothing while a run is held; shows "cleanup_no_package" when nothing is
// ticked; asks "cleanup_confirm" (Yes/No) and, on Yes, starts the timer
// and the worker (backing each package up first when `back_up`). True
// when a worker was started.
bool start_removal(cleanup_view_state_t& view, const std::vector<size_t>& ticked, bool back_up, run_host_c& host,
                   const backup_services_t& services, removal_platform_c& platform);

// The page's timer: once the worker has ended, stops the timer and shows
// "cleanup_completed" (style 0) or "cleanup_failed" (style 2), each with
// the bytes freed.
enum class removal_tick_result_t { running, idle, failed, completed };
removal_tick_result_t removal_tick(cleanup_view_state_t& view, run_host_c& host);

// A size for people: "512 bytes", "1.5 KB", "12.3 MB", "2.0 GB" (1024 to
// the unit, one decimal).
u16 size_text(uint64_t bytes);

} // namespace tdu
