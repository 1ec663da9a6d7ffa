#pragma once
// The console front end's one implementation of the run host: a box becomes
// a line of text (information on standard output, warnings, errors and
// questions on standard error) and is answered as the command asks; timers
// are a flag the command's loop ticks the run by, repaints mean nothing
// here; the run's outcome is recorded for the command to act on.
#include "app/run_host.h"
#include "common/text.h"

#include <cstdint>
#include <memory>

namespace tdu {

class console_host_c final : public run_host_c {
public:
    // `answer`: how every box is answered (a command the user typed has
    // already said Yes; a failed scan is not retried). `echo`: whether boxes
    // are printed at once (else only kept in last_box_text).
    console_host_c(box_result_t answer, bool echo) : answer_(answer), echo_(echo) {}

    box_result_t message_box(language_key_t key, box_style_t style) override;
    box_result_t message_box_text(u16view text, box_style_t style) override;
    void start_timer() override { timer_running_ = true; }
    void stop_timer() override { timer_running_ = false; }
    void redraw() override {}
    void finished(std::shared_ptr<const scan_outcome_t> result) override;
    void show_home() override { ended_ = true; }
    void retry() override { ended_ = true; }

    // Whether the run wants its timer ticked: the console ticks it in a
    // loop while this holds.
    bool timer_running() const { return timer_running_; }
    // The text of the last box shown; empty when none was.
    const u16& last_box_text() const { return last_box_text_; }
    // Whether the scan run has reported its end, and whether it finished.
    bool ended() const { return ended_; }
    bool scan_finished() const { return finished_; }
    // The finished scan's result; none when the scan did not finish.
    const std::shared_ptr<const scan_outcome_t>& result() const { return result_; }

private:
    box_result_t answer_;
    bool echo_;
    u16 last_box_text_;
    bool timer_running_ = false;
    bool ended_ = false;
    bool finished_ = false;
    std::shared_ptr<const scan_outcome_t> result_;
};

} // namespace tdu
