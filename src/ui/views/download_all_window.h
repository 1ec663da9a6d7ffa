#pragma once
// download_all_window_c: the results view's bottom bar, a tick box that
// ticks or clears every row ("download_all_check") and the button that
// downloads every ticked row ("download_all_button"), and between them the
// link to the ignored updates ("Ignored updates (N)", hidden while none is
// ignored). It only tells the results view (wm_tick_all with the new state,
// wm_download_all, the link's action); the view asks and forwards to the
// rows.
#include "ui/controls/bitmap_button.h"
#include "ui/controls/link.h"
#include "ui/win/gdi_handle.h"
#include "ui/win/window.h"
#include "ui/win/user_handle.h"

namespace tdu {

class download_all_window_c : public window_c<download_all_window_c> {
public:
    static constexpr wchar_t class_name[] = L"TavrillDownloadAllBar";
    static constexpr int check_id = 1;
    static constexpr int button_id = 2;
    static constexpr int height = 41;

    ~download_all_window_c() override;

    HWND create_bar(HWND view, int x, int y, int width);
    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);

    HWND check_box() const { return check_; }
    HWND button() const { return button_.hwnd(); }
    const link_c& ignored_link() const { return ignored_; }
    link_c& ignored_link() { return ignored_; }
    // The link's count: its label, its width, shown when above 0.
    void set_ignored_count(size_t count);

private:
    void on_create();
    void place_ignored_link(int width);

    HWND check_ = nullptr;
    bitmap_button_c button_;
    image_list_t button_images_;
    pen_t line_;
    link_c ignored_;
    int ignored_width_ = 0;
};

} // namespace tdu
