#include "ui/views/cleanup_page.h"

#include "app/language.h"
#include "app/settings.h"
#include "common/win32_text.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/win/gdi_handle.h"
#include "ui/win/memory_paint.h"

#include <algorithm>

namespace tdu {

namespace {

HWND make_button(HWND parent, int id, DWORD style, language_key_t label)
{
    HWND button = CreateWindowExW(0, L"BUTTON", wide(language_text(label).c_str()), WS_CHILD | WS_VISIBLE | WS_TABSTOP | style,
                                  0, 0, 10, 10, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  GetModuleHandleW(nullptr), nullptr);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(skin_font(font_verdana_8)), FALSE);
    return button;
}

void add_column(HWND list, int index, language_key_t label, int width)
{
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    u16 text = language_text(label);
    column.pszText = wide(&text[0]);
    column.cx = width;
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void set_cell(HWND list, int row, int column, u16 text)
{
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide(&text[0]);
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

} // namespace

cleanup_page_c::cleanup_page_c(std::function<backup_services_t()> services, removal_platform_c& platform,
                               std::function<void()> on_back)
    : view_run_host_c(timer_id), services_(std::move(services)), platform_(platform), on_back_(std::move(on_back))
{
}

HWND cleanup_page_c::create_page(HWND parent, const RECT& rect)
{
    register_class(class_name);
    return create(class_name, parent, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
}

bool cleanup_page_c::process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result)
{
    switch (message) {
    case WM_CREATE: {
        list_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 10, 10,
                                hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(list_id)),
                                GetModuleHandleW(nullptr), nullptr);
        SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(skin_font(font_verdana_8)), FALSE);
        SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
        add_column(list_, 0, lang::cleanup_column_package, 260);
        add_column(list_, 1, lang::cleanup_column_version, 110);
        add_column(list_, 2, lang::cleanup_column_date, 90);
        add_column(list_, 3, lang::cleanup_column_size, 90);
        back_up_ = make_button(hwnd(), back_up_id, BS_AUTOCHECKBOX, lang::cleanup_back_up_first);
        SendMessageW(back_up_, BM_SETCHECK, BST_CHECKED, 0);
        remove_ = make_button(hwnd(), remove_id, BS_PUSHBUTTON, lang::btn_remove);
        back_ = make_button(hwnd(), back_id, BS_PUSHBUTTON, lang::cleanup_back);
        result = 0;
        return true;
    }
    case WM_SIZE:
        layout(LOWORD(l), HIWORD(l));
        return true;
    case WM_SHOWWINDOW:
        if (w) refresh();
        return false;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT:
        paint_window_buffered(hwnd(), [this](HDC dc, const RECT& client) { paint(dc, client); });
        return true;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        // The tick box on the page's white, not on the dialog grey.
        SetBkMode(reinterpret_cast<HDC>(w), TRANSPARENT);
        result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        return true;
    case WM_COMMAND:
        if (LOWORD(w) == remove_id) on_remove();
        if (LOWORD(w) == back_id && on_back_) on_back_();
        return true;
    case WM_TIMER:
        if (w == timer_id && removal_tick(view_, *this) != removal_tick_result_t::running) {
            // What is left in the store after the run.
            if (!view_.worker.held()) refresh();
        }
        return true;
    default:
        return false;
    }
}

void cleanup_page_c::layout(int width, int height)
{
    if (!list_) return;
    // Under the page's title line.
    const int top = 36;
    int bottom = std::max(top, height - 90);
    MoveWindow(list_, 10, top, std::max(0, width - 20), bottom - top, TRUE);
    MoveWindow(back_up_, 10, bottom + 20, std::max(0, width - 160), 20, TRUE);
    MoveWindow(remove_, std::max(10, width - 140), bottom + 15, 130, 30, TRUE);
    MoveWindow(back_, 10, bottom + 50, 260, 28, TRUE);
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void cleanup_page_c::refresh()
{
    backup_services_t services = services_();
    if (!cleanup_view_shown(view_, services, settings.ignored_offers)) return;
    SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
    int row = 0;
    for (size_t index : view_.candidates) {
        const store_package_t& p = view_.packages[index];
        u16 name = p.original_name + u" (" + p.published_name + u")";
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = row;
        item.pszText = wide(&name[0]);
        item.lParam = static_cast<LPARAM>(row);
        SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        set_cell(list_, row, 1, p.driver_version);
        set_cell(list_, row, 2, p.driver_date);
        set_cell(list_, row, 3, size_text(p.size));
        ++row;
    }
    ShowWindow(list_, view_.candidates.empty() ? SW_HIDE : SW_SHOW);
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void cleanup_page_c::on_remove()
{
    if (view_.worker.held()) return;
    std::vector<size_t> ticked;
    int count = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        // The tick box is state image 2 of the item.
        UINT state = static_cast<UINT>(SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_STATEIMAGEMASK));
        if ((state >> 12) == 2) ticked.push_back(static_cast<size_t>(i));
    }
    bool back_up = SendMessageW(back_up_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    start_removal(view_, ticked, back_up, *this, services_(), platform_);
    redraw();
}

void cleanup_page_c::paint(HDC dc, const RECT& client)
{
    HBRUSH white = CreateSolidBrush(colour::white);
    FillRect(dc, &client, white);
    DeleteObject(white);
    {
        // The title: what the list holds (the backup view's link to it).
        selected_object_t font(dc, skin_font(font_verdana_9_bold));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0x47, 0x83, 0xC3));
        RECT title{10, 10, client.right - 10, 30};
        const u16& text = language_text(lang::cleanup_link);
        DrawTextW(dc, wide(text.c_str()), static_cast<int>(text.size()), &title,
                  DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
    if (view_.candidates.empty()) {
        selected_object_t font(dc, skin_font(font_verdana_8));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        RECT text{20, 60, client.right - 20, 100};
        const u16& none = language_text(lang::cleanup_none);
        DrawTextW(dc, wide(none.c_str()), static_cast<int>(none.size()), &text, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    }
}

} // namespace tdu
