#pragma once
// The clean-up page of the backup view: the driver store's superseded
// packages in a list with tick boxes (package, version, date, size), a box
// "back up each package before removing it" (ticked), the "Remove" button
// and the way back to the backup. The removal runs on a worker, watched by
// the 200 ms timer (id 1), which shows its end with the space freed.
#include "backup/cleanup_runs.h"
#include "backup/removal_platform.h"
#include "ui/views/view_run_host.h"
#include "ui/win/window.h"

#include <commctrl.h>

#include <functional>

namespace tdu {

class cleanup_page_c : public window_c<cleanup_page_c>, public view_run_host_c {
public:
    static constexpr wchar_t class_name[] = L"TavrillCleanupPage";
    static constexpr UINT_PTR timer_id = 1;
    static constexpr int list_id = 201;
    static constexpr int back_up_id = 202;
    static constexpr int remove_id = 203;
    static constexpr int back_id = 204;

    // `on_back` runs when the user goes back to the backup.
    cleanup_page_c(std::function<backup_services_t()> services, removal_platform_c& platform,
                   std::function<void()> on_back);

    HWND create_page(HWND parent, const RECT& rect);
    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);

    // Lists the store anew (unless a removal runs) and fills the list.
    void refresh();

    bool run_working() const { return view_.worker.held(); }
    const cleanup_view_state_t& state() const { return view_; }
    HWND list() const { return list_; }
    HWND back_up_box() const { return back_up_; }
    HWND remove_button() const { return remove_; }
    HWND back_button() const { return back_; }

private:
    HWND view_window() const override { return hwnd(); }
    void layout(int width, int height);
    void on_remove();
    void paint(HDC dc, const RECT& client);

    std::function<backup_services_t()> services_;
    removal_platform_c& platform_;
    std::function<void()> on_back_;
    cleanup_view_state_t view_;
    HWND list_ = nullptr;
    HWND back_up_ = nullptr;
    HWND remove_ = nullptr;
    HWND back_ = nullptr;
};

} // namespace tdu
