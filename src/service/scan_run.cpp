#include "service/scan_run.h"

#include "app/environment.h"
#include "app/language_format.h"
#include "app/language_keys.h"
#include "common/ansi_text.h"
#include "common/last_error.h"
#include "devices/device_scan.h"
#include "service/curl_easy.h"
#include "system/system_info.h"

#include <cstring>

namespace tdu {

const char16_t scan_devices_error_text[] = u"Scan Devices Error";

namespace {

// The longest text "error_network_error" may grow to once filled in.
constexpr size_t network_error_text_max = 1023;

// True while a worker of an earlier run is still running. The starters of a
// scan never restart a running one; should one do so all the same, the new
// run waits for the old worker, which still uses the run's record. An ended
// worker that was never collected is let go.
bool earlier_worker_running(scan_result_t& run)
{
    for (worker_c* worker : {&run.scan_worker, &run.request_worker}) {
        if (worker->running()) return true;
        worker->take_result();
    }
    return false;
}

void device_scan_ended(scan_result_t& run, worker_result_t result, run_host_c& host);
void update_request_ended(scan_result_t& run, worker_result_t result, const scan_services_t& services,
                          run_host_c& host);

void start_device_scan(scan_result_t& run, const scan_services_t& services, run_host_c& host)
{
    if (earlier_worker_running(run)) return;
    run.phase = scan_phase_t::scanning_devices;
    scan_progress_t& progress = *run.progress;
    progress.include_offline = services.settings.scan_offline;
    progress.total_nodes = 0;
    progress.processed_nodes = 0;
    progress.clear_current_name();

    // A new result for every run: whoever shows the last one keeps it.
    run.building = make_scan_outcome(services.class_images);
    std::shared_ptr<scan_outcome_t> building = run.building;
    setup_api_c& api = services.setup_api;
    std::shared_ptr<scan_progress_t> shared_progress = run.progress;
    bool started = run.scan_worker.start([building, &api, shared_progress](const stop_flag_t& stop) {
        return device_scan_job(building->inventory, api, *shared_progress, stop);
    });
    // No thread: the scan failed before it began.
    if (!started) device_scan_ended(run, worker_result_t{-1, 0}, host);
}

void start_update_request(scan_result_t& run, const scan_services_t& services, run_host_c& host)
{
    update_request_t& request = *run.request;
    request.response_status = 0;
    std::memset(request.error_text, 0, sizeof request.error_text);
    request.transport_result = 0;

    update_client_t& client = services.client;
    // The worker ranks with the ignore list as it stands now; the interface
    // changes the client's copy only while no request runs.
    client.ignored_offers = services.settings.ignored_offers;
    std::shared_ptr<update_request_t> shared_request = run.request;
    std::shared_ptr<scan_outcome_t> building = run.building;
    bool started = run.request_worker.start([&client, building, shared_request](const stop_flag_t&) {
        return update_request_job(client, building->inventory, *shared_request);
    });
    // No thread: reported as an internal error the user may retry.
    if (!started) update_request_ended(run, worker_result_t{-1, error_transfer_create}, services, host);
}

// The run's state is settled before any box is shown: a modal box runs a
// message loop in which further timer ticks arrive, and they must find
// nothing left to do.
void device_scan_ended(scan_result_t& run, worker_result_t result, run_host_c& host)
{
    run.device_scan = result;
    run.phase = scan_phase_t::asking_service;
    if (result.status != 0) {
        run.building.reset();
        host.message_box_text(scan_devices_error_text, box_style_t::error);
        host.show_home();
    }
}

void update_request_ended(scan_result_t& run, worker_result_t result, const scan_services_t& services,
                          run_host_c& host)
{
    run.update_request = result;
    host.stop_timer();
    if (result.status == 0) {
        std::shared_ptr<scan_outcome_t> outcome = std::move(run.building);
        outcome->device_nodes = static_cast<uint32_t>(run.progress->total_nodes.load());
        host.finished(std::move(outcome));
        return;
    }
    run.building.reset();
    // Retry starts the whole run again, from the device scan; Cancel, and a
    // box closed without an answer, go home.
    if (scan_error_box(result.error_code, *run.request, services.language, host) == box_result_t::accepted)
        host.retry();
    else
        host.show_home();
}

} // namespace

void scan_result_init(scan_result_t& run, const environment_t& environment, const system_info_t& info)
{
    update_request_t& request = *run.request;
    request.os_code = os_code_text(environment);
    request.model = info.computer_model;
    request.os_version = os_version_number(environment.version_info);
    request.os_build = environment.version_info.build;
    request.oem_code_page = static_cast<int32_t>(environment.oem_code_page);
}

void scan_run_restart(scan_result_t& run, int64_t now)
{
    run.phase = scan_phase_t::not_started;
    run.start_time = now;
}

int32_t device_scan_job(device_inventory_t& inventory, setup_api_c& api, scan_progress_t& progress,
                        const stop_flag_t& stop)
{
    return device_scan(inventory, api, progress, &stop) ? 0 : -1;
}

int32_t update_request_job(update_client_t& client, device_inventory_t& inventory, update_request_t& request)
{
    return send_update_request(client, inventory, request) ? 0 : -1;
}

void scan_run_tick(scan_result_t& run, const scan_services_t& services, run_host_c& host)
{
    switch (run.phase) {
    case scan_phase_t::not_started:
        start_device_scan(run, services, host);
        break;
    case scan_phase_t::scanning_devices:
        if (std::optional<worker_result_t> ended = run.scan_worker.take_result()) {
            device_scan_ended(run, *ended, host);
            if (ended->status == 0) start_update_request(run, services, host);
        }
        break;
    case scan_phase_t::asking_service:
        if (std::optional<worker_result_t> ended = run.request_worker.take_result())
            update_request_ended(run, *ended, services, host);
        break;
    }
    host.redraw();
}

u16 transport_failure_text(int32_t result, const language_table_t& language)
{
    switch (result) {
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
        return language_text(language, lang::error_network_timeout);
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        return language_text(language, lang::error_network_interrupted);
    case CURLE_WRITE_ERROR:  // the answer did not fit: it cannot be read
        return language_text(language, lang::error_invalid_date);
    default:
        return format_language_text(language_text(language, lang::error_network_failed), {decimal_text(result)},
                                    network_error_text_max);
    }
}

std::optional<u16> scan_error_text(int32_t code, const update_request_t& request, const language_table_t& language)
{
    u16 text;
    switch (code) {
    case error_network_timeout:
        text = language_text(language, lang::error_network_timeout);
        break;
    case error_transfer_create:
    case error_compress:
        text = language_text(language, lang::error_internal_error);
        break;
    case error_network_status:
        if (request.transport_result != 0) {
            // libcurl's own texts are English whatever the interface's
            // language: each failure gets the program's translated text.
            text = transport_failure_text(request.transport_result, language);
        } else {
            text = format_language_text(language_text(language, lang::error_network_error),
                                        {decimal_text(request.response_status)}, network_error_text_max);
        }
        break;
    case error_bad_response:
        text = language_text(language, lang::error_invalid_date);
        break;
    case error_answer_refused:
        text = language_text(language, lang::error_answer_refused);
        break;
    case error_driver_folder:
        text = format_language_text(language_text(language, lang::error_driver_folder),
                                    {utf8_to_utf16(request.error_text)}, network_error_text_max);
        break;
    default:
        break;
    }
    if (text.empty()) return std::nullopt;
    return text;
}

box_result_t scan_error_box(int32_t code, const update_request_t& request, const language_table_t& language,
                            run_host_c& host)
{
    std::optional<u16> text = scan_error_text(code, request, language);
    if (!text) return box_result_t::declined;
    return host.message_box_text(*text, box_style_t::retry_cancel);
}

u16 scan_status_line(scan_phase_t phase, int64_t now_seconds, const language_table_t& language)
{
    u16 line = language_text(language, lang::scan_status);
    if (phase != scan_phase_t::asking_service) return line + language_text(language, lang::scan_status1);
    int64_t dots = now_seconds % 3;
    if (dots < 0) dots += 3;
    return line + language_text(language, lang::scan_status2) + u16(static_cast<size_t>(dots) + 1, u'.');
}

} // namespace tdu
