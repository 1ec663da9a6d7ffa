// The main window's navigation, menus, tray icon, close to tray and exit.
#include "ui/main_window.h"

#include "app/endpoints.h"
#include "app/language.h"
#include "app/settings.h"
#include "common/win32_text.h"
#include "packages/download_session.h"
#include "program/program.h"
#include "system/scheduled_scan.h"
#include "ui/dialogs/about_window.h"
#include "ui/dialogs/config_window.h"
#include "ui/dialogs/view_box.h"
#include "ui/win/popup_menu.h"

#include <shellapi.h>

namespace tdu {

box_result_t main_window_c::box(language_key_t key, box_style_t style)
{
    return show_view_box(hwnd(), language_text(key), style);
}

void main_window_c::navigate(nav_button button)
{
    nav_outcome_t out = nav_clicked(state_, button);
    switch (out.kind) {
    case nav_outcome_t::show_view:
        switch_view(out.view);
        return;
    case nav_outcome_t::message:
        box(out.message_key, box_style_t::warning);
        return;
    case nav_outcome_t::settings:
        open_settings();
        return;
    }
}

void main_window_c::open_settings()
{
    settings_store_t& store = program_settings_store();
    config_window_c dialog({settings, store, win32_task_scheduler(), language_table, store.program_path});
    dialog.run(hwnd());
}

void main_window_c::close_procedure()
{
    switch (close_requested(settings.close_to_tray)) {
    case close_action::exit:
        exit_procedure();
        return;
    case close_action::warn_then_hide:
        box(lang::system_tray_warning, box_style_t::information);
        settings.close_to_tray = 2;
        settings_save(program_settings_store(), settings);
        hide_to_tray();
        return;
    case close_action::hide:
        hide_to_tray();
        return;
    }
}

void main_window_c::hide_to_tray()
{
    ShowWindow(hwnd(), SW_HIDE);
    if (rearm_idle_timer_on_hide(state_)) arm_idle_timer();
}

void main_window_c::exit_procedure()
{
    std::optional<language_key_t> question =
        exit_question(download_sessions.any_downloading(), backup_ && backup_->run_working());
    if (question && !exit_confirmed(static_cast<int>(box(*question, box_style_t::yes_no)))) return;
    DestroyWindow(hwnd());
}

void main_window_c::open_menu(int x, int y, UINT flags, bool from_tray)
{
    HMENU popup = menu_ ? GetSubMenu(menu_.get(), 0) : nullptr;
    if (!popup) return;
    for (const menu_entry_t& entry : menu_entries) {
        const u16& label = language_text(entry.label_key);
        ModifyMenuW(popup, entry.id, MF_BYCOMMAND | MF_STRING, entry.id, wide(label.c_str()));
    }
    if (from_tray) {
        const u16& open = language_text(tray_open_entry.label_key);
        InsertMenuW(popup, 0, MF_BYPOSITION | MF_STRING, tray_open_entry.id, wide(open.c_str()));
        InsertMenuW(popup, 1, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        SetMenuDefaultItem(popup, tray_open_entry.id, FALSE);
    }
    // The chosen command arrives as a posted WM_COMMAND, after the menu has
    // its usual entries again.
    TrackPopupMenu(popup, flags, popup_menu_x(POINT{x, y}), y, 0, hwnd(), nullptr);
    if (from_tray) {
        DeleteMenu(popup, tray_open_entry.id, MF_BYCOMMAND);
        DeleteMenu(popup, 0, MF_BYPOSITION);  // its separator
    }
}

void main_window_c::show_from_tray()
{
    ShowWindow(hwnd(), IsIconic(hwnd()) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(hwnd());
}

void main_window_c::dropdown_clicked()
{
    RECT window, client;
    GetWindowRect(hwnd(), &window);
    GetClientRect(hwnd(), &client);
    open_menu(window.left + client.right - 103, window.top + 10, TPM_RIGHTBUTTON);
}

void main_window_c::on_menu_command(UINT id)
{
    switch (id) {
    case menu_settings_id:
        navigate(nav_button::settings);
        return;
    case menu_help_id:
    case menu_eula_id: {
        std::string page = endpoints().site_main + std::string(menu_page_path(id));
        ShellExecuteW(hwnd(), nullptr, wide(utf8_to_utf16(page).c_str()), nullptr, nullptr, SW_SHOWNORMAL);
        return;
    }
    case menu_about_id: {
        about_window_c about;
        about.run(hwnd());
        return;
    }
    case menu_exit_id:
        exit_procedure();
        return;
    case menu_open_id:
        show_from_tray();
        return;
    default:
        return;
    }
}

void main_window_c::on_tray_event(WPARAM id, LPARAM mouse)
{
    if (id != tray_icon_c::icon_id) return;
    if (static_cast<UINT>(mouse) == WM_RBUTTONUP) {
        POINT p;
        GetCursorPos(&p);
        // The menu closes when the user clicks elsewhere only while the
        // window is the foreground one.
        SetForegroundWindow(hwnd());
        open_menu(p.x, p.y, TPM_LEFTBUTTON, true);
        PostMessageW(hwnd(), WM_NULL, 0, 0);
    } else if (static_cast<UINT>(mouse) == WM_LBUTTONUP) {
        if (IsWindowVisible(hwnd())) {
            ShowWindow(hwnd(), SW_HIDE);
        } else {
            show_from_tray();
        }
    }
}

} // namespace tdu
