// The main window's side of a scan: starting one (or letting it wait for a
// backup or restore run), its end, its abandonment, the second instance's
// hand-over and the automatic scan of timer 0.
#include "ui/main_window.h"

#include "app/app_messages.h"
#include "app/language.h"
#include "app/startup_instance.h"
#include "program/global_services.h"
#include "program/program.h"
#include "devices/device.h"
#include "ui/dialogs/about_window.h"
#include "ui/dialogs/view_box.h"
#include "ui/model/update_check_model.h"

#include <ctime>

namespace tdu {

void main_window_c::arm_idle_timer()
{
    KillTimer(hwnd(), idle_scan_timer_id);
    SetTimer(hwnd(), idle_scan_timer_id, idle_scan_timer_ms, nullptr);
}

bool main_window_c::pre_translate_message(MSG& message)
{
    if (message.message != WM_KEYDOWN) return false;
    if (message.hwnd != hwnd() && !IsChild(hwnd(), message.hwnd)) return false;
    bool modifier = GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0 || GetKeyState(VK_SHIFT) < 0;
    if (key_pressed(state_, static_cast<uint32_t>(message.wParam), modifier) != key_action::start_scan) return false;
    start_scan();
    return true;
}

void main_window_c::start_scan()
{
    if (request_scan(state_, scan_must_wait())) {
        begin_scan_now();
    } else {
        SetTimer(hwnd(), deferred_scan_timer_id, deferred_scan_timer_ms, nullptr);
    }
}

void main_window_c::begin_scan_now()
{
    switch_view(main_view::scan);
    RedrawWindow(scan_->hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
    // The offers' source as the settings and the command line say now (no
    // request runs between two scans).
    program_choose_offers_source(startup_state.drivers_folder);
    scan_->restart(static_cast<int64_t>(std::time(nullptr)));
    scan_->start_timer();
}

void main_window_c::on_scan_finished()
{
    // A modal box or dialog over the window (it is disabled then) may have
    // been opened by a results row: the rows stay until it has closed.
    if (!IsWindowEnabled(hwnd())) {
        SetTimer(hwnd(), held_result_timer_id, held_result_timer_ms, nullptr);
        return;
    }
    std::shared_ptr<const scan_outcome_t> result = scan_->take_finished();
    if (!result) return;
    bool announce = scan_finished(state_);
    scan_->reset_phase();
    // The new result replaces the shown one and becomes what the backup
    // views look devices up in; whoever holds the old one keeps it.
    set_latest_scan(result);
    results_->load_scan_result(std::move(result));
    switch_view(main_view::results);
    SetFocus(results_->hwnd());
    look_for_program_update();
    if (!announce) return;
    if (std::optional<u16> text = announcement_text(language_table, results_->counts().out_of_date)) {
        tray_.set_icon(attention_icon_.get());
        tray_.show_balloon(*text);
    }
}

void main_window_c::look_for_program_update()
{
    if (update_look_.running() ||
        !update_check_due(settings.update_check, settings.update_check_time, system_utc_now()))
        return;
    update_look_.start(u16(environment.program_path));
    SetTimer(hwnd(), update_look_timer_id, update_look_timer_ms, nullptr);
}

void main_window_c::on_update_look_timer()
{
    update_result_t result;
    if (!update_look_.finished(result)) return;
    KillTimer(hwnd(), update_look_timer_id);
    // A failure (the service down, a refused document) says nothing and is
    // not the week's look: the next scan looks again.
    if (!update_check_answered(result.outcome)) return;
    settings.update_check_time = system_utc_now();
    settings_save_update_check_time(program_settings_store(), settings);
    results_->set_update_notice(update_notice_text(language_table, result));
}

void main_window_c::start_updater()
{
    open_updater(hwnd(), running_program_folder());
}

void main_window_c::on_show_home()
{
    show_home(state_);
    // The run has ended (a failed device scan leaves its timer running):
    // no tick may start another one, and "home" is home again.
    scan_->stop_timer();
    scan_->reset_phase();
    switch_view(main_view::home);
}

void main_window_c::on_second_instance(WPARAM flag)
{
    second_instance_action action = second_instance(state_, flag);
    if (action == second_instance_action::nothing) return;
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    BringWindowToTop(hwnd());
    if (action == second_instance_action::show_and_scan) SendMessageW(hwnd(), wm_start_scan, 0, 0);
}

void main_window_c::on_idle_timer()
{
    switch (idle_timer_fired(state_, scan_must_wait())) {
    case idle_timer_action::nothing:
        return;
    case idle_timer_action::start_scan:
        KillTimer(hwnd(), idle_scan_timer_id);
        begin_scan_now();
        return;
    case idle_timer_action::scan_deferred:
        KillTimer(hwnd(), idle_scan_timer_id);
        SetTimer(hwnd(), deferred_scan_timer_id, deferred_scan_timer_ms, nullptr);
        return;
    }
}

} // namespace tdu
