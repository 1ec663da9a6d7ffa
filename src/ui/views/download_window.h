#pragma once
// download_window_c: the results view. One row per offered package (the
// devices that share it) in a scrolling list, a header with the number of
// out-of-date drivers, the selector between the best and the latest offers,
// and the side bar with the health score, the pie chart of the three
// counts, its legend, the FAQ link and the WHQL note; the bottom bar ticks
// every row and downloads the ticked ones.
//
// The view and its rows hold the scan result they were made from; a new
// scan's result replaces it, never changing the records under them. The
// counts and the chart are renewed each time the view is shown, and the
// diagnostic report is sent then. Rows are rebuilt for every scan and every
// change of kind; their downloads live on in the session list, so a running
// download carries on in the new row of its package.
//
// "Ignore this update" of a row and "Stop ignoring" of the ignored list
// (the bottom bar's link) hand the new ignore list to the services, which
// keep it and rank the same answer again; the rows, the counts and the
// chart are then made anew.
#include "backup/backup_runs.h"
#include "devices/device.h"
#include "devices/offer_grouping.h"
#include "packages/download_session.h"
#include "packages/package_install.h"
#include "results/results_model.h"
#include "service/diagnostic_report.h"
#include "ui/controls/link.h"
#include "ui/controls/panel_list.h"
#include "ui/controls/pie_chart.h"
#include "ui/views/download_all_window.h"
#include "ui/views/download_panel.h"
#include "ui/views/view_run_host.h"
#include "ui/skin/skin_image.h"
#include "ui/win/gdi_handle.h"
#include "ui/win/window.h"

#include "app/ignored_offers.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace tdu {

// What the results view works on: the download sessions, the
// installation's services and the machine facts of the diagnostic report.
struct results_services_t {
    download_session_list_c* sessions = nullptr;
    install_services_t install;
    report_machine_t machine;
    // The ignore list as it stands (the user's settings), and the change of
    // it: kept, saved and the shown result's answer ranked again into a new
    // result; none when no ranking may run now.
    const ignored_offers_t* ignored_offers = nullptr;
    std::function<std::shared_ptr<const scan_outcome_t>(const ignored_offers_t& list, const scan_outcome_t& shown)>
        change_ignored_offers;
    // The backup records a row's "Roll back" restores from; none when empty.
    std::function<backup_services_t()> backup;
};

class download_window_c : public window_c<download_window_c>, public view_run_host_c {
public:
    static constexpr wchar_t class_name[] = L"TavrillResultsView";
    static constexpr UINT_PTR rollback_timer_id = 1;  // watches a row's roll-back for its end
    static constexpr int list_id = 100;
    static constexpr int best_id = 1;
    static constexpr int latest_id = 2;
    static constexpr int header_height = 40;
    static constexpr int selector_height = 27;
    static constexpr int side_bar = 250;

    explicit download_window_c(std::function<results_services_t()> services);
    ~download_window_c() override;

    HWND create_view(HWND parent, const RECT& rect);
    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);

    // A finished scan's result: it replaces the one shown, and the rows are
    // made from its devices with the selected kind (running downloads
    // carry on in the new rows).
    void load_scan_result(std::shared_ptr<const scan_outcome_t> result);
    const std::shared_ptr<const scan_outcome_t>& result() const { return result_; }

    offer_kind_t kind() const { return kind_; }
    // As a click on the selector's button of `kind`.
    void select_kind(offer_kind_t kind);
    const offer_counts_t& counts() const { return counts_; }
    int32_t score() const { return result_score(counts_); }
    uint32_t device_nodes() const { return result_ ? result_->device_nodes : 0; }
    int32_t row_count() const { return static_cast<int32_t>(list_.rows().size()); }
    const std::vector<std::unique_ptr<download_panel_c>>& rows() const { return list_.rows(); }
    const panel_list_c<download_panel_c>& list() const { return list_; }
    const CPieChart& chart() const { return chart_; }
    HWND kind_button(offer_kind_t kind) const { return kind == offer_kind_t::best ? best_ : latest_; }
    const download_all_window_c& bottom_bar() const { return bottom_; }
    // As a click on the bottom bar's link: the ignored list's dialog.
    void show_ignored_list();
    size_t ignored_count() const;

    // The header's notice of a newer program version (the weekly look);
    // empty hides it. It also ends the view's name, for those who read the
    // view from outside.
    void set_update_notice(u16 text);
    const u16& update_notice() const { return update_notice_; }
    // Where the notice lies in a view `width` pixels wide (the header above
    // the side bar).
    static RECT update_notice_rect(int width);
    // A click on the notice (the main window opens the updater).
    std::function<void()> on_update_notice_click;

    // Shared by the rows: the main window sets how the device information
    // opens; tests may answer the context menu.
    panel_context_t& panel_context() { return context_; }
    // The rows' roll-back: its worker and how it ended.
    const restore_view_state_t& rollback() const { return rollback_; }

private:
    void on_create();
    void layout(int width, int height);
    void on_show();
    void rebuild_rows();
    void forward_to_rows(UINT message, WPARAM w);
    void on_download_all();
    void paint(HDC dc, const RECT& client);
    void paint_side_bar(HDC dc, int width);
    // The counts of the loaded scan, also the view's name.
    void update_counts();
    void update_chart();
    // The ignore list with the offers of `group` added.
    ignored_offers_t list_with_row(const offer_group_t& group) const;
    // Hands `list` to the services and rebuilds rows and counts from the
    // ranking it leads to.
    void apply_ignored_offers(const ignored_offers_t& list);

    std::function<results_services_t()> services_factory_;
    std::optional<results_services_t> services_;
    panel_context_t context_;
    panel_list_c<download_panel_c> list_;
    offer_grouping_t grouping_;
    offer_kind_t kind_ = offer_kind_t::best;
    // The result shown; the groups point into it. None before a scan.
    std::shared_ptr<const scan_outcome_t> result_;
    offer_counts_t counts_{};
    HWND best_ = nullptr;
    HWND latest_ = nullptr;
    CPieChart chart_;
    link_c faq_;
    download_all_window_c bottom_;
    brush_t header_tile_;
    brush_t side_bar_brush_;
    brush_t frame_brush_;
    brush_t edge_brush_;
    skin_image_c legend_icons_[4];
    // A row's "Ignore this update" waits here for the view's own message.
    std::optional<ignored_offers_t> pending_ignore_;
    // A row's roll-back (the restore run), watched by the view's timer.
    restore_view_state_t rollback_;
    u16 update_notice_;
    u16 counts_name_;

protected:
    HWND view_window() const override { return hwnd(); }
};

} // namespace tdu
