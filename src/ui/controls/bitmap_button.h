#pragma once
// bitmap_button_c: a real push-button window drawn from an image list, with
// an optional centred label. It keeps the standard button's behaviour (focus,
// keyboard, capture, WM_COMMAND BN_CLICKED to its parent) and only paints
// itself: the disabled, pushed, hover or normal image, and the label in its
// font and colour on a transparent background. Hover is tracked with
// TrackMouseEvent.
#include "ui/win/gdi_handle.h"

#include <commctrl.h>

namespace tdu {

class bitmap_button_c {
public:
    bitmap_button_c() = default;
    ~bitmap_button_c();
    bitmap_button_c(const bitmap_button_c&) = delete;
    bitmap_button_c& operator=(const bitmap_button_c&) = delete;

    // Takes over an existing child button (one of a dialog template).
    bool attach(HWND button);
    // Creates a child button of `parent` and takes it over.
    HWND create(HWND parent, int id, int x, int y, int width, int height, const wchar_t* text);
    HWND hwnd() const { return hwnd_; }

    // The image list (not owned) and the indices of the images for each
    // state; -1 uses the normal image.
    void set_image_list(HIMAGELIST list) { images_ = list; }
    void set_images(int normal, int pushed = -1, int hover = -1, int disabled = -1);
    void set_font(HFONT font) { font_ = font; }
    void set_text_colour(COLORREF colour) { text_colour_ = colour; }

    // The index of the image the button shows now.
    int current_image() const;
    bool hovered() const { return hover_; }
    // Draws the button as it looks now into `dc` (client coordinates).
    void paint(HDC dc);

private:
    static LRESULT CALLBACK subclass_proc(HWND window, UINT message, WPARAM w, LPARAM l, UINT_PTR id,
                                          DWORD_PTR self);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);
    bool pushed() const;
    void detach();

    HWND hwnd_ = nullptr;
    HIMAGELIST images_ = nullptr;
    int normal_ = 0, pushed_ = -1, hover_image_ = -1, disabled_ = -1;
    HFONT font_ = nullptr;
    COLORREF text_colour_ = RGB(255, 255, 255);
    bool hover_ = false;
};

} // namespace tdu
