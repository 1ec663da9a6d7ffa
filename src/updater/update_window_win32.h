#pragma once
// update_window_c: the updater's window, a skinned dialog on the about
// dialog's template (500 by 400 pixels, the band with the product's icon and
// name). It checks at once on a worker and shows what
// ui/model/update_window_model.h decides: "up to date", a failure, or the
// newer version with its size and "Update now"; that button runs the
// update on a worker with a progress bar for the download. The window
// polls the worker on a timer and never waits for it.
#include "common/text.h"
#include "packages/program_update.h"
#include "service/answer_signature.h"
#include "ui/controls/bitmap_button.h"
#include "ui/controls/progress_bar.h"
#include "ui/model/update_window_model.h"
#include "ui/skin/skin_image.h"
#include "ui/skin/ui_window.h"
#include "ui/win/dialog.h"
#include "updater/update_actions_win32.h"
#include "ui/win/user_handle.h"

#include <memory>

namespace tdu {

// One run of the course on a worker; the window and the worker share it.
struct update_job_t {
    update_progress_t progress;
    std::atomic<int32_t> done{0};
    update_result_t result;  // written by the worker before done, read after
    int32_t close_refusal = 0;
};

class update_window_c : public dialog_c<update_window_c>, public ui_window_c<update_window_c> {
public:
    static constexpr int dialog_width = 500;
    static constexpr int dialog_height = 400;
    static constexpr UINT_PTR poll_timer_id = 1;

    update_window_c(u16 program_folder, std::vector<answer_key_t> keys);
    ~update_window_c() override;

    // Runs it modally; the exit status of the last outcome (update_exit_code).
    int run();

    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);
    void draw_band_content(HDC dc, const RECT& window);

    update_phase_t phase() const { return phase_; }
    const update_view_t& view() const { return view_; }

private:
    void set_up();
    void start_job(bool install);
    void poll();
    void show(const update_view_t& view);
    void paint(HDC dc);
    void close_box();
    void install_clicked();

    u16 program_folder_;
    std::vector<answer_key_t> keys_;
    std::shared_ptr<update_job_t> job_;
    update_phase_t phase_ = update_phase_t::checking;
    update_result_t checked_;
    update_view_t view_;
    int exit_code_ = 0;
    skin_image_c icon_;
    brush_t separator_;
    brush_t band_brush_;
    tiled_progress_c progress_;
    bitmap_button_c buttons_[2];
    image_list_t button_images_;
};

} // namespace tdu
