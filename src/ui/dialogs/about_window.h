#pragma once
// about_window_c: the modal about dialog (template 339, 500 by 400 pixels,
// a 100-pixel band with the product's icon and name): copyright, version
// and build stamp, and a button that starts the separate updater program
// "update\update.exe" beside the program. When the updater is not there the
// dialog says so instead of closing as if it had started.
#include "common/text.h"
#include "ui/controls/bitmap_button.h"
#include "ui/skin/skin_image.h"
#include "ui/skin/ui_window.h"
#include "ui/win/dialog.h"
#include "ui/win/user_handle.h"

namespace tdu {

class about_window_c : public dialog_c<about_window_c>, public ui_window_c<about_window_c> {
public:
    static constexpr int dialog_width = 500;
    static constexpr int dialog_height = 400;

    // `program_folder`: where update\update.exe is looked for (with a
    // trailing backslash); empty: the folder of the running program.
    explicit about_window_c(u16 program_folder = {});
    ~about_window_c() override;

    // Runs it modally over `owner`: 1 after starting the updater, 2 with
    // its second button, 0 with its caption close button.
    int run(HWND owner);

    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);
    void draw_band_content(HDC dc, const RECT& window);

    // The updater's full path.
    u16 updater_path() const;

private:
    void set_up();
    void paint(HDC dc);
    void close_box() { end_dialog(0); }
    void check_for_updates();

    u16 program_folder_;
    skin_image_c icon_;
    brush_t separator_;
    brush_t band_brush_;
    bitmap_button_c buttons_[2];
    image_list_t button_images_;
};

// Shown when the updater is missing.
extern const char16_t updater_missing_text[];

// The folder of the running program, with a trailing backslash.
u16 running_program_folder();

// Starts update\update.exe from `program_folder` (with a trailing
// backslash) over `owner`; when it is not there, says so in a box and
// returns false. The about dialog's button and the results header's notice
// both open the updater through this.
bool open_updater(HWND owner, const u16& program_folder);

// The about text's version and build stamp: "about_info1" with the
// version, the build date ("Apr  7 2015") and time ("08:40:25").
u16 about_information_text();

} // namespace tdu
