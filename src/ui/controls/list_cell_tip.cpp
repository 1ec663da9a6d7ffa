#include "ui/controls/list_cell_tip.h"

#include <commctrl.h>

namespace tdu {

namespace {

constexpr UINT_PTR subclass_id = 0x7B43;
constexpr UINT_PTR tool_id = 1;
// The list view draws a cell's text this far in from the column's edges.
constexpr int cell_margins = 12;

TOOLINFOW tool_of(HWND list)
{
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = list;
    tool.uId = tool_id;
    return tool;
}

std::wstring cell_text(HWND list, int row, int column)
{
    wchar_t text[1025] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 1025;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

} // namespace

list_cell_tip_c::~list_cell_tip_c() { detach(); }

void list_cell_tip_c::detach()
{
    if (list_ && IsWindow(list_)) RemoveWindowSubclass(list_, &list_cell_tip_c::subclass_proc, subclass_id);
    if (tip_ && IsWindow(tip_)) DestroyWindow(tip_);
    list_ = tip_ = nullptr;
}

bool list_cell_tip_c::attach(HWND list)
{
    detach();
    if (!list) return false;
    tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0,
                           0, 0, list, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!tip_) return false;
    TOOLINFOW tool = tool_of(list);
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tip_, WM_SETFONT, static_cast<WPARAM>(SendMessageW(list, WM_GETFONT, 0, 0)), FALSE);
    if (!SetWindowSubclass(list, &list_cell_tip_c::subclass_proc, subclass_id, reinterpret_cast<DWORD_PTR>(this))) {
        DestroyWindow(tip_);
        tip_ = nullptr;
        return false;
    }
    list_ = list;
    return true;
}

void list_cell_tip_c::mouse_move(POINT point)
{
    if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, list_, 0};
        tracking_ = TrackMouseEvent(&track) != FALSE;
    }
    LVHITTESTINFO hit{};
    hit.pt = point;
    SendMessageW(list_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.iItem < 0 || hit.iSubItem < 0) return hide();
    if (hit.iItem == row_ && hit.iSubItem == column_) return;
    std::wstring text = cell_text(list_, hit.iItem, hit.iSubItem);
    int needed = static_cast<int>(SendMessageW(list_, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str())));
    int width = static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(hit.iSubItem), 0));
    if (text.empty() || needed + cell_margins <= width) return hide();
    show(hit.iItem, hit.iSubItem, text);
}

void list_cell_tip_c::show(int row, int column, const std::wstring& text)
{
    row_ = row;
    column_ = column;
    text_ = text;
    SendMessageW(tip_, WM_SETFONT, static_cast<WPARAM>(SendMessageW(list_, WM_GETFONT, 0, 0)), FALSE);
    TOOLINFOW tool = tool_of(list_);
    tool.lpszText = text_.data();
    SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    // Over the cell, where its cut text starts.
    RECT cell{};
    cell.top = column;
    cell.left = LVIR_LABEL;
    SendMessageW(list_, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    POINT at{cell.left + cell_margins / 2 - 4, cell.top - 2};
    ClientToScreen(list_, &at);
    SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
    SendMessageW(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

void list_cell_tip_c::hide()
{
    if (row_ < 0) return;
    row_ = column_ = -1;
    TOOLINFOW tool = tool_of(list_);
    SendMessageW(tip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

LRESULT CALLBACK list_cell_tip_c::subclass_proc(HWND window, UINT message, WPARAM w, LPARAM l, UINT_PTR,
                                                DWORD_PTR self)
{
    auto* tip = reinterpret_cast<list_cell_tip_c*>(self);
    switch (message) {
    case WM_MOUSEMOVE:
        tip->mouse_move(POINT{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))});
        break;
    case WM_MOUSELEAVE:
        tip->tracking_ = false;
        tip->hide();
        break;
    case WM_MOUSEWHEEL:
    case WM_VSCROLL:
    case WM_HSCROLL:
    case LVM_DELETEALLITEMS:
        // The cell under the tip moves away or goes.
        tip->hide();
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, &list_cell_tip_c::subclass_proc, subclass_id);
        if (tip->tip_) DestroyWindow(tip->tip_);
        tip->list_ = tip->tip_ = nullptr;
        tip->row_ = tip->column_ = -1;
        break;
    default:
        break;
    }
    return DefSubclassProc(window, message, w, l);
}

} // namespace tdu
