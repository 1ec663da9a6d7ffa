#pragma once
// The gallery: one skinned window showing every control of the skin in its
// states (band buttons normal, hover, pressed; image buttons normal, hover,
// pressed, disabled; row buttons; progress bars; links; a scrolled panel
// list; a pie of three slices), for people to look at.
#include "ui/controls/bitmap_button.h"
#include "ui/skin/button.h"
#include "ui/controls/link.h"
#include "ui/controls/panel_list.h"
#include "ui/controls/pie_chart.h"
#include "ui/controls/progress_bar.h"
#include "ui/skin/skin_image.h"
#include "ui/skin/ui_window.h"
#include "ui/win/window.h"

namespace tdu::gallery {

// A row of the panel list: its number, a name and a progress box.
class gallery_row_c : public window_c<gallery_row_c> {
public:
    bool open(HWND parent, int number);
    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);

private:
    int number_ = 0;
    row_progress_c progress_;
};

class gallery_window_c : public window_c<gallery_window_c>, public ui_window_c<gallery_window_c> {
public:
    static constexpr int width = 1000;
    static constexpr int height = 640;

    gallery_window_c();
    ~gallery_window_c() override;

    bool open();
    void draw_band_content(HDC dc, const RECT& window);
    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);

private:
    void add_band_buttons();
    void create_children();
    void paint_client(HDC dc, const RECT& client);
    void nothing() {}

    skin_image_c tile_;
    brush_t tile_brush_;
    brush_t strip_brush_;
    HIMAGELIST box_images_ = nullptr;
    bitmap_button_c image_buttons_[4];
    download_button_c<gallery_window_c> row_buttons_[3];
    tiled_progress_c progress_high_, progress_half_;
    row_progress_c row_box_;
    link_c link_, visited_link_;
    CPieChart pie_;
    panel_list_c<gallery_row_c> list_;
};

} // namespace tdu::gallery
