#pragma once
// A scan run as the console front end drives it: the scan view's ticks in a
// loop, with the console's run host. A box's text is kept for the caller to
// print and answered with Cancel, so a failed run ends instead of retrying;
// the run is over when it reports its outcome.
#include "service/scan_run.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace tdu {

struct console_scan_outcome_t {
    bool finished = false;     // the run finished
    int32_t total_nodes = 0;   // the device nodes it scanned
    std::shared_ptr<const scan_outcome_t> result;  // what it found; none when it failed
    u16 error_text;            // the box the run showed; empty when none
    int32_t error_code = 0;    // the failed worker's failure code
};

// Starts a run at `now` and ticks it every `tick_ms` until it ends.
// `on_tick` (may be empty) sees the run after every tick, for progress.
console_scan_outcome_t run_console_scan(scan_result_t& run, const scan_services_t& services, int64_t now,
                                        uint32_t tick_ms,
                                        const std::function<void(const scan_result_t&)>& on_tick = {});

} // namespace tdu
