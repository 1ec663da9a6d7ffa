#include "ui/views/restore_window.h"

#include "app/language.h"
#include "common/win32_text.h"
#include "devices/device_class.h"
#include "ui/model/backup_view_model.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/views/backup_panels.h"
#include "ui/dialogs/view_box.h"
#include "ui/win/memory_paint.h"

#include <algorithm>

namespace tdu {

namespace {

// The class image of the scanned device the record was made from; 0 when
// that device is not in the inventory any more.
int class_image(const device_inventory_t& inventory, const backup_device_t& r)
{
    for (const device_t& d : inventory.devices)
        if (d.device_class && r.device_id == d.device_id) return d.device_class->image_index;
    return 0;
}

} // namespace

// The restore shows no progress; its timer only watches for the end of the
// run, to say how it ended.
restore_window_c::restore_window_c(std::function<backup_services_t()> services)
    : view_run_host_c(timer_id), services_(std::move(services))
{
}

restore_window_c::~restore_window_c()
{
    button_images_.reset();
}

HWND restore_window_c::create_view(HWND parent, const RECT& rect)
{
    register_class(class_name);
    return create(class_name, parent, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
}

void restore_window_c::wait_for_run()
{
    if (view_.worker.held()) view_.worker.wait();
}

bool restore_window_c::process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result)
{
    switch (message) {
    case WM_CREATE: {
        backup_services_t services = services_();
        inf_folder_ = services.store.inf_folder;
        tree_.create(hwnd(), reinterpret_cast<HIMAGELIST>(class_image_list(services.inventory)));
        button_images_.reset(create_action_button(button_, hwnd(), button_id, lang::btn_restore));
        details_icon_.load(skin::backup_details_icon);
        settings_icon_.load(skin::restore_settings_icon);
        result = 0;
        return true;
    }
    case WM_SIZE:
        if (tree_.hwnd()) MoveWindow(tree_.hwnd(), 0, 20, 300, std::max(0, HIWORD(l) - 25), TRUE);
        if (button_.hwnd())
            SetWindowPos(button_.hwnd(), nullptr, 440, 320, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(hwnd(), nullptr, FALSE);
        return true;
    case WM_SETFOCUS:
        if (tree_.hwnd()) SetFocus(tree_.hwnd());
        return true;
    case WM_SHOWWINDOW:
        if (w) fill_tree();
        return false;
    case wm_no_backup:
        message_box(lang::restore_no_backup, box_style_t::information);
        return true;
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
        return true;
    case WM_TIMER:
        if (w == timer_id) restore_tick(view_, *this);
        return true;
    default:
        return false;
    }
}

void restore_window_c::fill_tree()
{
    backup_services_t services = services_();
    selected_ = nullptr;
    tree_.clear();
    // The items are the tree's references: the list is refilled only once
    // the tree no longer shows it.
    const bool empty = fill_restore_list(items_, services) < 0;
    for (const restore_item_t& item : items_) {
        const int image = item.entry.devices.empty() ? 0 : class_image(services.inventory, item.entry.devices.front());
        HTREEITEM root = tree_.add(nullptr, wide(restore_item_label(item).c_str()), image, reinterpret_cast<LPARAM>(&item), true);
        for (size_t i = 0; i < item.entry.devices.size() && i < item.device_names.size(); ++i)
            tree_.add(root, wide(item.device_names[i].c_str()), class_image(services.inventory, item.entry.devices[i]),
                      reinterpret_cast<LPARAM>(&item.entry.devices[i]), false);
    }
    InvalidateRect(hwnd(), nullptr, FALSE);
    if (empty) PostMessageW(hwnd(), wm_no_backup, 0, 0);
}

void restore_window_c::on_notify(const NMHDR& header)
{
    if (header.idFrom != static_cast<UINT_PTR>(check_tree_c::control_id)) return;
    if (header.code == NM_CLICK) {
        DWORD pos = GetMessagePos();
        POINT p{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
        if (HTREEITEM item = tree_.box_at(p)) PostMessageW(hwnd(), wm_tick_item, 0, reinterpret_cast<LPARAM>(item));
    } else if (header.code == TVN_KEYDOWN) {
        const auto& key = reinterpret_cast<const NMTVKEYDOWN&>(header);
        if (key.wVKey == VK_SPACE)
            if (HTREEITEM item = TreeView_GetSelection(tree_.hwnd()))
                PostMessageW(hwnd(), wm_tick_item, 0, reinterpret_cast<LPARAM>(item));
    } else if (header.code == TVN_SELCHANGEDW) {
        const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
        selected_ = nullptr;
        if (change.itemNew.hItem && !TreeView_GetParent(tree_.hwnd(), change.itemNew.hItem)) {
            // An entry stands for its first record.
            const auto* item = reinterpret_cast<const restore_item_t*>(change.itemNew.lParam);
            if (item && !item->entry.devices.empty()) selected_ = &item->entry.devices.front();
        } else {
            selected_ = reinterpret_cast<const backup_device_t*>(change.itemNew.lParam);
        }
        RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
}

void restore_window_c::on_tick_item(HTREEITEM item)
{
    std::vector<HTREEITEM> handles;
    std::vector<check_item_t> items = tree_.snapshot(handles);
    for (size_t i = 0; i < handles.size(); ++i) {
        if (handles[i] != item) continue;
        for (const check_change_t& c : restore_tick_changes(items, i)) tree_.set_ticked(handles[c.item], c.ticked);
        return;
    }
}

void restore_window_c::on_start()
{
    std::vector<HTREEITEM> handles;
    std::vector<check_item_t> items = tree_.snapshot(handles);
    const size_t root = first_ticked_root(items);
    const restore_item_t* ticked =
        root == no_parent ? nullptr : reinterpret_cast<const restore_item_t*>(tree_.reference(handles[root]));
    start_restore(view_, ticked, *this, services_());
}

void restore_window_c::paint(HDC dc, const RECT& client)
{
    backup_panels_t panels;
    panels.details_icon = &details_icon_;
    panels.settings_icon = &settings_icon_;
    panels.details_heading = lang::backup_info;
    panels.settings_heading = lang::restore_settings;
    panels.lines = restore_detail_lines(selected_, inf_folder_);
    panels.backup_folder = services_().backup_folder;
    draw_backup_panels(dc, client, panels);
}


} // namespace tdu
