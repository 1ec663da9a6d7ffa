// The main window's frame: creation, the caption band, the views and their
// switching, sizing and destruction.
#include "ui/main_window.h"

#include "app/app_messages.h"
#include "app/endpoints.h"
#include "app/language.h"
#include "app/language_keys.h"
#include "common/program_title.h"
#include "common/win32_text.h"
#include "app/environment.h"
#include "program/program.h"
#include "app/settings.h"
#include "devices/device.h"
#include "packages/download_session.h"
#include "system/system_info.h"
#include "ui/dialogs/devinfo_window.h"
#include "ui/model/language_layout.h"
#include "ui/model/main_window_layout.h"
#include "ui/resources/program_resources.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/win/gdi_handle.h"
#include "tdu_version.h"

#include <shellapi.h>

namespace tdu {

namespace {

constexpr wchar_t version_text[] = L"" TDU_VERSION_TEXT;

template <class B>
B* add_button(main_window_c& w, int normal_id, const layout_rect_t& r, u16view text, void (main_window_c::*action)())
{
    auto button = std::make_unique<B>();
    button->create(GetModuleHandleW(nullptr), normal_id, normal_id + 1, normal_id + 2, r.left, r.top, r.right,
                   r.bottom, text);
    button->set_action(&w, action);
    B* raw = button.get();
    w.add_caption_button(std::move(button));
    return raw;
}

} // namespace

main_window_c::main_window_c(bool autoscan) : ui_window_c<main_window_c>(main_band_height), autoscan_(autoscan) {}

main_window_c::~main_window_c()
{
    if (hwnd() && IsWindow(hwnd())) DestroyWindow(hwnd());
}

HWND main_window_c::create_main_window()
{
    register_class(class_name, CS_DBLCLKS, nullptr);
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
    return create(class_name, nullptr, wide(program_title), style, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                  main_window_min_width, main_window_min_height);
}

HWND main_window_c::view_window(main_view view) const
{
    switch (view) {
    case main_view::home: return home_ ? home_->hwnd() : nullptr;
    case main_view::scan: return scan_ ? scan_->hwnd() : nullptr;
    case main_view::results: return results_ ? results_->hwnd() : nullptr;
    case main_view::backup: return backup_ ? backup_->hwnd() : nullptr;
    case main_view::restore: return restore_ ? restore_->hwnd() : nullptr;
    }
    return nullptr;
}

bool main_window_c::scan_must_wait() const
{
    return backup_or_restore_running();
}

bool main_window_c::backup_or_restore_running() const
{
    return (backup_ && backup_->run_working()) || (restore_ && restore_->run_working());
}

bool main_window_c::process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result)
{
    if (ui_process_message(message, w, l, result)) return true;
    if (message == tray_.message() && message != 0) {
        on_tray_event(w, l);
        return true;
    }
    if (message == tray_.taskbar_created_message() && message != 0) {
        // The shell restarted: without its icon a hidden window could not be shown again.
        tray_.add_again();
        result = 0;
        return true;
    }
    switch (message) {
    case WM_CREATE:
        result = on_create() ? 0 : -1;
        return true;
    case WM_DESTROY:
        on_destroy();
        return true;
    case WM_SIZE:
        on_size(w);
        return true;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(l);
        info->ptMinTrackSize = POINT{main_window_min_width, main_window_min_height};
        return true;
    }
    case WM_SETFOCUS:
        if (HWND view = current_view()) SetFocus(view);
        return true;
    case WM_PAINT: {
        // The views cover the client area and paint themselves; the frame
        // is painted with the caption band.
        paint_dc_t validate(hwnd());
        return true;
    }
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(hwnd(), &r);
        InflateRect(&r, -1, -1);
        FillRect(reinterpret_cast<HDC>(w), &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        result = 1;
        return true;
    }
    case WM_CLOSE:
        close_procedure();
        return true;
    case WM_SHOWWINDOW:
        if (w && window_shown(state_)) tray_.set_icon(small_icon_.get());
        return false;
    case WM_TIMER:
        if (w == idle_scan_timer_id) on_idle_timer();
        if (w == update_look_timer_id) on_update_look_timer();
        if (w == deferred_scan_timer_id && deferred_scan_due(state_, scan_must_wait())) {
            KillTimer(hwnd(), deferred_scan_timer_id);
            begin_scan_now();
        }
        if (w == held_result_timer_id && IsWindowEnabled(hwnd())) {
            KillTimer(hwnd(), held_result_timer_id);
            on_scan_finished();
        }
        return true;
    case WM_COMMAND:
        if (HIWORD(w) == 0) on_menu_command(LOWORD(w));
        return true;
    case wm_start_scan:
        start_scan();
        return true;
    case wm_scan_finished:
        on_scan_finished();
        return true;
    case wm_show_home:
        on_show_home();
        return true;
    case wm_second_instance:
        on_second_instance(w);
        return true;
    case wm_close_for_update:
        result = close_for_update_answer(download_sessions.any_downloading(), backup_or_restore_running(),
                                         state_.view_state == view_state_scanning, IsWindowEnabled(hwnd()) != FALSE);
        // Ended after the answer has gone back to the updater.
        if (result == close_for_update_closing) PostMessageW(hwnd(), wm_exit_for_update, 0, 0);
        return true;
    case wm_exit_for_update:
        DestroyWindow(hwnd());
        return true;
    default:
        return false;
    }
}

