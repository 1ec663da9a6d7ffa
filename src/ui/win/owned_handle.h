#pragma once
// owned_handle_t<H, Free>: one handle of the window system, freed with
// `Free` when its owner goes out of scope or is given another. The GDI
// objects (ui/win/gdi_handle.h) and the image lists, menus and icons
// (ui/win/user_handle.h) are its kinds.
#include <windows.h>

#include <utility>

namespace tdu {

template <typename H, BOOL(WINAPI* Free)(H)>
class owned_handle_t {
public:
    owned_handle_t() = default;
    explicit owned_handle_t(H handle) : handle_(handle) {}
    ~owned_handle_t() { reset(); }
    owned_handle_t(const owned_handle_t&) = delete;
    owned_handle_t& operator=(const owned_handle_t&) = delete;
    owned_handle_t(owned_handle_t&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    owned_handle_t& operator=(owned_handle_t&& other) noexcept
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

} // namespace tdu
