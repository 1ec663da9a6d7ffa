#pragma once
// What a run asks of whoever shows it. Every run of the program (the scan,
// a results row's download and installation, the backup and the restore)
// talks to its front end through this one interface and nothing else: the
// window program implements it once (a view's window: the skinned message
// box, the view's 200 ms timer, an invalidate, and the outcomes posted to
// the main window as its wm_* messages), the console front end once (text
// on standard error, a polling loop) and the tests once (a recorder).
//
// The run decides; the host only shows and forwards. A run never knows a
// window message number, a timer id or a period.
#include "app/language_keys.h"
#include "common/text.h"

#include <cstdint>
#include <memory>

namespace tdu {

struct scan_outcome_t;  // devices/device.h

// The message box's five styles: the icon and the buttons it shows.
enum class box_style_t : int32_t {
    information = 0,   // OK
    warning = 1,       // OK
    error = 2,         // OK
    yes_no = 3,        // Yes, No
    retry_cancel = 4,  // Retry, Cancel
};

// How the user answered a box. `accepted` is the first button (OK, Yes,
// Retry); `declined` is the second (No, Cancel) and also a box closed with
// its caption button: nobody pressed Yes or Retry then, so nothing is
// removed, installed, quit or retried on it.
enum class box_result_t : int32_t {
    accepted = 1,
    declined = 2,
};

// The message box window's own result (1 for its first button, 2 for its
// second, 0 when closed with the caption button) as an answer.
constexpr box_result_t box_result_from_button(int button)
{
    return button == 1 ? box_result_t::accepted : box_result_t::declined;
}

// The period of every run's timer in the window program. (The console polls
// at its own pace; a run does not depend on the period.)
constexpr uint32_t run_timer_ms = 200;

class run_host_c {
public:
    virtual ~run_host_c() = default;

    // The interface text of `key` in a modal message box of `style`.
    virtual box_result_t message_box(language_key_t key, box_style_t style) = 0;
    // A text of the run's own in the same box: a service's error text, or
    // the fixed "Scan Devices Error".
    virtual box_result_t message_box_text(u16view text, box_style_t style) = 0;

    // The run's timer: each tick the host calls the run's tick function
    // (the scan view's timer 1, a row's timer 2, the backup view's timer 1).
    virtual void start_timer() = 0;
    virtual void stop_timer() = 0;
    // What the run shows has changed: paint it now.
    virtual void redraw() = 0;

    // Outcomes of a scan run, for the main window (wm_scan_finished with
    // the scan's result, wm_show_home, wm_start_scan). The result is the
    // run's own, never changed after this call.
    virtual void finished(std::shared_ptr<const scan_outcome_t> result) = 0;
    virtual void show_home() = 0;
    // The user asked to run the scan again from its start.
    virtual void retry() = 0;
};

} // namespace tdu
