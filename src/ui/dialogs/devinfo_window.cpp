#include "ui/dialogs/devinfo_window.h"

#include "app/language.h"
#include "app/language_keys.h"
#include "common/win32_text.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/model/device_details.h"
#include "ui/resources/dialog_ids.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/skin/skin_image.h"

#include <commctrl.h>

#include <algorithm>

namespace tdu {

namespace {

// The width the first column needs for its header and its row names in the
// list's font, with the list view's text margins.
int widest_row_name(HWND list)
{
    const int margins = 16;
    int widest = 0;
    auto measure = [&](language_key_t key) {
        const u16& text = language_text(key);
        int width = static_cast<int>(
            SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(wide(text.c_str()))));
        widest = std::max(widest, width + margins);
    };
    measure(lang::device_detail_description);
    for (const device_detail_row_t& row : device_details(device_t{})) measure(row.key);
    return widest;
}

} // namespace

devinfo_window_c::devinfo_window_c(const offer_group_t& group) : ui_window_c(30), group_(group) {}

devinfo_window_c::~devinfo_window_c()
{
    button_images_.reset();
}

int devinfo_window_c::run(HWND owner)
{
    INT_PTR result = run_modal(owner, IDD_DEVINFO);
    return result < 0 ? 0 : static_cast<int>(result);
}

int show_device_information(HWND owner, const offer_group_t& group)
{
    devinfo_window_c dialog(group);
    return dialog.run(owner);
}

void devinfo_window_c::set_up()
{
    // The title in the interface language (the template's is English).
    const u16& title = language_text(lang::device_detail_title);
    if (!title.empty()) SetWindowTextW(hwnd(), wide(title.c_str()));

    auto close = std::make_unique<system_button_c<devinfo_window_c>>();
    close->create(GetModuleHandleW(nullptr), skin::dialog_close, skin::dialog_close_hover, skin::dialog_close_pressed,
                  frame_width, frame_height, frame_width + 31, frame_height + 21, u"close");
    close->set_action(this, &devinfo_window_c::close_box);
    add_caption_button(std::move(close));

    make_device_list();
    make_detail_list();
    show_device_details(0);

    SetWindowPos(hwnd(), nullptr, 0, 0, dialog_width, dialog_height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    button_images_.reset(skin_dialog_ok_button(hwnd(), ok_button_, 290, 400));
    centre_dialog_over_owner(hwnd(), dialog_width, dialog_height);
    apply_window_region();
    SetFocus(detail_list_);
}

void devinfo_window_c::make_device_list()
{
    // A vertical scroll bar, so every device of a long group can be reached.
    device_list_ = CreateWindowExW(0, L"LISTBOX", nullptr,
                                   WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY, 10, 30,
                                   622 - 10, 160 - 30, hwnd(),
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(device_list_id)),
                                   GetModuleHandleW(nullptr), nullptr);
    set_dialog_font(device_list_);
    for (const device_t* device : group_.devices)
        SendMessageW(device_list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(device->name)));
    if (!group_.devices.empty()) SendMessageW(device_list_, LB_SETCURSEL, 0, 0);
}

void devinfo_window_c::make_detail_list()
{
    detail_list_ = CreateWindowExW(0, WC_LISTVIEWW, nullptr,
                                   WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS,
                                   10, 180, 622 - 10, 380 - 180, hwnd(),
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(detail_list_id)),
                                   GetModuleHandleW(nullptr), nullptr);
    SendMessageW(detail_list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    set_dialog_font(detail_list_);
    const detail_column_widths_t widths = detail_column_widths(widest_row_name(detail_list_));
    const struct {
        language_key_t key;
        int width;
    } columns[3] = {{lang::device_detail_description, widths.name},
                    {lang::device_detail_current_driver, widths.installed},
                    {lang::device_detail_new_driver, widths.offered}};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = columns[i].width;
        column.pszText = const_cast<wchar_t*>(wide(language_text(columns[i].key).c_str()));
        column.iSubItem = i;
        SendMessageW(detail_list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    detail_tip_.attach(detail_list_);
}

void devinfo_window_c::show_device_details(int position)
{
    if (!detail_list_) return;
    SendMessageW(detail_list_, LVM_DELETEALLITEMS, 0, 0);
    set_dialog_font(detail_list_);
    // The group is the caller's; a position it does not hold shows nothing
    // rather than reading past its end.
    if (position < 0 || static_cast<size_t>(position) >= group_.devices.size()) return;
    const device_t* device = group_.devices[static_cast<size_t>(position)];
    if (!device) return;
    const u16& blank = language_text(lang::device_detail_blank);
    const device_details_t rows = device_details(*device, blank.empty() ? u16view(detail_blank) : u16view(blank));
    for (size_t i = 0; i < rows.size(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(wide(language_text(rows[i].key).c_str()));
        SendMessageW(detail_list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        set_list_cell(detail_list_, static_cast<int>(i), 1, rows[i].installed);
        set_list_cell(detail_list_, static_cast<int>(i), 2, rows[i].offered);
    }
}

void devinfo_window_c::on_selection_change()
{
    LRESULT selection = SendMessageW(device_list_, LB_GETCURSEL, 0, 0);
    int32_t device = selected_device(static_cast<intptr_t>(selection), group_.devices.size());
    if (device >= 0) show_device_details(device);
}

bool devinfo_window_c::process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result)
{
    if (ui_process_message(message, w, l, result)) return true;
    switch (message) {
    case WM_INITDIALOG:
        set_up();
        result = FALSE;  // the focus is set: the detail list has it
        return true;
    case WM_ERASEBKGND:
        erase_dialog_white(hwnd(), reinterpret_cast<HDC>(w));
        result = 1;
        return true;
    case WM_SETFOCUS:
        if (!detail_list_) return false;
        SetFocus(detail_list_);
        return true;
    case WM_COMMAND:
        switch (LOWORD(w)) {
        case IDOK:
            end_dialog(1);
            return true;
        case IDCANCEL:
            end_dialog(2);
            return true;
        case device_list_id:
            if (HIWORD(w) == LBN_SELCHANGE) on_selection_change();
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

} // namespace tdu
