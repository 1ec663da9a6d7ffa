#pragma once
// dialog_c<T>: a modal dialog made from a DIALOGEX template of the program's
// resources whose messages go to T's message map, as for window_c<T>:
//
//     bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);
//
// The object is attached from the dialog's very first message (WM_NCCREATE
// and WM_NCCALCSIZE come before WM_INITDIALOG), so a skinned frame is right
// from the start.
#include <windows.h>

namespace tdu {

namespace detail {
// The dialog object whose window the calling thread is creating.
extern thread_local void* dialog_being_created;
} // namespace detail

template <class T>
class dialog_c {
public:
    dialog_c() = default;
    dialog_c(const dialog_c&) = delete;
    dialog_c& operator=(const dialog_c&) = delete;
    virtual ~dialog_c() = default;

    HWND hwnd() const { return hwnd_; }

    // Runs the dialog of template `template_id` modally over `owner` and
    // returns the value it was ended with (-1 when it could not be made).
    INT_PTR run_modal(HWND owner, int template_id)
    {
        detail::dialog_being_created = this;
        INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(template_id), owner,
                                         &dialog_c::dialog_proc, reinterpret_cast<LPARAM>(this));
        detail::dialog_being_created = nullptr;
        return result;
    }

    // Ends the modal dialog with `result`.
    void end_dialog(INT_PTR result)
    {
        if (hwnd_) EndDialog(hwnd_, result);
    }

protected:
    HWND hwnd_ = nullptr;

private:
    static bool returns_directly(UINT message)
    {
        // Messages whose answer is the dialog procedure's return value
        // rather than DWLP_MSGRESULT.
        return message == WM_INITDIALOG || (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) ||
               message == WM_COMPAREITEM || message == WM_VKEYTOITEM || message == WM_CHARTOITEM ||
               message == WM_QUERYDRAGICON;
    }

    static INT_PTR CALLBACK dialog_proc(HWND window, UINT message, WPARAM w, LPARAM l)
    {
        auto* self = reinterpret_cast<dialog_c*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!self && detail::dialog_being_created) {
            self = static_cast<dialog_c*>(detail::dialog_being_created);
            detail::dialog_being_created = nullptr;
            self->hwnd_ = window;
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        if (!self) return FALSE;

        LRESULT result = 0;
        bool handled = static_cast<T*>(self)->process_message(message, w, l, result);
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            self->hwnd_ = nullptr;
        }
        if (!handled) return FALSE;
        if (returns_directly(message)) return static_cast<INT_PTR>(result);
        SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
};

} // namespace tdu
