#pragma once
// link_c: a hyperlink child window. Its label is drawn in blue (purple once
// the address has been opened) in its font; over the text the cursor is the
// hand; a click opens the address with the shell's "open" verb.
#include "common/text.h"
#include "ui/win/window.h"

#include <functional>

namespace tdu {

class link_c : public window_c<link_c> {
public:
    static constexpr COLORREF normal_colour = RGB(0, 0, 255);
    static constexpr COLORREF visited_colour = RGB(128, 0, 128);

    // A link to an action of the program rather than to an address: when
    // set, a click runs it (and the link never turns purple).
    std::function<void()> on_click;

    // How an address is opened: true when it was. The shell's "open" verb,
    // shown normally, unless a test puts something else here.
    std::function<bool(const u16& address)> open_address;

    link_c();
    HWND create(HWND parent, int id, int x, int y, int width, int height);

    void set_label(u16view label);
    void set_address(u16view address) { address_ = u16(address); }
    void set_font(HFONT font);
    bool visited() const { return visited_; }
    // Runs the action, or opens the address, as a click does.
    void open();

    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);

private:
    RECT text_rect(HDC dc) const;
    void paint(HDC dc);

    u16 label_;
    u16 address_;
    HFONT font_ = nullptr;
    bool visited_ = false;
};

} // namespace tdu
