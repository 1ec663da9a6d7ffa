#include "devices/scan_run.h"

#include "app/app_messages.h"
#include "app/environment.h"
#include "app/language_format.h"
#include "app/language_keys.h"
#include "common/ansi_text.h"
#include "common/last_error.h"
#include "devices/device_scan.h"
#include "system/system_info.h"

#include <cstring>

namespace tdu {

const char16_t scan_devices_error_text[] = u"Scan Devices Error";

namespace {

// The longest text "error_network_error" may grow to once filled in.
constexpr size_t network_error_text_max = 1023;

// True while a worker of an earlier run is still held and running. The
// senders of wm_start_scan never restart a running scan; should one do so
// all the same, the new run waits for the old worker instead of scanning
// the same inventory from two threads at once.
bool earlier_worker_running(scan_result_t& run)
{
    for (std::unique_ptr<detached_worker_t>* worker : {&run.scan_thread, &run.request_thread}) {
        if (!*worker) continue;
        if ((*worker)->running()) return true;
        worker->reset();
    }
    return false;
}

void device_scan_ended(scan_result_t& run, int32_t status, scan_view_t& view);
void update_request_ended(scan_result_t& run, int32_t status, const scan_services_t& services, scan_view_t& view);

void start_device_scan(scan_result_t& run, const scan_services_t& services, scan_view_t& view)
{
    if (earlier_worker_running(run)) return;
    run.phase = 1;
    scan_progress_t& progress = *run.progress;
    progress.include_offline = services.scan_offline;
    progress.total_nodes = 0;
    progress.processed_nodes = 0;
    progress.clear_current_name();

    auto worker = std::make_unique<detached_worker_t>();
    device_inventory_t& inventory = services.inventory;
    setup_api_t& api = services.setup_api;
    std::shared_ptr<scan_progress_t> shared_progress = run.progress;
    bool started = worker->start([&inventory, &api, shared_progress] {
        return device_scan_thread(inventory, api, *shared_progress);
    });
    if (!started) {
        // No thread: the scan failed before it began.
        device_scan_ended(run, -1, view);
        return;
    }
    run.scan_thread = std::move(worker);
}

void start_update_request(scan_result_t& run, const scan_services_t& services, scan_view_t& view)
{
    update_request_t& request = *run.request;
    request.response_status = 0;
    std::memset(request.error_text, 0, sizeof request.error_text);

    auto worker = std::make_unique<detached_worker_t>();
    update_client_t& client = services.client;
    std::shared_ptr<update_request_t> shared_request = run.request;
    bool started = worker->start([&client, shared_request] { return update_request_thread(client, *shared_request); });
    if (!started) {
        // No thread: reported as an internal error the user may retry.
        set_last_error(error_transfer_create);
        update_request_ended(run, -1, services, view);
        return;
    }
    run.request_thread = std::move(worker);
}

// The run's state is settled before any box is shown: a modal box runs a
// message loop in which further timer ticks arrive, and they must find
// nothing left to do.
void device_scan_ended(scan_result_t& run, int32_t status, scan_view_t& view)
{
    run.scan_status = status;
    run.phase = 2;
    if (status != 0) {
        view.show_message(scan_devices_error_text, message_style_notice);
        view.post_to_main(wm_show_home, 0);
    }
}

void update_request_ended(scan_result_t& run, int32_t status, const scan_services_t& services, scan_view_t& view)
{
    run.request_status = status;
    view.kill_timer(scan_timer_id);
    if (status == 0) {
        view.post_to_main(wm_scan_finished, static_cast<uintptr_t>(run.progress->total_nodes.load()));
        return;
    }
    int answer = scan_error_box(*run.request, services.language, view);
    // Retry starts the whole run again, from the device scan.
    view.post_to_main(answer == message_result_cancel ? wm_show_home : wm_start_scan, 0);
}

// The worker's result once it has ended; nothing while it runs (or when
// there is none, as after a failed device scan).
std::optional<int32_t> take_ended(std::unique_ptr<detached_worker_t>& worker)
{
    if (!worker || worker->running()) return std::nullopt;
    int32_t status = worker->result();
    worker.reset();
    return status;
}

} // namespace

void scan_result_init(scan_result_t& run, const environment_t& environment, const system_info_t& info)
{
    update_request_t& request = *run.request;
    request.os_code = os_code_text(environment);
    request.model = info.computer_model;
    request.os_version = os_version_number(environment.version_info);
    request.oem_code_page = static_cast<int32_t>(environment.oem_code_page);
}

void scan_run_restart(scan_result_t& run, int64_t now)
{
    run.phase = 0;
    run.start_time = now;
}

int32_t device_scan_thread(device_inventory_t& inventory, setup_api_t& api, scan_progress_t& progress)
{
    return device_scan(inventory, api, progress) ? 0 : -1;
}

int32_t update_request_thread(update_client_t& client, update_request_t& request)
{
    return send_update_request(client, request) ? 0 : -1;
}

void scan_run_tick(scan_result_t& run, const scan_services_t& services, scan_view_t& view, uint32_t timer_id)
{
    if (timer_id != scan_timer_id) return;
    if (run.phase == 0) {
        start_device_scan(run, services, view);
    } else if (run.phase == 1) {
        if (std::optional<int32_t> status = take_ended(run.scan_thread)) {
            device_scan_ended(run, *status, view);
            if (*status == 0) start_update_request(run, services, view);
        }
    } else if (run.phase == 2) {
        if (std::optional<int32_t> status = take_ended(run.request_thread))
            update_request_ended(run, *status, services, view);
    }
    view.redraw();
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
        if (request.error_text[0] != '\0') {
            text = ansi_to_utf16(std::string_view(request.error_text, strnlen(request.error_text, sizeof request.error_text)));
        } else {
            text = format_language_text(language_text(language, lang::error_network_error),
                                        {decimal_text(request.response_status)}, network_error_text_max);
        }
        break;
    case error_bad_response:
        text = language_text(language, lang::error_invalid_date);
        break;
    default:
        break;
    }
    if (text.empty()) return std::nullopt;
    return text;
}

int scan_error_box(const update_request_t& request, const language_table_t& language, scan_view_t& view)
{
    std::optional<u16> text = scan_error_text(get_last_error(), request, language);
    if (!text) return message_result_cancel;
    return view.show_message(*text, message_style_retry_cancel);
}

u16 scan_status_line(int32_t phase, int64_t now_seconds, const language_table_t& language)
{
    u16 line = language_text(language, lang::scan_status);
    if (phase <= 1) return line + language_text(language, lang::scan_status1);
    int64_t dots = now_seconds % 3;
    if (dots < 0) dots += 3;
    return line + language_text(language, lang::scan_status2) + u16(static_cast<size_t>(dots) + 1, u'.');
}

} // namespace tdu
