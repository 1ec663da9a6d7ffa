#include "ui/dialogs/ignored_window.h"

#include "app/language.h"
#include "app/language_keys.h"
#include "common/win32_text.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/resources/dialog_ids.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/skin/skin_image.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace tdu {

namespace {

constexpr int margin = 10;
constexpr int list_top = 40;
constexpr int button_height = 22;

// The width of `text` in the dialog's font, with a push button's margins.
int button_width_for(HWND window, const u16& text)
{
    SIZE size = skin_text_size(client_dc_t(window).get(), font_verdana_8, text);
    return std::max(80, static_cast<int>(size.cx) + 24);
}

} // namespace

ignored_window_c::ignored_window_c(ignored_offers_t list) : ui_window_c(30), list_(std::move(list)) {}

ignored_window_c::~ignored_window_c()
{
    button_images_.reset();
}

int ignored_window_c::run(HWND owner)
{
    INT_PTR result = run_modal(owner, IDD_IGNORED);
    return result < 0 ? 0 : static_cast<int>(result);
}

std::optional<ignored_offers_t> show_ignored_offers(HWND owner, const ignored_offers_t& list)
{
    ignored_window_c dialog(list);
    dialog.run(owner);
    if (!dialog.changed()) return std::nullopt;
    return dialog.list();
}

void ignored_window_c::set_up()
{
    const u16& title = language_text(lang::ignored_title);
    if (!title.empty()) SetWindowTextW(hwnd(), wide(title.c_str()));

    auto close = std::make_unique<system_button_c<ignored_window_c>>();
    close->create(GetModuleHandleW(nullptr), skin::dialog_close, skin::dialog_close_hover, skin::dialog_close_pressed,
                  frame_width, frame_height, frame_width + 31, frame_height + 21, u"close");
    close->set_action(this, &ignored_window_c::close_box);
    add_caption_button(std::move(close));

    SetWindowPos(hwnd(), nullptr, 0, 0, dialog_width, dialog_height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    make_list();
    fill_list();
    RECT client;
    GetClientRect(hwnd(), &client);
    button_images_.reset(
        skin_dialog_ok_button(hwnd(), ok_button_, client.right - margin - 80, client.bottom - margin - button_height));
    centre_dialog_over_owner(hwnd(), dialog_width, dialog_height);
    apply_window_region();
    SetFocus(list_view_);
}

void ignored_window_c::make_list()
{
    RECT client;
    GetClientRect(hwnd(), &client);
    const int buttons_top = client.bottom - margin - button_height;
    list_view_ = CreateWindowExW(0, WC_LISTVIEWW, nullptr,
                                 WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS,
                                 margin, list_top, client.right - 2 * margin, buttons_top - margin - list_top, hwnd(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(list_id)), GetModuleHandleW(nullptr),
                                 nullptr);
    SendMessageW(list_view_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    set_dialog_font(list_view_);
    const int inner = client.right - 2 * margin - GetSystemMetrics(SM_CXVSCROLL) - 4;
    const struct {
        language_key_t key;
        int width;
    } columns[4] = {{lang::ignored_column_driver, inner * 36 / 100},
                    {lang::ignored_column_version, inner * 16 / 100},
                    {lang::ignored_column_date, inner * 14 / 100},
                    {lang::ignored_column_hardware_id, inner - inner * 36 / 100 - inner * 16 / 100 - inner * 14 / 100}};
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = columns[i].width;
        column.pszText = const_cast<wchar_t*>(wide(language_text(columns[i].key).c_str()));
        column.iSubItem = i;
        SendMessageW(list_view_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }

    const u16& stop = language_text(lang::ignored_stop);
    const int stop_width = button_width_for(hwnd(), stop);
    stop_button_ = CreateWindowExW(0, L"BUTTON", wide(stop.c_str()), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                                   margin, buttons_top, stop_width, button_height, hwnd(),
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(stop_id)), GetModuleHandleW(nullptr),
                                   nullptr);
    set_dialog_font(stop_button_);
}

void ignored_window_c::fill_list()
{
    SendMessageW(list_view_, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < list_.size(); ++i) {
        const ignored_offer_t& e = list_[i];
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        const u16& name = e.title.empty() ? e.hardware_id : e.title;
        item.pszText = const_cast<wchar_t*>(wide(name.c_str()));
        SendMessageW(list_view_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        set_list_cell(list_view_, static_cast<int>(i), 1, e.version);
        set_list_cell(list_view_, static_cast<int>(i), 2, e.date);
        set_list_cell(list_view_, static_cast<int>(i), 3, e.hardware_id);
    }
    if (!list_.empty()) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list_view_, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    }
    update_stop_button();
}

void ignored_window_c::update_stop_button()
{
    if (!stop_button_) return;
    const bool any = SendMessageW(list_view_, LVM_GETSELECTEDCOUNT, 0, 0) > 0;
    EnableWindow(stop_button_, any ? TRUE : FALSE);
}

void ignored_window_c::stop_ignoring_selected()
{
    if (!list_view_) return;
    std::vector<ignored_offer_t> selected;
    for (int i = -1; (i = static_cast<int>(SendMessageW(list_view_, LVM_GETNEXTITEM, static_cast<WPARAM>(i),
                                                        LVNI_SELECTED))) >= 0;) {
        if (static_cast<size_t>(i) < list_.size()) selected.push_back(list_[static_cast<size_t>(i)]);
    }
    for (const ignored_offer_t& e : selected) changed_ = stop_ignoring_offer(list_, e) || changed_;
    fill_list();
    SetFocus(list_.empty() ? GetDlgItem(hwnd(), IDOK) : list_view_);
}

bool ignored_window_c::process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result)
{
    if (ui_process_message(message, w, l, result)) return true;
    switch (message) {
    case WM_INITDIALOG:
        set_up();
        result = FALSE;  // the focus is set: the list has it
        return true;
    case WM_ERASEBKGND:
        erase_dialog_white(hwnd(), reinterpret_cast<HDC>(w));
        result = 1;
        return true;
    case WM_CTLCOLORBTN:
        result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        return true;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(l);
        if (header && header->idFrom == static_cast<UINT_PTR>(list_id) && header->code == LVN_ITEMCHANGED)
            update_stop_button();
        return false;
    }
    case WM_COMMAND:
        switch (LOWORD(w)) {
        case IDOK:
            end_dialog(1);
            return true;
        case IDCANCEL:
            end_dialog(2);
            return true;
        case stop_id:
            if (HIWORD(w) == BN_CLICKED) stop_ignoring_selected();
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

} // namespace tdu
