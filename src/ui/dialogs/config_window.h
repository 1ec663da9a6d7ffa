#pragma once
// config_window_c: the modal settings dialog (template 313, 640 by 480
// pixels): the download and backup folders with their folder pickers,
// closing to the tray, starting with Windows, scanning devices that are not
// present, the weekly scheduled scan and the interface language. OK checks
// the folders (a refused one is named in a box over the dialog) and saves
// every setting (with the Run entry); Cancel changes nothing but puts the
// weekly task's trigger back as the saved setting says. The decisions are
// ui/model/config_dialog_model.h.
#include "app/language.h"
#include "app/settings.h"
#include "system/scheduled_scan.h"
#include "ui/controls/bitmap_button.h"
#include "ui/skin/skin_image.h"
#include "ui/skin/ui_window.h"
#include "ui/win/dialog.h"
#include "ui/win/user_handle.h"

namespace tdu {

// What the dialog edits and where it saves it.
struct config_services_t {
    app_settings_t& settings;
    settings_store_t& store;
    task_scheduler_c& scheduler;
    language_table_t& language;
    u16 program_path;  // what the weekly task starts
};

class config_window_c : public dialog_c<config_window_c>, public ui_window_c<config_window_c> {
public:
    static constexpr int dialog_width = 640;
    static constexpr int dialog_height = 480;

    explicit config_window_c(config_services_t services);
    ~config_window_c() override;

    // Runs it modally over `owner`: 1 after OK saved, 2 after Cancel (also
    // its caption close button and Escape).
    int run(HWND owner);

    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);

private:
    void set_up();
    void place_controls();
    void paint(HDC dc);
    void on_ok();
    void on_cancel();
    void on_scheduled_clicked();
    void browse(int field);
    u16 field_text(int id) const;

    config_services_t services_;
    brush_t frame_brush_;
    skin_image_c divider_;
    bitmap_button_c buttons_[5];
    image_list_t button_images_;
};

} // namespace tdu
