#pragma once
// Owners of the window system's other handles: image lists, menus and icons.
// Each frees what it holds when it goes out of scope or is given another.
#include <windows.h>

#include <commctrl.h>

#include <utility>

namespace tdu {

template <typename H, BOOL(WINAPI* Free)(H)>
class user_handle_t {
public:
    user_handle_t() = default;
    explicit user_handle_t(H handle) : handle_(handle) {}
    ~user_handle_t() { reset(); }
    user_handle_t(const user_handle_t&) = delete;
    user_handle_t& operator=(const user_handle_t&) = delete;
    user_handle_t(user_handle_t&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    user_handle_t& operator=(user_handle_t&& other) noexcept
    {
        if (this != &other) reset(std::exchange(other.handle_, nullptr));
        return *this;
    }

    H get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset(H handle = nullptr)
    {
        if (handle_) Free(handle_);
        handle_ = handle;
    }
    H release() { return std::exchange(handle_, nullptr); }

private:
    H handle_ = nullptr;
};

using image_list_t = user_handle_t<HIMAGELIST, ImageList_Destroy>;
using menu_t = user_handle_t<HMENU, DestroyMenu>;
using icon_t = user_handle_t<HICON, DestroyIcon>;

} // namespace tdu
