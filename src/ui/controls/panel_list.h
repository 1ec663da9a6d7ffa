#pragma once
// panel_list_c<T>: a vertically scrolling list of row windows (T is the row
// window class, with `HWND hwnd() const`). Rows are stacked in the order
// they are added and stretched to the list's width; the list owns them, and
// removing all rows destroys their windows.
//
// The scrolling itself (rows, positions, the scroll bar, the wheel) does not
// depend on T and lives in panel_list_base_c.
#include "ui/win/window.h"

#include <memory>
#include <vector>

namespace tdu {

class panel_list_base_c : public window_c<panel_list_base_c> {
public:
    struct row_place_t {
        HWND window;
        int left, top, width, height;  // top in content coordinates
    };

    HWND create(HWND parent, int id, int x, int y, int width, int height);

    int scroll_position() const { return position_; }
    int content_height() const { return content_height_; }
    int page_height() const { return page_height_; }
    const std::vector<row_place_t>& places() const { return places_; }

    // Moves the view to `position` (clamped to the content).
    void scroll_to(int position) { apply_position(position); }

    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);

protected:
    // Places a row window (already a child of the list) below the others.
    void place_row(HWND row, int height);
    void forget_rows();

private:
    void apply_position(int position);
    void on_size();

    std::vector<row_place_t> places_;
    int content_width_ = 0;
    int content_height_ = 0;
    int position_ = 0;
    int page_height_ = 0;
};

template <class T>
class panel_list_c : public panel_list_base_c {
public:
    ~panel_list_c() override { remove_all_rows(); }

    // Takes a row whose window the caller made as a child of hwnd(); it is
    // placed below the last row, `height` pixels high.
    T* add_row(std::unique_ptr<T> row, int height)
    {
        place_row(row->hwnd(), height);
        rows_.push_back(std::move(row));
        return rows_.back().get();
    }
    void remove_all_rows()
    {
        for (auto& row : rows_)
            if (row->hwnd() && IsWindow(row->hwnd())) DestroyWindow(row->hwnd());
        rows_.clear();
        forget_rows();
    }
    const std::vector<std::unique_ptr<T>>& rows() const { return rows_; }

private:
    std::vector<std::unique_ptr<T>> rows_;
};

} // namespace tdu
