#include "ui/controls/bitmap_button.h"

#include "ui/win/memory_paint.h"

namespace tdu {

namespace {
constexpr UINT_PTR subclass_id = 0x7B42;
}

bitmap_button_c::~bitmap_button_c() { detach(); }

void bitmap_button_c::detach()
{
    if (hwnd_ && IsWindow(hwnd_)) RemoveWindowSubclass(hwnd_, &bitmap_button_c::subclass_proc, subclass_id);
    hwnd_ = nullptr;
}

bool bitmap_button_c::attach(HWND button)
{
    detach();
    if (!button || !SetWindowSubclass(button, &bitmap_button_c::subclass_proc, subclass_id,
                                      reinterpret_cast<DWORD_PTR>(this)))
        return false;
    hwnd_ = button;
    // Owner-drawn: the standard button then draws nothing of its own (its
    // WM_DRAWITEM goes unanswered) and this class paints it.
    LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    SetWindowLongPtrW(button, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    InvalidateRect(button, nullptr, TRUE);
    return true;
}

HWND bitmap_button_c::create(HWND parent, int id, int x, int y, int width, int height, const wchar_t* text)
{
    HWND button = CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, x, y, width,
                                  height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  GetModuleHandleW(nullptr), nullptr);
    if (button && !attach(button)) {
        DestroyWindow(button);
        return nullptr;
    }
    return button;
}

void bitmap_button_c::set_images(int normal, int pushed, int hover, int disabled)
{
    normal_ = normal;
    pushed_ = pushed;
    hover_image_ = hover;
    disabled_ = disabled;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

bool bitmap_button_c::pushed() const
{
    return hwnd_ && (SendMessageW(hwnd_, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
}

int bitmap_button_c::current_image() const
{
    auto or_normal = [this](int index) { return index >= 0 ? index : normal_; };
    if (hwnd_ && !IsWindowEnabled(hwnd_)) return or_normal(disabled_);
    if (pushed()) return or_normal(pushed_);
    if (hover_) return or_normal(hover_image_);
    return normal_;
}

void bitmap_button_c::paint(HDC dc)
{
    RECT client{};
    GetClientRect(hwnd_, &client);
    int image = current_image();
    // Without a pushed image a press shows by moving the picture a pixel.
    int offset = (pushed() && pushed_ < 0 && IsWindowEnabled(hwnd_)) ? 1 : 0;
    if (images_) {
        ImageList_Draw(images_, image, dc, offset, offset, ILD_NORMAL);
    }
    wchar_t text[256];
    int length = GetWindowTextW(hwnd_, text, 256);
    if (length > 0) {
        selected_object_t font(dc, font_);
        int old_mode = SetBkMode(dc, TRANSPARENT);
        // A disabled button's label is dimmed halfway to grey, whatever its colour.
        COLORREF colour = text_colour_;
        if (!IsWindowEnabled(hwnd_))
            colour = RGB((GetRValue(colour) + 0x80) / 2, (GetGValue(colour) + 0x90) / 2, (GetBValue(colour) + 0xA8) / 2);
        COLORREF old_colour = SetTextColor(dc, colour);
        RECT r = client;
        OffsetRect(&r, offset, offset);
        DrawTextW(dc, text, length, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        SetTextColor(dc, old_colour);
        SetBkMode(dc, old_mode);
    }
}

LRESULT CALLBACK bitmap_button_c::subclass_proc(HWND window, UINT message, WPARAM w, LPARAM l, UINT_PTR,
                                                DWORD_PTR self)
{
    auto* button = reinterpret_cast<bitmap_button_c*>(self);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &bitmap_button_c::subclass_proc, subclass_id);
        button->hwnd_ = nullptr;
        return DefSubclassProc(window, message, w, l);
    }
    return button->handle(message, w, l);
}

LRESULT bitmap_button_c::handle(UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case BM_GETSTATE:
        return DefSubclassProc(hwnd_, message, w, l);
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        paint_dc_t dc(hwnd_);
        RECT client;
        GetClientRect(hwnd_, &client);
        memory_paint_c buffer(dc.get(), client);
        // What lies behind the button shows through the images' transparent parts.
        HWND parent = GetParent(hwnd_);
        HBRUSH background = reinterpret_cast<HBRUSH>(
            SendMessageW(parent, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(buffer.dc()), reinterpret_cast<LPARAM>(hwnd_)));
        FillRect(buffer.dc(), &client, background ? background : GetSysColorBrush(COLOR_BTNFACE));
        paint(buffer.dc());
        buffer.end();
        return 0;
    }
    case WM_MOUSEMOVE:
        if (!hover_) {
            hover_ = true;
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, HOVER_DEFAULT};
            TrackMouseEvent(&track);
            InvalidateRect(hwnd_, nullptr, FALSE);
        }
        break;
    case WM_MOUSELEAVE:
        hover_ = false;
        InvalidateRect(hwnd_, nullptr, FALSE);
        break;
    default:
        break;
    }

    // State changes of the standard button (press, release, focus, enable,
    // text) repaint through WM_PAINT.
    bool was_pushed = pushed();
    LRESULT result = DefSubclassProc(hwnd_, message, w, l);
    if (hwnd_ && (pushed() != was_pushed || message == WM_ENABLE || message == WM_SETTEXT || message == BM_SETSTATE))
        InvalidateRect(hwnd_, nullptr, FALSE);
    return result;
}

} // namespace tdu
