#include "cli/console_scan.h"

#include "app/app_messages.h"
#include "common/last_error.h"

#include <chrono>
#include <thread>

namespace tdu {

namespace {

class console_view_t final : public scan_view_t {
public:
    u16 box_text;
    bool posted = false;
    uint32_t message = 0;
    uintptr_t wparam = 0;

    int show_message(u16view text, int) override
    {
        box_text = u16(text);
        return message_result_cancel;
    }
    void post_to_main(uint32_t m, uintptr_t w) override
    {
        posted = true;
        message = m;
        wparam = w;
    }
    void kill_timer(uint32_t) override {}
    void redraw() override {}
};

} // namespace

console_scan_outcome_t run_console_scan(scan_result_t& run, const scan_services_t& services, int64_t now,
                                        uint32_t tick_ms, const std::function<void(const scan_result_t&)>& on_tick)
{
    console_view_t view;
    scan_run_restart(run, now);
    for (;;) {
        scan_run_tick(run, services, view, scan_timer_id);
        if (on_tick) on_tick(run);
        if (view.posted) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(tick_ms));
    }

    console_scan_outcome_t outcome;
    outcome.finished = view.message == wm_scan_finished;
    if (outcome.finished) {
        outcome.total_nodes = static_cast<int32_t>(view.wparam);
    } else {
        outcome.error_text = view.box_text;
        outcome.error_code = get_last_error();
    }
    return outcome;
}

} // namespace tdu