void main_window_c::create_buttons()
{
    HFONT label_font = skin_font(language_layout(language_code(language_table)).nav_labels_regular
                                     ? font_verdana_8
                                     : font_verdana_8_bold);
    struct nav_t {
        int image;
        language_key_t key;
        void (main_window_c::*action)();
    };
    const nav_t navs[] = {
        {skin::nav_home, lang::top_home, &main_window_c::nav_home},
        {skin::nav_download, lang::top_download, &main_window_c::nav_download},
        {skin::nav_backup, lang::top_backup, &main_window_c::nav_backup},
        {skin::nav_restore, lang::top_restore, &main_window_c::nav_restore},
        {skin::nav_settings, lang::top_settings, &main_window_c::nav_settings},
    };
    // A label wider than its button (German "Wiederherstellen") takes the
    // narrower Arial, so it does not run into its neighbour's.
    client_dc_t dc(hwnd());
    for (int i = 0; i < 5; ++i) {
        layout_rect_t r = nav_button_rect(i, frame_width, frame_height);
        auto* b = add_button<top_button_c<main_window_c>>(*this, navs[i].image, r, language_text(navs[i].key),
                                                          navs[i].action);
        SIZE size{};
        selected_object_t font(dc.get(), label_font);
        GetTextExtentPoint32W(dc.get(), wide(b->text.c_str()), static_cast<int>(b->text.size()), &size);
        b->font = size.cx > r.width() - 4 ? skin_font(font_arial_8) : label_font;
    }
    struct caption_t {
        int image;
        language_key_t key;
        void (main_window_c::*action)();
    };
    const caption_t captions[] = {
        {skin::caption_close, lang::system_close, &main_window_c::close_clicked},
        {skin::caption_maximise, lang::system_maximize, &main_window_c::maximise_clicked},
        {skin::caption_minimise, lang::system_minimum, &main_window_c::minimise_clicked},
        {skin::caption_dropdown, lang::system_dropdown, &main_window_c::dropdown_clicked},
    };
    for (int i = 0; i < 4; ++i) {
        // The texts of the caption buttons name them; they are not drawn.
        auto* b = add_button<system_button_c<main_window_c>>(*this, captions[i].image,
                                                             caption_button_rect(i, frame_width, frame_height),
                                                             ascii_to_utf16(std::string_view(captions[i].key)), captions[i].action);
        if (i == 1) {
            maximise_ = b;
            maximise_images_ = captions[i].image;
        }
    }
}

bool main_window_c::on_create()
{
    if (message_loop_c* loop = message_loop_c::current()) {
        loop->add_filter(this);
        loop->add_idle_handler(this);
    }
    create_buttons();

    band_tile_image_.load(skin::caption_tile);
    logo_.load(skin::logo);
    band_tile_.reset(band_tile_image_.make_pattern_brush());
    band_tile = band_tile_.get();
    band_tile_height = band_tile_image_.height();

    RECT client;
    GetClientRect(hwnd(), &client);
    home_ = std::make_unique<home_window_c>();
    scan_ = std::make_unique<scan_window_c>([] { return program_scan_services(); });
    results_ = std::make_unique<download_window_c>([this] {
        // The ignore list is ranked again with the scan view's request, so
        // not while a scan runs: its request reads the client's list.
        return results_services_t{&download_sessions, program_install_services(),
                                  report_machine_t{system_info.os_description, system_info.processor_name,
                                                   system_info.memory_size, is_64bit_system(environment)},
                                  &settings.ignored_offers,
                                  [this](const ignored_offers_t& list,
                                         const scan_outcome_t& shown) -> std::shared_ptr<const scan_outcome_t> {
                                      if (scan_->scanning()) return nullptr;
                                      return program_change_ignored_offers(list, *scan_->run().request, shown);
                                  },
                                  [] { return program_backup_services(); }};
    });
    backup_ = std::make_unique<backup_window_c>([] { return program_backup_services(); });
    restore_ = std::make_unique<restore_window_c>([] { return program_backup_services(); });
    // A row's "menu_information": the device information dialog of its group.
    results_->on_update_notice_click = [this] { start_updater(); };
    results_->panel_context().show_information = [](HWND owner, const offer_group_t& group) {
        show_device_information(owner, group);
    };
    if (!home_->create_view(hwnd(), client) || !scan_->create_view(hwnd(), client) ||
        !results_->create_view(hwnd(), client) || !backup_->create_view(hwnd(), client) ||
        !restore_->create_view(hwnd(), client))
        return false;
    scan_result_init(scan_->run(), environment, system_info);
    ShowWindow(home_->hwnd(), SW_SHOW);
    shown_ = home_->hwnd();

    menu_.reset(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(menu_resource_id)));

    HINSTANCE instance = GetModuleHandleW(nullptr);
    auto load_icon = [instance](int id, int width_metric, int height_metric) {
        return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON,
                                             GetSystemMetrics(width_metric), GetSystemMetrics(height_metric), 0));
    };
    large_icon_.reset(load_icon(app_icon_id, SM_CXICON, SM_CYICON));
    small_icon_.reset(load_icon(app_icon_id, SM_CXSMICON, SM_CYSMICON));
    attention_icon_.reset(load_icon(attention_icon_id, SM_CXSMICON, SM_CYSMICON));
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large_icon_.get()));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_.get()));

    tray_.add(hwnd(), small_icon_.get(), program_title);
    apply_window_region();

    layout_rect_t logo_at = logo_rect(frame_width, frame_height);
    auto logo = std::make_unique<system_button_c<main_window_c>>();
    logo->create(instance, skin::logo, skin::logo, skin::logo, logo_at.left, logo_at.top, logo_at.right,
                 logo_at.bottom, u"logo");
    logo->set_action(this, &main_window_c::logo_clicked);
    add_caption_button(std::move(logo));

    // The state is settled before a scan the command line asks for starts,
    // so that scan counts as running from its first moment.
    state_ = main_state_t{};
    arm_idle_timer();
    if (autoscan_) SendMessageW(hwnd(), wm_start_scan, 0, 0);
    return true;
}

