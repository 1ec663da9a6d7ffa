#pragma once
// The scan view: hosts a scan run, drives it from its 200 ms timer (id 1)
// and paints its progress: the start and elapsed times, the status, the
// devices examined, the device being examined, a waiting box while the
// update service is asked, a progress bar and the system-information side
// bar. With offers from a driver folder its line naming the folder is also
// the view's window text. The run's outcomes go to the main window as its wm_* messages.
#include "ui/views/view_run_host.h"
#include "common/text.h"
#include "service/scan_run.h"
#include "ui/controls/progress_bar.h"
#include "ui/skin/skin_image.h"
#include "ui/win/gdi_handle.h"
#include "ui/win/window.h"

#include <functional>

namespace tdu {

class scan_window_c : public window_c<scan_window_c>, public view_run_host_c {
public:
    static constexpr wchar_t class_name[] = L"TavrillScanView";
    static constexpr UINT_PTR timer_id = 1;

    // `services` are what every run works on; they outlive the view.
    explicit scan_window_c(std::function<scan_services_t()> services);

    HWND create_view(HWND parent, const RECT& rect);
    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);

    // The main window's side of a run: a new run from the device scan at
    // the next tick, and the end of the view's part once the main window
    // has taken the outcome.
    void restart(int64_t now);
    void reset_phase();
    scan_result_t& run() { return run_; }
    // The progress bar as last painted (a wait while the service is asked).
    const tiled_progress_c& progress() const { return progress_; }
    bool scanning() const { return run_.phase != scan_phase_t::not_started; }

    // The scan's outcomes go to the main window.
    void finished(uint32_t device_nodes) override;
    void show_home() override;
    void retry() override;

private:
    HWND view_window() const override { return hwnd(); }
    void layout(int width, int height);
    void paint(HDC dc, const RECT& client);
    // The driver folder line (empty when the offers come from the service).
    u16 source_line() const;
    void update_source_name();
    void set_source_name(const u16& name);

    std::function<scan_services_t()> services_;
    scan_result_t run_;
    RECT block_{};
    int line_height_ = 14;
    u16 source_name_; // the driver folder line last painted, also the view's name
    skin_image_c picture_;
    skin_image_c header_;
    tiled_progress_c progress_;
    brush_t panel_frame_;
    brush_t light_band_;
};

} // namespace tdu
