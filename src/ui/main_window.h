#pragma once
// The program's only frame window: the skinned caption band with the
// navigation and caption buttons, the logo, icon, title and version; the
// five views of which one shows at a time; the tray icon and its menu;
// close to tray; the automatic scan after a quiet quarter of an hour. The
// decisions are ui/model/main_window_state.h; this class carries them out.
#include "ui/model/main_window_state.h"
#include "ui/skin/skin_image.h"
#include "ui/skin/ui_window.h"
#include "ui/tray_icon.h"
#include "ui/update_look.h"
#include "ui/views/home_window.h"
#include "ui/views/backup_window.h"
#include "ui/views/restore_window.h"
#include "ui/views/download_window.h"
#include "ui/views/scan_window.h"
#include "ui/win/gdi_handle.h"
#include "ui/win/message_loop.h"
#include "ui/win/window.h"
#include "ui/win/user_handle.h"

#include <memory>

namespace tdu {

class main_window_c : public window_c<main_window_c>,
                      public ui_window_c<main_window_c>,
                      public message_filter_i,
                      public idle_handler_i {
public:
    static constexpr wchar_t class_name[] = L"TavrillDriverUpdaterMain";
    // Timer 2 watches a scan that waits for a backup or restore run.
    static constexpr UINT_PTR deferred_scan_timer_id = 2;
    static constexpr UINT deferred_scan_timer_ms = 500;
    // Timer 3 holds a finished scan's result back while a modal box or
    // dialog is open over the window: the box may belong to a results row,
    // which the new result's rows replace.
    static constexpr UINT_PTR held_result_timer_id = 3;
    static constexpr UINT held_result_timer_ms = 200;
    // Timer 4 watches the weekly look for a newer program version.
    static constexpr UINT_PTR update_look_timer_id = 4;
    static constexpr UINT update_look_timer_ms = 500;

    // `autoscan`: the command line asked for a scan while the window is made.
    explicit main_window_c(bool autoscan = false);
    ~main_window_c() override;

    // Creates the window (hidden); null when it cannot be made.
    HWND create_main_window();
    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);
    void draw_band_content(HDC dc, const RECT& window);

    // message_filter_i, idle_handler_i: nothing to do, but in the loop.
    // F5 in the window or its views scans (key_pressed); dialogs run their
    // own loops and never reach this.
    bool pre_translate_message(MSG& message) override;
    void on_idle() override {}

    const main_state_t& state() const { return state_; }
    HWND view_window(main_view view) const;
    // The view shown now.
    HWND current_view() const { return shown_; }
    scan_window_c& scan_view() { return *scan_; }
    download_window_c& results_view() { return *results_; }
    backup_window_c& backup_view() { return *backup_; }
    restore_window_c& restore_view() { return *restore_; }
    const tray_icon_c& tray() const { return tray_; }
    HMENU menu() const { return menu_.get(); }
    // The first image id the maximise button shows (maximise or restore).
    int maximise_images() const { return maximise_images_; }
    // Whether a backup or restore run works now (a scan then waits for it).
    bool backup_or_restore_running() const;
    // A scan waits while a backup or restore runs. (It runs while a modal
    // box is open; its result waits for the box to close.)
    bool scan_must_wait() const;

    // The navigation buttons' actions.
    void nav_home() { navigate(nav_button::home); }
    void nav_download() { navigate(nav_button::download); }
    void nav_backup() { navigate(nav_button::backup); }
    void nav_restore() { navigate(nav_button::restore); }
    void nav_settings() { navigate(nav_button::settings); }
    // The caption buttons' and the logo's actions.
    void close_clicked() { close_procedure(); }
    void maximise_clicked();
    void minimise_clicked() { ShowWindow(hwnd(), SW_MINIMIZE); }
    void dropdown_clicked();
    void logo_clicked();

    void switch_view(main_view view);
    // The settings dialog, modal over the window.
    void open_settings();
    void close_procedure();
    void exit_procedure();

private:
    bool on_create();
    void on_destroy();
    void on_size(WPARAM kind);
    void navigate(nav_button button);
    void start_scan();
    void begin_scan_now();
    void on_scan_finished();
    // After a scan: the weekly look for a newer version, when due.
    void look_for_program_update();
    void on_update_look_timer();
    // A click on the results header's notice: the updater, which asks.
    void start_updater();
    void on_show_home();
    void on_second_instance(WPARAM flag);
    void on_idle_timer();
    void on_menu_command(UINT id);
    void on_tray_event(WPARAM id, LPARAM mouse);
    // The menu at (x, y); from the tray with "Open" first.
    void open_menu(int x, int y, UINT flags, bool from_tray = false);
    // Shows the window again from the tray: visible, restored, in front.
    void show_from_tray();
    void hide_to_tray();
    void arm_idle_timer();
    void create_buttons();
    box_result_t box(language_key_t key, box_style_t style);

    bool autoscan_;
    main_state_t state_;
    tray_icon_c tray_;
    skin_image_c band_tile_image_;
    skin_image_c logo_;
    brush_t band_tile_;
    icon_t large_icon_;
    icon_t small_icon_;
    icon_t attention_icon_;
    menu_t menu_;
    button_c<main_window_c>* maximise_ = nullptr;
    HWND shown_ = nullptr;
    int maximise_images_ = 0;

    std::unique_ptr<home_window_c> home_;
    std::unique_ptr<scan_window_c> scan_;
    std::unique_ptr<download_window_c> results_;
    std::unique_ptr<backup_window_c> backup_;
    std::unique_ptr<restore_window_c> restore_;
    update_look_c update_look_;
};

} // namespace tdu