void main_window_c::on_destroy()
{
    if (message_loop_c* loop = message_loop_c::current()) {
        loop->remove_filter(this);
        loop->remove_idle_handler(this);
    }
    KillTimer(hwnd(), idle_scan_timer_id);
    KillTimer(hwnd(), deferred_scan_timer_id);
    KillTimer(hwnd(), held_result_timer_id);
    KillTimer(hwnd(), update_look_timer_id);
    tray_.remove();
    menu_.reset();
    // The views go in the reverse order of their making.
    shown_ = nullptr;
    for (HWND view : {view_window(main_view::restore), view_window(main_view::backup),
                      view_window(main_view::results), view_window(main_view::scan), view_window(main_view::home)})
        if (view) DestroyWindow(view);
    for (icon_t* icon : {&large_icon_, &small_icon_, &attention_icon_}) icon->reset();
    PostQuitMessage(0);
}

void main_window_c::on_size(WPARAM kind)
{
    if (maximise_ && (kind == SIZE_RESTORED || kind == SIZE_MAXIMIZED)) {
        int first = kind == SIZE_MAXIMIZED ? skin::caption_restore : skin::caption_maximise;
        maximise_->set_images(GetModuleHandleW(nullptr), first, first + 1, first + 2);
        maximise_images_ = first;
    }
    if (HWND view = current_view()) {
        RECT client;
        GetClientRect(hwnd(), &client);
        MoveWindow(view, 0, 0, client.right, client.bottom, TRUE);
    }
    apply_window_region();
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
}

void main_window_c::draw_band_content(HDC dc, const RECT&)
{
    if (GetWindowTextLengthW(hwnd()) <= 0) return;
    if (small_icon_) DrawIconEx(dc, 5, 5, small_icon_.get(), 20, 20, 0, nullptr, DI_NORMAL);
    draw_window_title(dc, 30, 8);
    selected_object_t font(dc, skin_font(font_verdana_8_bold));
    int old_mode = SetBkMode(dc, TRANSPARENT);
    COLORREF old_colour = SetTextColor(dc, colour::caption_text);
    TextOutW(dc, 195, 8, version_text, static_cast<int>(std::size(version_text) - 1));
    SetTextColor(dc, old_colour);
    SetBkMode(dc, old_mode);
}

void main_window_c::switch_view(main_view view)
{
    HWND target = view_window(view);
    state_.current = view;
    if (!target || target == shown_) return;
    if (shown_) ShowWindow(shown_, SW_HIDE);
    shown_ = target;
    ShowWindow(target, SW_SHOW);
    SetFocus(target);
    RECT client;
    GetClientRect(hwnd(), &client);
    MoveWindow(target, 0, 0, client.right, client.bottom, TRUE);
}

void main_window_c::maximise_clicked()
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(hwnd(), &placement);
    ShowWindow(hwnd(), placement.showCmd == SW_SHOWMAXIMIZED ? SW_SHOWNORMAL : SW_MAXIMIZE);
}

void main_window_c::logo_clicked()
{
    u16 page = product_page_url(language_table);
    ShellExecuteW(hwnd(), nullptr, wide(page.c_str()), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace tdu
