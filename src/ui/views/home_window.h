#pragma once
// The home view: the big scan button, the three steps above it, the banner
// and the automatic-scan line below, the system-information side bar. Its
// scan button sends wm_start_scan to the main window, on a click or, while
// the view has the focus, on Enter or Space; a focus rectangle shows on it
// once the keyboard is used.
#include "ui/skin/button.h"
#include "ui/skin/skin_image.h"
#include "ui/win/gdi_handle.h"
#include "ui/win/window.h"

namespace tdu {

class home_window_c : public window_c<home_window_c> {
public:
    static constexpr wchar_t class_name[] = L"TavrillHomeView";

    // A child of `parent` covering `rect`, hidden until the main window shows it.
    HWND create_view(HWND parent, const RECT& rect);
    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);

    // The scan button's state (0 normal, 1 hover, 2 pressed) and where it is.
    int button_state() const { return button_state_; }
    // Whether the focus rectangle is drawn on the button (the view has the
    // focus and the keyboard has been used, or the system always shows it).
    bool focus_drawn() const;
    RECT scan_button_rect() const;

private:
    void load_images();
    void paint(HDC dc, const RECT& client);
    void pointer(int event, LPARAM l);
    void key(UINT message, WPARAM w, LPARAM l);

    skin_image_c steps_;
    skin_image_c banner_;
    skin_image_c icon_;
    skin_image_c scan_button_[3];
    brush_t header_tile_;
    brush_t separator_tile_;
    int button_state_ = 0;
    bool focus_shown_ = false;
};

} // namespace tdu
