#pragma once
// The restore view: the backups of the catalogue in a check-box tree (one
// entry at most ticked), the details of the selected record, the backup
// folder, and the big "btn_restore" button that unpacks the ticked backup
// on a worker and hands it to the driver package installer with forced
// installation.
#include "ui/views/view_run_host.h"
#include "backup/backup_runs.h"
#include "ui/controls/bitmap_button.h"
#include "ui/controls/check_tree.h"
#include "ui/skin/skin_image.h"
#include "ui/win/window.h"
#include "ui/win/user_handle.h"

#include <functional>
#include <vector>

namespace tdu {

class restore_window_c : public window_c<restore_window_c>, public view_run_host_c {
public:
    static constexpr wchar_t class_name[] = L"TavrillRestoreView";
    static constexpr int button_id = 101;
    static constexpr UINT_PTR timer_id = 1;  // watches the run for its end
    static constexpr UINT wm_tick_item = WM_USER + 100;
    // Posted when the view was shown over an empty catalogue, so the box
    // opens once the view is on screen.
    static constexpr UINT wm_no_backup = WM_USER + 101;

    explicit restore_window_c(std::function<backup_services_t()> services);
    ~restore_window_c() override;

    HWND create_view(HWND parent, const RECT& rect);
    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);

    // A restore works now (from the button until its worker is done).
    bool run_working() const { return view_.job->busy.load() != 0; }
    const check_tree_c& tree() const { return tree_; }
    HWND button() const { return button_.hwnd(); }
    const std::vector<restore_item_t>& items() const { return items_; }
    // Waits for a restore worker that is still held (tests, and the end).
    void wait_for_run();


private:
    HWND view_window() const override { return hwnd(); }
    void fill_tree();
    void on_tick_item(HTREEITEM item);
    void on_notify(const NMHDR& header);
    void on_start();
    void paint(HDC dc, const RECT& client);

    std::function<backup_services_t()> services_;
    restore_view_state_t view_;
    std::vector<restore_item_t> items_;
    check_tree_c tree_;
    bitmap_button_c button_;
    image_list_t button_images_;
    skin_image_c details_icon_;
    skin_image_c settings_icon_;
    const backup_device_t* selected_ = nullptr;
    u16 inf_folder_;
};

} // namespace tdu
