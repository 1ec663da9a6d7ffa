#include "cli/console_scan.h"

#include "cli/console_host.h"

#include <chrono>
#include <thread>

namespace tdu {

console_scan_outcome_t run_console_scan(scan_result_t& run, const scan_services_t& services, int64_t now,
                                        uint32_t tick_ms, const std::function<void(const scan_result_t&)>& on_tick)
{
    // A failed run is not retried; its box is printed by the caller.
    console_host_c host(box_result_t::declined, false);
    scan_run_restart(run, now);
    for (;;) {
        scan_run_tick(run, services, host);
        if (on_tick) on_tick(run);
        if (host.ended()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(tick_ms));
    }

    console_scan_outcome_t outcome;
    outcome.finished = host.scan_finished();
    if (outcome.finished) {
        outcome.result = host.result();
        outcome.total_nodes = static_cast<int32_t>(outcome.result->device_nodes);
    } else {
        outcome.error_text = host.last_box_text();
        outcome.error_code =
            run.device_scan.status != 0 ? run.device_scan.error_code : run.update_request.error_code;
    }
    return outcome;
}

} // namespace tdu
