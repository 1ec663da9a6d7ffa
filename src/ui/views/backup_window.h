#pragma once
// The backup view: the installed driver packages in a check-box tree (the
// available and the Windows built-in ones), the details of the selected
// device, the backup folder, the big "btn_backup" button, and the backup
// run on a worker, watched by the 200 ms timer (id 1) that moves the
// progress bar and shows the run's end.
#include "ui/views/cleanup_page.h"
#include "ui/views/view_run_host.h"
#include "backup/backup_runs.h"
#include "ui/controls/bitmap_button.h"
#include "ui/controls/check_tree.h"
#include "ui/controls/progress_bar.h"
#include "ui/skin/skin_image.h"
#include "ui/win/window.h"
#include "ui/win/user_handle.h"

#include <functional>
#include <memory>

namespace tdu {

class backup_window_c : public window_c<backup_window_c>, public view_run_host_c {
public:
    static constexpr wchar_t class_name[] = L"TavrillBackupView";
    static constexpr UINT_PTR timer_id = 1;
    static constexpr int button_id = 101;
    static constexpr int cleanup_button_id = 102;
    // Posted to itself after a click on a box, so it runs once the tree has
    // toggled the box.
    static constexpr UINT wm_tick_item = WM_USER + 100;

    explicit backup_window_c(std::function<backup_services_t()> services);
    ~backup_window_c() override;

    HWND create_view(HWND parent, const RECT& rect);
    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);

    // A backup run is held: from the button until its end has been shown.
    bool run_working() const { return view_.worker.held(); }
    const check_tree_c& tree() const { return tree_; }
    HWND button() const { return button_.hwnd(); }
    const backup_job_t& job() const { return *view_.job; }
    int32_t selected_count() const { return view_.selected_count; }
    // The fraction the progress bar shows now.
    float progress_fraction() const;

    // The clean-up page, over the whole view while shown; the button below
    // the progress bar shows it, the page's own button hides it again.
    HWND cleanup_button() const { return cleanup_button_; }
    cleanup_page_c& cleanup_page() { return *cleanup_; }
    void show_cleanup(bool show);


private:
    HWND view_window() const override { return hwnd(); }
    void fill_tree();
    void on_tick_item(HTREEITEM item);
    void on_notify(const NMHDR& header);
    void on_start();
    void paint(HDC dc, const RECT& client);

    std::function<backup_services_t()> services_;
    backup_view_state_t view_;
    check_tree_c tree_;
    bitmap_button_c button_;
    image_list_t button_images_;
    skin_image_c details_icon_;
    skin_image_c settings_icon_;
    tiled_progress_c progress_;
    const device_t* selected_ = nullptr;
    u16 inf_folder_;
    HWND cleanup_button_ = nullptr;
    std::unique_ptr<cleanup_page_c> cleanup_;
};

} // namespace tdu
