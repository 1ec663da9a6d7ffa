#pragma once
// list_cell_tip_c: shows the whole text of a report-view list cell whose
// column is too narrow for it, in a tooltip laid over the cell while the
// mouse rests on it (device IDs are longer than any column the device
// information dialog has room for). Cells that fit show no tip.
#include <windows.h>

#include <string>

namespace tdu {

class list_cell_tip_c {
public:
    list_cell_tip_c() = default;
    ~list_cell_tip_c();
    list_cell_tip_c(const list_cell_tip_c&) = delete;
    list_cell_tip_c& operator=(const list_cell_tip_c&) = delete;

    // Watches the mouse over `list` (a list view in report view) and makes
    // the tooltip, in the list's font.
    bool attach(HWND list);
    HWND tip() const { return tip_; }

private:
    static LRESULT CALLBACK subclass_proc(HWND window, UINT message, WPARAM w, LPARAM l, UINT_PTR id,
                                          DWORD_PTR self);
    void mouse_move(POINT point);
    void show(int row, int column, const std::wstring& text);
    void hide();
    void detach();

    HWND list_ = nullptr;
    HWND tip_ = nullptr;
    int row_ = -1, column_ = -1;  // the cell the tip shows, -1 for none
    std::wstring text_;
    bool tracking_ = false;
};

} // namespace tdu
