#pragma once
// A scan run as the console front end drives it: the scan view's ticks in a
// loop, with a console stand-in for the view. A box's text is kept for the
// caller to print and answered with Cancel, so a failed run ends instead of
// retrying; the run is over when it posts its message to the main window.
#include "devices/scan_run.h"

#include <cstdint>
#include <functional>

namespace tdu {

struct console_scan_outcome_t {
    bool finished = false;     // the run posted wm_scan_finished
    int32_t total_nodes = 0;   // its wParam: the device nodes scanned
    u16 error_text;            // the box the run showed; empty when none
    int32_t error_code = 0;    // last_error_code when the run failed
};

// Starts a run at `now` and ticks it every `tick_ms` until it ends.
// `on_tick` (may be empty) sees the run after every tick, for progress.
console_scan_outcome_t run_console_scan(scan_result_t& run, const scan_services_t& services, int64_t now,
                                        uint32_t tick_ms,
                                        const std::function<void(const scan_result_t&)>& on_tick = {});

} // namespace tdu
