#pragma once
// view_run_host_c: the run host that a view's window is. Message boxes open
// modally over the view, the run's timer is the window's timer `timer_id`
// (0: the run needs none), a redraw paints at once; a run's outcomes for
// the main window go nowhere unless the view says otherwise. A view derives
// from it beside window_c<T> and names its window in view_window().
#include "app/run_host.h"

#include <windows.h>

namespace tdu {

class view_run_host_c : public run_host_c {
public:
    explicit view_run_host_c(UINT_PTR timer_id) : timer_id_(timer_id) {}

    box_result_t message_box(language_key_t key, box_style_t style) override;
    box_result_t message_box_text(u16view text, box_style_t style) override;
    void start_timer() override;
    void stop_timer() override;
    void redraw() override;
    void finished(std::shared_ptr<const scan_outcome_t>) override {}
    void show_home() override {}
    void retry() override {}

protected:
    virtual HWND view_window() const = 0;

private:
    UINT_PTR timer_id_;
};

} // namespace tdu
