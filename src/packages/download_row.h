#pragma once
// The actions of one results row that need no window: its button, its
// progress timer, the context menu's remove and open-location entries,
// download all and tick all; and the questions the results list and the
// main window ask before downloading everything or quitting. The results
// view forwards its messages here and draws what the row holds.
#include "app/run_host.h"
#include "common/worker.h"
#include "devices/offer_grouping.h"
#include "packages/download_session.h"
#include "packages/package_install.h"
#include "packages/shell.h"

#include <optional>

#include <memory>
#include <string>
#include <vector>

namespace tdu {

// What a row takes from its group of devices.
struct download_row_input_t {
    std::string link;             // the group's download link
    uint32_t expected_size = 0;   // the offered package's size in bytes
    std::string sha256;           // the offered package's digest; empty when the service gave none
    bool no_update = false;       // no device of the group gains a newer driver
    std::vector<u16> inf_names;   // each device's INF inside the package, for the group's offer kind
    std::vector<u16> device_ids;  // the group's devices, whose installed drivers are backed up first
};

// A row's input from its group: the link and the offer's size, and the INF
// name of each device's best offer (mode 0) or latest offer (mode 1), in the
// group's order. Any other mode, or a device without such an offer, adds no
// INF name.
download_row_input_t download_row_input_for(const offer_group_t& group);

// What a row shows beside its button: the state text, the button's label,
// and whether the text tells of a failure (drawn in the failure colour).
// A failed download says why; its button offers "Resume" only where bytes
// on disk can be resumed, else a new download. A complete package says how
// its latest installation ended (`install_outcome`, install_outcome_t).
// An installer that failed is named by its exit code: the text is then a
// format whose "%s" takes `argument` (installer_exit_code_text of
// `exit_code`); other texts have no argument.
struct row_status_t {
    language_key_t text;
    language_key_t button;
    bool failure = false;
    std::string argument;  // empty when the text is no format
};
row_status_t row_status(download_state_t state, download_failure_t failure, uint32_t bytes_done,
                        int32_t install_outcome, uint32_t exit_code = 0);

// What a row does on a click of its button, by session state.
enum class row_action_t { none, start, pause, install };
row_action_t row_button_action(download_state_t state);

class download_row_c {
public:
    // Finds or makes the session of the link; a session that is already
    // downloading (a transfer that outlived an earlier row) starts the
    // row's timer at once.
    download_row_c(download_row_input_t input, download_session_list_c& sessions, install_services_t& services,
                   run_host_c& host);

    // The row button, or the context menu's first entry.
    void click();
    // The row's timer: takes over the progress and settles the session when
    // its transfer has ended; it also runs while the row's installation
    // worker does, and stops once both have ended.
    void timer_tick();
    // The context menu's "menu_remove", after asking "remove_confirm"
    // (only Yes removes): the session's file, and once the package file is
    // gone the folder it was unpacked into (see remove_package_folder).
    void remove();
    // Whether "menu_remove" is offered (not in `not_downloaded` or
    // `downloading`).
    bool remove_enabled() const;
    // The context menu's "menu_open_location".
    void open_location();
    // Download all: a ticked row whose session can start starts it.
    void download_all();
    // Tick all: the row takes the new tick state unless its group brings no
    // newer driver. Returns whether the tick box is to change.
    bool tick_all(bool ticked);

    row_status_t status() const;
    language_key_t status_text_key() const { return status().text; }
    language_key_t button_text_key() const { return status().button; }
    download_session_c& session() { return *session_; }
    const download_row_input_t& input() const { return input_; }
    const std::shared_ptr<install_request_t>& install_request() const { return install_; }
    // How the row's latest installation ended (install_outcome_t); the
    // results view shows a failure beside the row.
    int32_t install_outcome() const { return install_->outcome.load(); }
    // The installation job this row started: whether it runs, and its end
    // once (nothing while it runs or when none was started).
    bool installing() const { return installer_.running(); }
    std::optional<worker_result_t> take_install_result() { return installer_.take_result(); }

    // What the row shows, refreshed by the timer.
    uint32_t expected_size = 0;
    uint32_t bytes_done = 0;
    float fraction = 0.0f;
    bool ticked = false;

private:
    void start_download();
    void take_progress();

    download_row_input_t input_;
    std::shared_ptr<download_session_c> session_;
    install_services_t& services_;
    run_host_c& host_;
    std::shared_ptr<install_request_t> install_;
    worker_c installer_;
    bool told_install_outcome_ = false;
    bool without_backup_next_ = false;  // the user agreed to install once without the backup
};

// Asked by the results list before it sends download all to every row:
// "download_all_warning", and only Yes goes on.
bool confirm_download_all(run_host_c& host);

// Asked by the main window before it closes: while a download runs,
// "quit_confirm", and only Yes closes (a box closed without an answer keeps
// the downloads running).
bool confirm_quit(const download_session_list_c& sessions, run_host_c& host);

} // namespace tdu
