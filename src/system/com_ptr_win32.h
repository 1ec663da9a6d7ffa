#pragma once
// Win32 back ends only: an owning COM interface pointer that releases what
// it holds when it goes away, so every early return releases what was
// obtained.
#include <objbase.h>

namespace tdu {

template <class T>
class com_ptr {
public:
    com_ptr() = default;
    ~com_ptr() { reset(); }
    com_ptr(const com_ptr&) = delete;
    com_ptr& operator=(const com_ptr&) = delete;

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // The address to receive a new interface; whatever was held is released.
    T** out()
    {
        reset();
        return &p_;
    }
    void** out_void() { return reinterpret_cast<void**>(out()); }
    IUnknown** out_unknown() { return reinterpret_cast<IUnknown**>(out()); }
    void reset()
    {
        if (p_) p_->Release();
        p_ = nullptr;
    }

private:
    T* p_ = nullptr;
};

// A BSTR freed when it goes away.
class bstr_c {
public:
    explicit bstr_c(const wchar_t* text) : s_(SysAllocString(text)) {}
    ~bstr_c() { SysFreeString(s_); }
    bstr_c(const bstr_c&) = delete;
    bstr_c& operator=(const bstr_c&) = delete;
    BSTR get() const { return s_; }

private:
    BSTR s_;
};

} // namespace tdu
