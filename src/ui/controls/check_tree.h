#pragma once
// check_tree_c: the system tree control (id 100) with check boxes, as the
// backup and restore views use it. Items carry a reference (their lParam);
// an item made without a box shows none. The tick rules themselves are
// ui/model/check_tree.h: the view copies the boxes out with snapshot(),
// asks the rules, and sets the boxes they name.
#include "ui/model/check_tree.h"

#include <windows.h>
#include <commctrl.h>

#include <vector>

namespace tdu {

class check_tree_c {
public:
    static constexpr int control_id = 100;

    // The tree as a visible child of `parent`, its check-box style set after
    // creation, with `images` (not owned) and an indent of 22 pixels.
    HWND create(HWND parent, HIMAGELIST images);
    HWND hwnd() const { return hwnd_; }

    void clear();
    HTREEITEM add(HTREEITEM parent, const wchar_t* text, int image, LPARAM reference, bool with_box);
    void sort_children(HTREEITEM item);
    void expand(HTREEITEM item);
    void remove(HTREEITEM item);
    bool has_children(HTREEITEM item) const;

    bool ticked(HTREEITEM item) const;
    void set_ticked(HTREEITEM item, bool ticked);
    LPARAM reference(HTREEITEM item) const;

    // Every item in tree order with its parent's index and its box, and the
    // handles in the same order.
    std::vector<check_item_t> snapshot(std::vector<HTREEITEM>& handles) const;

    // The item whose box lies under the screen point, or null.
    HTREEITEM box_at(POINT screen) const;

private:
    HWND hwnd_ = nullptr;
};

} // namespace tdu
