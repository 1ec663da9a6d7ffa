#pragma once
// devinfo_window_c: the modal device information dialog (template 312,
// 640 by 480 pixels) of one row of the results list. The upper list names
// the row's devices; the lower one compares, for the chosen device, the
// driver that is installed with the best driver the update service offers,
// thirteen rows of three columns (ui/model/device_details.h). A cell too
// long for its column shows its whole text in a tip under the mouse.
//
// The group is borrowed from the row and must not change while the dialog
// runs (the results list is not rebuilt under a modal dialog).
#include "devices/offer_grouping.h"
#include "ui/controls/bitmap_button.h"
#include "ui/controls/list_cell_tip.h"
#include "ui/skin/ui_window.h"
#include "ui/win/dialog.h"
#include "ui/win/user_handle.h"

namespace tdu {

class devinfo_window_c : public dialog_c<devinfo_window_c>, public ui_window_c<devinfo_window_c> {
public:
    static constexpr int dialog_width = 640;
    static constexpr int dialog_height = 480;
    // The two lists made when the dialog starts.
    static constexpr int device_list_id = 1000;
    static constexpr int detail_list_id = 1001;

    explicit devinfo_window_c(const offer_group_t& group);
    ~devinfo_window_c() override;

    // Runs it modally over `owner`: 1 with OK, 2 with Escape or the caption
    // close button.
    int run(HWND owner);

    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);

    // Refills the detail list with the rows of the group's device at
    // `position`; a position outside the group leaves it empty.
    void show_device_details(int position);

private:
    void set_up();
    void make_device_list();
    void make_detail_list();
    void on_selection_change();
    void close_box() { end_dialog(2); }

    const offer_group_t& group_;
    HWND device_list_ = nullptr;
    HWND detail_list_ = nullptr;
    list_cell_tip_c detail_tip_;  // the whole text of a cell its column cuts
    bitmap_button_c ok_button_;
    image_list_t button_images_;
};

// The entry point of a results row's "menu_information": runs the dialog for
// `group` over `owner` and returns the code it ended with.
int show_device_information(HWND owner, const offer_group_t& group);

} // namespace tdu
