#pragma once
// ignored_window_c: the modal list of the updates the user ignores (the
// results view's "Ignored updates (N)" link). One line per ignored offer
// (driver, version, date, hardware ID); "Stop ignoring" takes the selected
// lines off the list the dialog holds, and the caller takes that list when
// the dialog ends and applies it if it changed.
#include "app/ignored_offers.h"
#include "ui/controls/bitmap_button.h"
#include "ui/skin/ui_window.h"
#include "ui/win/dialog.h"
#include "ui/win/user_handle.h"

#include <optional>

namespace tdu {

class ignored_window_c : public dialog_c<ignored_window_c>, public ui_window_c<ignored_window_c> {
public:
    static constexpr int dialog_width = 600;
    static constexpr int dialog_height = 360;
    static constexpr int list_id = 1000;
    static constexpr int stop_id = 1001;

    explicit ignored_window_c(ignored_offers_t list);
    ~ignored_window_c() override;

    // Runs it modally over `owner`: 1 with OK, 2 with Escape or the caption
    // close button.
    int run(HWND owner);

    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);

    // The list as the user left it, and whether it changed.
    const ignored_offers_t& list() const { return list_; }
    bool changed() const { return changed_; }
    HWND list_view() const { return list_view_; }
    HWND stop_button() const { return stop_button_; }
    // As a click on "Stop ignoring": the selected lines leave the list.
    void stop_ignoring_selected();

private:
    void set_up();
    void make_list();
    void fill_list();
    void update_stop_button();
    void close_box() { end_dialog(2); }

    ignored_offers_t list_;
    bool changed_ = false;
    HWND list_view_ = nullptr;
    HWND stop_button_ = nullptr;
    bitmap_button_c ok_button_;
    image_list_t button_images_;
};

// The entry point of the link: runs the dialog over `owner` with `list`;
// the list as the user left it when it changed, else nothing.
std::optional<ignored_offers_t> show_ignored_offers(HWND owner, const ignored_offers_t& list);

} // namespace tdu
