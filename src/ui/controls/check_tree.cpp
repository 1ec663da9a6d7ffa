#include "ui/controls/check_tree.h"

namespace tdu {

namespace {

constexpr UINT state_clear = 1;
constexpr UINT state_ticked = 2;

} // namespace

HWND check_tree_c::create(HWND parent, HIMAGELIST images)
{
    hwnd_ = CreateWindowExW(0, WC_TREEVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                                TVS_DISABLEDRAGDROP | TVS_SHOWSELALWAYS,
                            0, 20, 300, 100, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id)),
                            GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_) return nullptr;
    // The style is given after creation, so the control makes its state
    // image list of boxes.
    SetWindowLongW(hwnd_, GWL_STYLE, GetWindowLongW(hwnd_, GWL_STYLE) | TVS_CHECKBOXES);
    if (images) TreeView_SetImageList(hwnd_, images, TVSIL_NORMAL);
    TreeView_SetIndent(hwnd_, 22);
    return hwnd_;
}

void check_tree_c::clear()
{
    if (hwnd_) TreeView_DeleteAllItems(hwnd_);
}

HTREEITEM check_tree_c::add(HTREEITEM parent, const wchar_t* text, int image, LPARAM reference, bool with_box)
{
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(text);
    insert.item.iImage = image;
    insert.item.iSelectedImage = image;
    insert.item.lParam = reference;
    insert.item.stateMask = TVIS_STATEIMAGEMASK;
    insert.item.state = INDEXTOSTATEIMAGEMASK(with_box ? state_clear : 0);
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageW(hwnd_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    // Some controls give every new item a box; take it away again.
    if (item && !with_box) TreeView_SetItemState(hwnd_, item, INDEXTOSTATEIMAGEMASK(0), TVIS_STATEIMAGEMASK);
    return item;
}

void check_tree_c::sort_children(HTREEITEM item) { TreeView_SortChildren(hwnd_, item, FALSE); }

void check_tree_c::expand(HTREEITEM item) { TreeView_Expand(hwnd_, item, TVE_EXPAND); }

void check_tree_c::remove(HTREEITEM item) { TreeView_DeleteItem(hwnd_, item); }

bool check_tree_c::has_children(HTREEITEM item) const { return TreeView_GetChild(hwnd_, item) != nullptr; }

bool check_tree_c::ticked(HTREEITEM item) const
{
    UINT state = TreeView_GetItemState(hwnd_, item, TVIS_STATEIMAGEMASK);
    return (state >> 12) == state_ticked;
}

void check_tree_c::set_ticked(HTREEITEM item, bool on)
{
    TreeView_SetItemState(hwnd_, item, INDEXTOSTATEIMAGEMASK(on ? state_ticked : state_clear), TVIS_STATEIMAGEMASK);
}

LPARAM check_tree_c::reference(HTREEITEM item) const
{
    TVITEMW tv{};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    if (!SendMessageW(hwnd_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv))) return 0;
    return tv.lParam;
}

std::vector<check_item_t> check_tree_c::snapshot(std::vector<HTREEITEM>& handles) const
{
    std::vector<check_item_t> items;
    handles.clear();
    // Depth first, parents before children.
    struct frame_t {
        HTREEITEM item;
        size_t parent;
    };
    std::vector<frame_t> stack;
    std::vector<frame_t> roots;
    for (HTREEITEM r = TreeView_GetRoot(hwnd_); r; r = TreeView_GetNextSibling(hwnd_, r)) roots.push_back({r, no_parent});
    for (auto it = roots.rbegin(); it != roots.rend(); ++it) stack.push_back(*it);
    while (!stack.empty()) {
        frame_t f = stack.back();
        stack.pop_back();
        UINT state = TreeView_GetItemState(hwnd_, f.item, TVIS_STATEIMAGEMASK) >> 12;
        items.push_back({f.parent, state != 0, state == state_ticked});
        handles.push_back(f.item);
        const size_t index = items.size() - 1;
        std::vector<frame_t> children;
        for (HTREEITEM c = TreeView_GetChild(hwnd_, f.item); c; c = TreeView_GetNextSibling(hwnd_, c))
            children.push_back({c, index});
        for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(*it);
    }
    return items;
}

HTREEITEM check_tree_c::box_at(POINT screen) const
{
    TVHITTESTINFO hit{};
    hit.pt = screen;
    ScreenToClient(hwnd_, &hit.pt);
    HTREEITEM item = TreeView_HitTest(hwnd_, &hit);
    return item && (hit.flags & TVHT_ONITEMSTATEICON) ? item : nullptr;
}

} // namespace tdu
