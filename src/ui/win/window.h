#pragma once
// window_c<T>: a window class whose messages go to an object. One static
// window procedure finds the object (stored with the window when it is
// created) and hands each message to T's message map:
//
//     bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);
//
// which answers true when it handled the message (and set `result`), false
// to let the default handling run. The object outlives its window; the
// window forgets it at WM_NCDESTROY.
#include <windows.h>

namespace tdu {

template <class T>
class window_c {
public:
    window_c() = default;
    window_c(const window_c&) = delete;
    window_c& operator=(const window_c&) = delete;
    virtual ~window_c()
    {
        if (hwnd_ && IsWindow(hwnd_)) {
            HWND window = hwnd_;
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
            DestroyWindow(window);
        }
    }

    HWND hwnd() const { return hwnd_; }

    // Registers a window class of this object type (once per process; a
    // second call for the same name succeeds).
    static bool register_class(const wchar_t* class_name, UINT style = CS_DBLCLKS, HBRUSH background = nullptr,
                               HCURSOR cursor = nullptr)
    {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = style;
        wc.lpfnWndProc = &window_c::window_proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = cursor ? cursor : LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = background;
        wc.lpszClassName = class_name;
        if (RegisterClassExW(&wc)) return true;
        return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }

    // Creates the window of a class registered with register_class.
    HWND create(const wchar_t* class_name, HWND parent, const wchar_t* title, DWORD style, DWORD ex_style, int x,
                int y, int width, int height, UINT_PTR id = 0)
    {
        return CreateWindowExW(ex_style, class_name, title, style, x, y, width, height, parent,
                               reinterpret_cast<HMENU>(id), GetModuleHandleW(nullptr), this);
    }

protected:
    HWND hwnd_ = nullptr;

private:
    static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM w, LPARAM l)
    {
        auto* self = reinterpret_cast<window_c*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
            self = static_cast<window_c*>(create->lpCreateParams);
            if (self) {
                self->hwnd_ = window;
                SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            }
        }
        if (!self) return DefWindowProcW(window, message, w, l);

        LRESULT result = 0;
        bool handled = static_cast<T*>(self)->process_message(message, w, l, result);
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            self->hwnd_ = nullptr;
        }
        return handled ? result : DefWindowProcW(window, message, w, l);
    }
};

} // namespace tdu
