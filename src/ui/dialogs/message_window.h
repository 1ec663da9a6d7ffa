#pragma once
// message_window_c: the program's one message box. A modal skinned dialog
// (template 355, a 30-pixel band with the title and a close button) with the
// style's icon, the wrapped text and one or two image buttons on a
// dark-blue strip. It is 300 by 200 pixels, and grows to show a longer text
// whole (ui/model/message_box_geometry.h). Results: 1 for the first button,
// 2 for the second, 0 when it is closed with its caption button.
#include "app/run_host.h"
#include "common/text.h"
#include "ui/controls/bitmap_button.h"
#include "ui/model/message_box_geometry.h"
#include "ui/model/message_box_style.h"
#include "ui/skin/skin_image.h"
#include "ui/skin/ui_window.h"
#include "ui/win/dialog.h"
#include "ui/win/user_handle.h"

namespace tdu {

class message_window_c : public dialog_c<message_window_c>, public ui_window_c<message_window_c> {
public:
    static constexpr int band = 30;

    // `text` is the caller's and must live as long as the box.
    message_window_c(u16view text, unsigned style);
    ~message_window_c() override;

    // Runs the box modally over `owner` (may be null) and returns 1, 2 or 0.
    int run(HWND owner);

    // Paints the client area as the box shows it into `dc`.
    void paint_client(HDC dc);

    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);

    // The size and places the box took for its text (once it is up).
    const message_box_geometry_t& geometry() const { return geometry_; }

private:
    void set_up();
    void close_box() { end_dialog(message_closed); }
    void fill_background(HDC dc);
    // The owner the box is centred over: null when there is none or it is hidden or minimised.
    HWND owner_or_null() const;

    u16view text_;
    unsigned style_;
    message_box_layout_t layout_;
    message_box_geometry_t geometry_;
    skin_image_c icon_;
    bitmap_button_c buttons_[2];
    image_list_t button_images_;
    brush_t body_brush_;
    brush_t strip_brush_;
};

// Shows `text` in a message box of `style` over `owner` and returns which
// button closed it (1, 2, or 0 for the caption button).
int show_message_box(HWND owner, u16view text, unsigned style);

// What every host of a run calls to show a box: the interface text of `key`,
// or a text of the run's own, and the answer. A box closed with its caption
// button is declined: nobody said Yes or Retry.
box_result_t ask_message_box(HWND owner, language_key_t key, box_style_t style);
box_result_t ask_message_text(HWND owner, u16view text, box_style_t style);

} // namespace tdu
