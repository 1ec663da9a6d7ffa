#pragma once
// download_panel_c: one row of the results list, for one offered package
// and the devices it fits. It shows the devices with their installed and
// offered dates, the package's download state and progress, and one button
// whose action follows the state (download, pause, resume, install); its
// context menu removes the files, opens their folder, ignores the offer,
// opens the settings and the device information. The row's decisions are the core's
// download_row_c; the panel is its host: message boxes, the 200 ms timer
// (id 2) and redraws.
#include "ui/views/view_run_host.h"
#include "devices/offer_grouping.h"
#include "packages/download_row.h"
#include "ui/skin/button.h"
#include "ui/controls/progress_bar.h"
#include "ui/model/results_view_model.h"
#include "ui/resources/dialog_ids.h"
#include "ui/win/gdi_handle.h"
#include "ui/win/user_handle.h"
#include "ui/win/window.h"

#include <functional>
#include <memory>

namespace tdu {

// What every row of one results list shares.
struct panel_context_t {
    download_session_list_c* sessions = nullptr;
    install_services_t* install = nullptr;
    HIMAGELIST class_images = nullptr;
    const char* language_code = "en";
    // Measured once: the class line (Verdana 9 pt bold) and a device line
    // (Arial 8 pt).
    int class_line = 14;
    int device_line = 13;
    // Opens the device information of a row's group, modal over `owner`.
    std::function<void(HWND owner, const offer_group_t& group)> show_information;
    // Opens the context menu `menu` at the screen point and returns the
    // command chosen (0 for none). The system's popup menu unless a test
    // answers instead.
    std::function<UINT(HMENU menu, POINT screen, HWND owner)> track_menu;
    // "Ignore this update" of a row: the results view takes the row's offers
    // onto the ignore list (after the row's command has returned, as the
    // row goes with the rebuilt list).
    std::function<void(const offer_group_t& group)> ignore_group;
    // "Roll back" of a row: offered when `can_roll_back` says the program
    // backed up a driver of the row's devices before it updated it; the
    // results view restores that backup on a worker.
    std::function<bool(const offer_group_t& group)> can_roll_back;
    std::function<void(const offer_group_t& group)> roll_back;
};

// The context menu's commands (menu resource 336).
enum row_menu_command : UINT {
    row_menu_settings = ID_ROW_SETTINGS,
    row_menu_information = ID_ROW_INFORMATION,
    row_menu_remove = ID_ROW_REMOVE,
    row_menu_download = ID_ROW_DOWNLOAD,
    row_menu_open_location = ID_ROW_OPEN_LOCATION,
    row_menu_ignore = ID_ROW_IGNORE,
    row_menu_roll_back = ID_ROW_ROLL_BACK,
};

class download_panel_c : public window_c<download_panel_c>, public view_run_host_c {
public:
    static constexpr wchar_t class_name[] = L"TavrillDownloadPanel";
    // A window property holding the row's download state (download_state_t),
    // for tools that watch the program from outside; the window's text is
    // its class and state in the interface language.
    static constexpr wchar_t download_state_property[] = L"tdu_download_state";
    static constexpr UINT_PTR timer_id = 2;
    static constexpr int tick_box_id = 1;

    download_panel_c(const offer_group_t& group, panel_context_t& context);
    ~download_panel_c() override;

    // Creates the row as a child of the list at (0, top).
    HWND create_row(HWND list, int top, int width);
    // The height of the row of a group of `devices` devices.
    static int height_for(const panel_context_t& context, int devices);

    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);

    const offer_group_t& group() const { return group_; }
    download_row_c& row() { return *row_; }
    const download_row_c& row() const { return *row_; }
    HWND tick_box() const { return tick_box_; }
    // The row button's place and label as the row shows them now.
    RECT button_rect() const;
    const u16& button_label() const { return button_.text; }
    // The state text as shown, and the progress box's text.
    u16 state_text() const;
    u16 progress_text() const { return progress_.state().text(); }
    // The context menu as it opens now (loaded, relabelled, Remove greyed
    // when there is nothing to remove); the caller destroys it. Null at a
    // point on the row button, where no menu opens.
    menu_t make_context_menu(POINT client) const;
    // Runs a context menu command.
    void run_command(UINT command);

    // The row's texts are taken again before it paints.
    void redraw() override;

private:
    HWND view_window() const override { return hwnd(); }
    void on_create();
    void on_pointer(int event, LPARAM l);
    void on_context_menu(LPARAM l);
    void on_tick_all(bool ticked);
    void refresh();
    void paint(HDC dc, const RECT& client);
    void button_clicked();
    COLORREF background() const;
    row_layout_t layout() const;

    offer_group_t group_;
    panel_context_t& context_;
    std::unique_ptr<download_row_c> row_;
    download_button_c<download_panel_c> button_;
    row_progress_c progress_;
    HWND tick_box_ = nullptr;
    brush_t background_brush_;
    brush_t frame_brush_;
    bool tracking_leave_ = false;
    u16 name_;
};

} // namespace tdu
