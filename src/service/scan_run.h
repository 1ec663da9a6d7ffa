#pragma once
// A scan run: the device scan on one worker, then (when it succeeded) the
// update request on a second one, then the results or an error box. The
// scan view owns the run's record and drives it from its timer; each tick
// polls the running worker without waiting, so the interface thread never
// blocks. What a tick decides goes to the run host (app/run_host.h): the
// window program shows boxes and tells the main window, the console front
// end and the tests record them.
#include "app/language.h"
#include "app/run_host.h"
#include "app/settings.h"
#include "common/text.h"
#include "common/worker.h"
#include "devices/device.h"
#include "service/update_client.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace tdu {

struct environment_t;
struct system_info_t;
class setup_api_c;

// Shown after a failed device scan, in every interface language.
extern const char16_t scan_devices_error_text[];

// Where a run stands.
enum class scan_phase_t : int32_t {
    not_started = 0,       // the next tick starts the device scan
    scanning_devices = 1,  // the device scan runs
    asking_service = 2,    // the update request runs, or the run is over
};

// The state of one scan run, one per scan view, reused by every run. The
// progress and request records are shared with the worker that fills them,
// so a view that goes away never frees what a running worker still writes.
struct scan_result_t {
    scan_phase_t phase = scan_phase_t::not_started;
    int64_t start_time = 0;  // when the run was started, seconds since 1970 UTC
    std::shared_ptr<scan_progress_t> progress = std::make_shared<scan_progress_t>();
    std::shared_ptr<update_request_t> request = std::make_shared<update_request_t>();
    worker_c scan_worker;          // the device scan
    worker_result_t device_scan;   // how it ended: status 0 or -1, failure code
    worker_c request_worker;       // the update request
    worker_result_t update_request;  // how it ended
    // The result the running workers build: new for every run, handed to
    // the host when the run finishes and never touched by the run again.
    std::shared_ptr<scan_outcome_t> building;
};

// What a run works on: the process-wide objects in the program, fakes and
// loopback servers in tests. All of them outlive every run.
struct scan_services_t {
    const class_image_list_t& class_images;  // copied into every run's result
    setup_api_c& setup_api;
    update_client_t& client;
    const app_settings_t& settings;     // scan_offline, read when a run starts
    const language_table_t& language;   // the texts of the error boxes
};

// Fills the request's fixed inputs when the view is made: the OS code, the
// computer model, the OS version number and the OEM code page.
void scan_result_init(scan_result_t& run, const environment_t& environment, const system_info_t& info);

// What the main window does with the record before it starts the view's
// timer: the next tick starts a new run from the device scan.
void scan_run_restart(scan_result_t& run, int64_t now);

// The jobs: 0 when the device scan (or the update request) succeeded, else
// -1 with this thread's last-error code telling why. The device scan stops
// at the next device node once `stop` is raised.
int32_t device_scan_job(device_inventory_t& inventory, setup_api_c& api, scan_progress_t& progress,
                        const stop_flag_t& stop);
int32_t update_request_job(update_client_t& client, device_inventory_t& inventory, update_request_t& request);

// One tick of the view's timer.
void scan_run_tick(scan_result_t& run, const scan_services_t& services, run_host_c& host);

// The text that tells the user why an update request failed, chosen by the
// request worker's failure code; none for a code that has no message.
std::optional<u16> scan_error_text(int32_t code, const update_request_t& request, const language_table_t& language);

// The program's own text for a transport failure of the update request
// (libcurl's result): the service could not be reached, the connection was
// interrupted, the answer could not be read, or else "error_network_failed"
// with the number.
u16 transport_failure_text(int32_t result, const language_table_t& language);

// Shows that text with Retry and Cancel and returns the answer; `declined`
// without showing anything when there is no text.
box_result_t scan_error_box(int32_t code, const update_request_t& request, const language_table_t& language,
                            run_host_c& host);

// The scan view's status line: "scan_status" then "scan_status1" while the
// devices are scanned, or "scan_status2" and one to three dots (by the
// second) while the update service is asked.
u16 scan_status_line(scan_phase_t phase, int64_t now_seconds, const language_table_t& language);

} // namespace tdu
