#pragma once
// CPieChart: a tilted three-dimensional pie drawn with GDI+ (anti-aliased):
// slices in order from the positive x axis clockwise, each spanning its
// share of the total, a side face of the set depth below the front half,
// and, when the label flag is on, each slice's percentage at its middle.
// The drawing is cached in a bitmap and rebuilt when a property or a slice
// changes. All values 0 draws the background only.
#include "common/text.h"
#include "ui/win/gdi_handle.h"
#include "ui/win/window.h"

#include <cstdint>
#include <vector>

namespace tdu {

// GDI+ started for as long as any holder lives.
class gdiplus_session_t {
public:
    gdiplus_session_t();
    ~gdiplus_session_t();
    gdiplus_session_t(const gdiplus_session_t&) = delete;
    gdiplus_session_t& operator=(const gdiplus_session_t&) = delete;
    bool started() const { return started_; }

private:
    bool started_ = false;
};

class CPieChart : public window_c<CPieChart> {
public:
    struct slice_t {
        u16 label;
        double value = 0;
        float share = 0;
        uint32_t argb = 0xFF000000;
        float explode = 0;  // percentage of the pie's width
    };

    CPieChart();
    ~CPieChart() override;

    // A child window with the text "Pie Chart"; starts GDI+.
    HWND create(HWND parent, int id, int x, int y, int width, int height);

    void set_background(COLORREF colour);
    void set_inclination(float degrees);
    // The side's height in pixels at the chart's present height; it scales
    // with the chart afterwards.
    void set_depth(float pixels);
    void set_label(bool on);
    void set_pie_rect(const RECT& rect);
    void clear_slices();
    void add_slice(u16view label, double value, uint32_t argb);
    void set_explode(size_t slice, float percent);

    const std::vector<slice_t>& slices() const { return slices_; }
    float inclination() const { return inclination_; }

    // Draws the chart as it looks at a client size of width by height into
    // `dc` (any device context; tests draw into a DIB).
    void render(HDC dc, int width, int height) const;

    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);

private:
    void changed();
    int client_height() const;

    gdiplus_session_t* gdiplus_ = nullptr;
    COLORREF background_ = RGB(255, 255, 255);
    float inclination_ = 45;
    float depth_ratio_ = 0;
    bool labels_ = true;
    RECT pie_rect_{10, 10, 110, 110};
    std::vector<slice_t> slices_;
    bitmap_t cache_;
    int cache_width_ = 0, cache_height_ = 0;
    HWND scroll_bar_ = nullptr;
};

} // namespace tdu
