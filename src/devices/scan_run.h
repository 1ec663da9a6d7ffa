#pragma once
// A scan run: the device scan on one worker thread, then (when it succeeded)
// the update request on a second one, then the results or an error box. The
// scan view owns the run's record and drives it from its 200 ms timer; each
// tick polls the running worker without waiting, so the interface thread
// never blocks. What a tick decides is done through scan_view_t: the window
// shows boxes and posts messages, the console front end and the tests record
// them.
#include "app/language.h"
#include "common/detached_worker.h"
#include "common/text.h"
#include "devices/device.h"
#include "service/update_client.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace tdu {

struct environment_t;
struct system_info_t;
class setup_api_t;

// The scan view's timer that drives the run.
constexpr uint32_t scan_timer_id = 1;
constexpr uint32_t scan_timer_ms = 200;

// Message box styles the run uses: a notice with one button, and Retry with
// Cancel. A box answers 2 for Cancel (or when it was not shown).
constexpr int message_style_notice = 2;
constexpr int message_style_retry_cancel = 4;
constexpr int message_result_cancel = 2;

// Shown after a failed device scan, in every interface language.
extern const char16_t scan_devices_error_text[];

// The state of one scan run, one per scan view, reused by every run. The
// progress and request records are shared with the worker that fills them,
// so a view that goes away never frees what a running worker still writes.
struct scan_result_t {
    int32_t phase = 0;       // 0 not started, 1 device scan running, 2 update request running (or run over)
    int64_t start_time = 0;  // when the run was started, seconds since 1970 UTC
    std::shared_ptr<scan_progress_t> progress = std::make_shared<scan_progress_t>();
    std::shared_ptr<update_request_t> request = std::make_shared<update_request_t>();
    std::unique_ptr<detached_worker_t> scan_thread;     // while the device scan runs
    int32_t scan_status = 0;                            // 0 success, -1 failure
    std::unique_ptr<detached_worker_t> request_thread;  // while the update request runs
    int32_t request_status = 0;                         // 0 success, -1 failure
};

// What a run works on: the process-wide objects in the program, fakes and
// loopback servers in tests. All of them outlive every run.
struct scan_services_t {
    device_inventory_t& inventory;
    setup_api_t& setup_api;
    update_client_t& client;
    // The scan_offline setting, read when a run starts. (The settings record
    // itself is not named here: app/registry.h and devices/setup_api.h
    // cannot be included into one file.)
    const int32_t& scan_offline;
    const language_table_t& language;   // the texts of the error boxes
};

// What a tick asks of the scan view.
class scan_view_t {
public:
    virtual ~scan_view_t() = default;
    // A message box modal over the view; its result (2 for Cancel).
    virtual int show_message(u16view text, int style) = 0;
    // Posts a message to the main window.
    virtual void post_to_main(uint32_t message, uintptr_t wparam) = 0;
    virtual void kill_timer(uint32_t timer_id) = 0;
    // Repaints the progress lines at once.
    virtual void redraw() = 0;
};

// The process-wide services of the program: the device inventory, the Win32
// Setup API, the update client and the language table (Windows build only).
scan_services_t program_scan_services(const int32_t& scan_offline);

// Fills the request's fixed inputs when the view is made: the OS code, the
// computer model, the OS version number and the OEM code page.
void scan_result_init(scan_result_t& run, const environment_t& environment, const system_info_t& info);

// What the main window does with the record on wm_start_scan (before it
// arms the timer): the next tick starts a new run from the device scan.
void scan_run_restart(scan_result_t& run, int64_t now);

// The worker bodies: 0 when the device scan (or the update request)
// succeeded, else -1 with last_error_code telling why.
int32_t device_scan_thread(device_inventory_t& inventory, setup_api_t& api, scan_progress_t& progress);
int32_t update_request_thread(update_client_t& client, update_request_t& request);

// The scan view's WM_TIMER handler; ticks of other timers are ignored.
void scan_run_tick(scan_result_t& run, const scan_services_t& services, scan_view_t& view, uint32_t timer_id);

// The text that tells the user why an update request failed, chosen by
// last_error_code; none for a code that has no message (a code left from an
// earlier download failure, for example).
std::optional<u16> scan_error_text(int32_t code, const update_request_t& request, const language_table_t& language);

// Shows that text with Retry and Cancel and returns the box's result; 2
// without showing anything when there is no text.
int scan_error_box(const update_request_t& request, const language_table_t& language, scan_view_t& view);

// The scan view's status line: "scan_status" then "scan_status1" while the
// devices are scanned, or "scan_status2" and one to three dots (by the
// second) while the update service is asked.
u16 scan_status_line(int32_t phase, int64_t now_seconds, const language_table_t& language);

} // namespace tdu
