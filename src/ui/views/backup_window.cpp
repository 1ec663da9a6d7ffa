#include "ui/views/backup_window.h"

#include "app/language.h"
#include "backup/removal_platform.h"
#include "common/win32_text.h"
#include "ui/model/backup_view_model.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/views/backup_panels.h"
#include "ui/dialogs/view_box.h"
#include "ui/win/memory_paint.h"
#include "devices/device_class.h"

#include <algorithm>

namespace tdu {

namespace {

int class_image(const device_t* d) { return d && d->device_class ? d->device_class->image_index : 0; }

const wchar_t* class_text(const device_t* d)
{
    if (d && d->device_class && d->device_class->description[0]) return wide(d->device_class->description);
    return d ? wide(d->name) : L"";
}

} // namespace

backup_window_c::backup_window_c(std::function<backup_services_t()> services)
    : view_run_host_c(timer_id), services_(std::move(services))
{
}

backup_window_c::~backup_window_c()
{
    button_images_.reset();
}

HWND backup_window_c::create_view(HWND parent, const RECT& rect)
{
    register_class(class_name);
    return create(class_name, parent, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
}

float backup_window_c::progress_fraction() const
{
    return backup_fraction(view_.job->progress.load(), view_.selected_count);
}

bool backup_window_c::process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result)
{
    switch (message) {
    case WM_CREATE: {
        backup_services_t services = services_();
        inf_folder_ = services.store.inf_folder;
        tree_.create(hwnd(), reinterpret_cast<HIMAGELIST>(class_image_list(services.inventory)));
        button_images_.reset(create_action_button(button_, hwnd(), button_id, lang::btn_backup));
        details_icon_.load(skin::backup_details_icon);
        settings_icon_.load(skin::backup_settings_icon);
        progress_.set_background(colour::band);
        progress_.set_tile(skin_image_c(skin::backup_progress_tile).make_pattern_brush());
        cleanup_button_ = CreateWindowExW(0, L"BUTTON", wide(language_text(lang::cleanup_link).c_str()),
                                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10, hwnd(),
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(cleanup_button_id)),
                                          GetModuleHandleW(nullptr), nullptr);
        SendMessageW(cleanup_button_, WM_SETFONT, reinterpret_cast<WPARAM>(skin_font(font_verdana_8)), FALSE);
        cleanup_ = std::make_unique<cleanup_page_c>(services_, win32_removal_platform(), [this] { show_cleanup(false); });
        cleanup_->create_page(hwnd(), RECT{0, 0, 10, 10});
        result = 0;
        return true;
    }
    case WM_SIZE:
        if (tree_.hwnd()) MoveWindow(tree_.hwnd(), 0, 20, 300, std::max(0, HIWORD(l) - 25), TRUE);
        if (button_.hwnd())
            SetWindowPos(button_.hwnd(), nullptr, 440, 320, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (cleanup_button_) MoveWindow(cleanup_button_, 320, 460, 300, 26, TRUE);
        if (cleanup_ && cleanup_->hwnd()) MoveWindow(cleanup_->hwnd(), 0, 0, LOWORD(l), HIWORD(l), TRUE);
        InvalidateRect(hwnd(), nullptr, FALSE);
        return true;
    case WM_SETFOCUS:
        if (cleanup_ && cleanup_->hwnd() && IsWindowVisible(cleanup_->hwnd()))
            SetFocus(cleanup_->list());
        else if (tree_.hwnd())
            SetFocus(tree_.hwnd());
        return true;
    case WM_SHOWWINDOW:
        if (w) fill_tree();
        return false;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT:
        paint_window_buffered(hwnd(), [this](HDC dc, const RECT& client) { paint(dc, client); });
        return true;
    case WM_NOTIFY:
        on_notify(*reinterpret_cast<const NMHDR*>(l));
        return true;
    case wm_tick_item:
        on_tick_item(reinterpret_cast<HTREEITEM>(l));
        return true;
    case WM_COMMAND:
        if (LOWORD(w) == button_id) on_start();
        if (LOWORD(w) == cleanup_button_id) show_cleanup(true);
        return true;
    case WM_TIMER:
        if (w == timer_id) backup_tick(view_, *this);
        return true;
    default:
        return false;
    }
}

void backup_window_c::show_cleanup(bool show)
{
    if (!cleanup_ || !cleanup_->hwnd()) return;
    // The two runs write one catalogue: one at a time.
    if (show && run_working()) return;
    for (HWND child : {tree_.hwnd(), button_.hwnd(), cleanup_button_})
        if (child) ShowWindow(child, show ? SW_HIDE : SW_SHOW);
    ShowWindow(cleanup_->hwnd(), show ? SW_SHOW : SW_HIDE);
    if (show) SetFocus(cleanup_->list());
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void backup_window_c::fill_tree()
{
    backup_services_t services = services_();
    // While a run reads the package list it is neither rebuilt nor shown
    // anew: the tree keeps what the run was started from.
    if (!backup_view_shown(view_, services)) return;
    selected_ = nullptr;
    tree_.clear();
    HTREEITEM available = tree_.add(nullptr, wide(language_text(lang::backup_available_drivers).c_str()), 0, 0, true);
    HTREEITEM inbox = tree_.add(nullptr, wide(language_text(lang::backup_inbox_drivers).c_str()), 0, 0, true);
    for (const driver_package_t& package : services.packages) {
        if (package.devices.empty()) continue;
        const device_t* first = package.devices.front();
        HTREEITEM item = tree_.add(package.inbox ? inbox : available, class_text(first), class_image(first),
                                   reinterpret_cast<LPARAM>(first), true);
        for (const device_t* d : package.devices)
            tree_.add(item, wide(d->name), class_image(d), reinterpret_cast<LPARAM>(d), false);
    }
    tree_.sort_children(available);
    tree_.expand(available);
    if (tree_.has_children(inbox))
        tree_.sort_children(inbox);
    else
        tree_.remove(inbox);
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void backup_window_c::on_notify(const NMHDR& header)
{
    if (header.idFrom != static_cast<UINT_PTR>(check_tree_c::control_id)) return;
    if (header.code == NM_CLICK) {
        DWORD pos = GetMessagePos();
        POINT p{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
        if (HTREEITEM item = tree_.box_at(p)) PostMessageW(hwnd(), wm_tick_item, 0, reinterpret_cast<LPARAM>(item));
    } else if (header.code == TVN_KEYDOWN) {
        // The space bar toggles the selected item's box as a click does.
        const auto& key = reinterpret_cast<const NMTVKEYDOWN&>(header);
        if (key.wVKey == VK_SPACE)
            if (HTREEITEM item = TreeView_GetSelection(tree_.hwnd()))
                PostMessageW(hwnd(), wm_tick_item, 0, reinterpret_cast<LPARAM>(item));
    } else if (header.code == TVN_SELCHANGEDW) {
        const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
        selected_ = reinterpret_cast<const device_t*>(change.itemNew.lParam);
        RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
}

void backup_window_c::on_tick_item(HTREEITEM item)
{
    std::vector<HTREEITEM> handles;
    std::vector<check_item_t> items = tree_.snapshot(handles);
    for (size_t i = 0; i < handles.size(); ++i) {
        if (handles[i] != item) continue;
        for (const check_change_t& c : backup_tick_changes(items, i)) tree_.set_ticked(handles[c.item], c.ticked);
        return;
    }
}

void backup_window_c::on_start()
{
    if (view_.worker.held() || (cleanup_ && cleanup_->run_working())) return;
    std::vector<HTREEITEM> handles;
    std::vector<check_item_t> items = tree_.snapshot(handles);
    std::vector<device_t*> ticked;
    for (size_t i : ticked_packages(items))
        ticked.push_back(reinterpret_cast<device_t*>(tree_.reference(handles[i])));
    start_backup(view_, ticked, *this, services_());
    redraw();
}

void backup_window_c::paint(HDC dc, const RECT& client)
{
    backup_panels_t panels;
    panels.details_icon = &details_icon_;
    panels.settings_icon = &settings_icon_;
    panels.details_heading = lang::device_detail_driver_information;
    panels.settings_heading = lang::backup_settings;
    panels.lines = backup_detail_lines(selected_, inf_folder_);
    panels.backup_folder = services_().backup_folder;
    draw_backup_panels(dc, client, panels);

    progress_.set_fraction(progress_fraction());
    layout_rect_t bar = backup_progress_rect(client.right);
    RECT r{bar.left, bar.top, bar.right, bar.bottom};
    selected_object_t font(dc, skin_font(font_verdana_8));
    SetTextColor(dc, colour::white);
    progress_.draw(dc, r);
}

} // namespace tdu
