#include "packages/download_row.h"

#include "common/files.h"

namespace tdu {

download_row_input_t download_row_input_for(const offer_group_t& group)
{
    download_row_input_t input;
    input.link = group.key ? group.key : "";
    input.expected_size = group.offer ? group.offer->size : 0;
    input.sha256 = group.offer ? group.offer->sha256 : "";
    input.no_update = group.no_update;
    for (const device_t* device : group.devices) {
        input.device_ids.push_back(u16(device->device_id, u16_length(device->device_id)));
        const driver_offer_t* offer = group.mode == grouping_by_best_offer     ? device->best_offer
                                      : group.mode == grouping_by_latest_offer ? device->latest_offer
                                                                               : nullptr;
        if (offer) input.inf_names.push_back(u16(offer->inf_name, u16_length(offer->inf_name)));
    }
    return input;
}

row_status_t row_status(download_state_t state, download_failure_t failure, uint32_t bytes_done,
                        int32_t install_outcome, uint32_t exit_code)
{
    row_status_t status{download_status_text_key(state), download_button_text_key(state), false, {}};
    if (failure == download_failure_t::digest && state != download_complete) {
        // The wrong file is gone: only a new download can help.
        return {lang::download_error_digest, lang::download_btn_download, true, {}};
    }
    if (state == download_failed) {
        status.failure = true;
        const bool resumable =
            (failure == download_failure_t::transfer || failure == download_failure_t::disk) && bytes_done > 0;
        status.button = resumable ? lang::download_btn_resume : lang::download_btn_download;
        switch (failure) {
        case download_failure_t::not_found: status.text = lang::download_error_not_found; break;
        case download_failure_t::too_large: status.text = lang::download_error_too_large; break;
        case download_failure_t::disk: status.text = lang::download_error_disk; break;
        case download_failure_t::digest: status.text = lang::download_error_digest; break;
        case download_failure_t::transfer:
        case download_failure_t::none: break;
        }
        return status;
    }
    if (state != download_complete) return status;
    switch (install_outcome) {
    case install_outcome_started: status.text = lang::download_install_started; break;
    case install_outcome_opened_folder:
    case install_outcome_opened_package_folder: status.text = lang::download_install_folder_opened; break;
    case install_outcome_failed:
        status.text = lang::download_install_not_unpacked;
        status.failure = true;
        break;
    case install_outcome_not_started:
        status.text = lang::download_install_not_started;
        status.failure = true;
        break;
    case install_outcome_refused:
        status.text = lang::download_error_digest;
        status.failure = true;
        break;
    case install_outcome_no_digest:
        status.text = lang::download_setup_no_digest;
        status.failure = true;
        break;
    case install_outcome_no_restore_point:
        status.text = lang::download_install_no_restore_point;
        status.failure = true;
        break;
    case install_outcome_no_backup:
        status.text = lang::download_install_no_backup;
        status.failure = true;
        break;
    case install_outcome_installed: status.text = lang::download_install_installed; break;
    case install_outcome_restart_needed: status.text = lang::download_install_restart; break;
    case install_outcome_no_device:
        status.text = lang::download_install_no_device;
        status.failure = true;
        break;
    case install_outcome_installer_error:
        status.text = lang::download_install_error_code;
        status.argument = installer_exit_code_text(exit_code);
        status.failure = true;
        break;
    default: break;  // none yet, or stopped before an installer started
    }
    return status;
}

row_status_t download_row_c::status() const
{
    // While the row's installation runs, its earlier outcome is not shown.
    const int32_t outcome = install_->installing.load() != 0 ? install_outcome_none : install_->outcome.load();
    return row_status(session_->state(), session_->failure(), session_->bytes_done(), outcome,
                      install_->exit_code.load());
}

row_action_t row_button_action(download_state_t state)
{
    switch (state) {
    case download_downloading: return row_action_t::pause;
    case download_complete: return row_action_t::install;
    case download_not_downloaded:
    case download_paused:
    case download_failed: return row_action_t::start;
    default: return row_action_t::none;
    }
}

download_row_c::download_row_c(download_row_input_t input, download_session_list_c& sessions,
                               install_services_t& services, run_host_c& host)
    : input_(std::move(input)),
      session_(sessions.find_or_create(input_.link, input_.expected_size, input_.sha256)),
      services_(services),
      host_(host),
      install_(std::make_shared<install_request_t>()),
      installer_(services.threads)
{
    take_progress();
    if (session_->state() == download_downloading) host_.start_timer();
}

void download_row_c::take_progress()
{
    expected_size = session_->expected_size();
    bytes_done = session_->bytes_done();
    fraction = expected_size > 0 ? static_cast<float>(bytes_done) / static_cast<float>(expected_size) : 0.0f;
}

void download_row_c::start_download()
{
    // A session whose thread could not start is `failed`: no timer then,
    // the row shows the error and offers to resume.
    if (session_->start()) host_.start_timer();
}

void download_row_c::click()
{
    switch (row_button_action(session_->state())) {
    case row_action_t::pause:
        session_->request_pause();
        break;
    case row_action_t::install: {
        install_order_t order;
        order.link = input_.link;
        order.no_update = input_.no_update;
        order.package_path = session_->final_path();
        order.download_folder = session_->download_folder();
        order.inf_names = input_.inf_names;
        order.sha256 = input_.sha256;
        order.device_ids = input_.device_ids;
        order.without_backup = without_backup_next_;
        without_backup_next_ = false;
        // The timer runs until the job has ended, so the row shows its
        // outcome as soon as it is in.
        if (request_install(installer_, install_, order, host_, services_)) {
            told_install_outcome_ = false;
            host_.start_timer();
        }
        break;
    }
    case row_action_t::start:
        start_download();
        break;
    case row_action_t::none:
        break;
    }
    host_.redraw();
}

void download_row_c::timer_tick()
{
    take_progress();
    if (session_->check_completion() != completion_t::running && install_->installing.load() == 0) {
        host_.stop_timer();
        take_progress();
        // Said once per installation: the request's outcome goes back to
        // none when the next one is asked for. A package refused for its
        // digest is said too: nothing else shows that Install did nothing.
        const int32_t outcome = install_->outcome.load();
        if (!told_install_outcome_ && outcome == install_outcome_opened_folder) {
            told_install_outcome_ = true;
            host_.message_box(lang::download_setup_manual, box_style_t::information);
        } else if (!told_install_outcome_ && outcome == install_outcome_refused) {
            told_install_outcome_ = true;
            host_.message_box(lang::download_setup_refused, box_style_t::error);
        } else if (!told_install_outcome_ && outcome == install_outcome_opened_package_folder) {
            told_install_outcome_ = true;
            host_.message_box(lang::download_setup_package_folder, box_style_t::information);
        } else if (!told_install_outcome_ && outcome == install_outcome_restart_needed) {
            told_install_outcome_ = true;
            host_.message_box(lang::download_setup_restart, box_style_t::information);
        } else if (!told_install_outcome_ && outcome == install_outcome_no_restore_point) {
            told_install_outcome_ = true;
            // Asked once a run; only Yes installs (a box closed without an
            // answer leaves the driver uninstalled), and the installation
            // is then asked for again.
            restore_point_run_c* run = services_.restore_point;
            if (run && run->take_question() &&
                host_.message_box(lang::download_setup_no_restore_point, box_style_t::yes_no) ==
                    box_result_t::accepted) {
                run->allow_without();
                click();
            }
        } else if (!told_install_outcome_ && outcome == install_outcome_no_backup) {
            told_install_outcome_ = true;
            // Asked each time: only Yes installs this once without the
            // backup of the driver it replaces.
            if (host_.message_box(lang::download_setup_no_backup, box_style_t::yes_no) == box_result_t::accepted) {
                without_backup_next_ = true;
                click();
            }
        }
    }
    host_.redraw();
}

bool download_row_c::remove_enabled() const
{
    download_state_t s = session_->state();
    return s != download_not_downloaded && s != download_downloading;
}

void download_row_c::remove()
{
    if (host_.message_box(lang::remove_confirm, box_style_t::yes_no) != box_result_t::accepted) return;
    if (!session_->remove_files()) return;
    // The folder an installation unpacked the package into goes with the
    // package file (a paused download of a package still on disk keeps it).
    if (!path_exists(session_->final_path()))
        remove_package_folder(session_->download_folder(), session_->final_path());
    take_progress();
    host_.redraw();
}

void download_row_c::open_location()
{
    switch (session_->state()) {
    case download_not_downloaded:
        services_.shell.execute(session_->download_folder(), u"");
        break;
    case download_complete:
        shell_show_file(services_.shell, session_->final_path());
        break;
    default:
        shell_show_file(services_.shell, session_->temp_path());
        break;
    }
}

void download_row_c::download_all()
{
    if (!ticked || row_button_action(session_->state()) != row_action_t::start) return;
    start_download();
    host_.redraw();
}

bool download_row_c::tick_all(bool tick)
{
    if (input_.no_update) return false;
    ticked = tick;
    return true;
}

bool confirm_download_all(run_host_c& host)
{
    return host.message_box(lang::download_all_warning, box_style_t::yes_no) == box_result_t::accepted;
}

bool confirm_quit(const download_session_list_c& sessions, run_host_c& host)
{
    if (!sessions.any_downloading()) return true;
    return host.message_box(lang::quit_confirm, box_style_t::yes_no) == box_result_t::accepted;
}

} // namespace tdu
