// The Win32 registry of the current user.
#include "app/registry.h"

#include "common/win32_text.h"

#include <shlwapi.h>

namespace tdu {
namespace {

class win32_key_c final : public registry_key_c {
public:
    explicit win32_key_c(HKEY key) : key_(key) {}
    ~win32_key_c() override { RegCloseKey(key_); }
    win32_key_c(const win32_key_c&) = delete;
    win32_key_c& operator=(const win32_key_c&) = delete;

    long query_value(const char16_t* name, uint32_t* type, void* data, uint32_t* size) override
    {
        DWORD t = 0;
        DWORD n = size ? *size : 0;
        LONG rc = RegQueryValueExW(key_, wide(name), nullptr, &t, static_cast<BYTE*>(data), size ? &n : nullptr);
        if (type) *type = t;
        if (size) *size = n;
        return rc;
    }
    long set_value(const char16_t* name, uint32_t type, const void* data, uint32_t size) override
    {
        return RegSetValueExW(key_, wide(name), 0, type, static_cast<const BYTE*>(data), size);
    }
    long delete_value(const char16_t* name) override { return RegDeleteValueW(key_, wide(name)); }

private:
    HKEY key_;
};

class win32_registry_impl_c final : public registry_c {
public:
    long create_key(u16view subkey, uint32_t access, std::unique_ptr<registry_key_c>& out,
                    uint32_t* disposition) override
    {
        out.reset();
        u16 path(subkey);
        HKEY key = nullptr;
        DWORD disp = 0;
        LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, wide(path.c_str()), 0, nullptr, 0, access, nullptr, &key,
                                  &disp);
        if (rc != ERROR_SUCCESS) return rc;
        if (disposition) *disposition = disp;
        out = std::make_unique<win32_key_c>(key);
        return reg_ok;
    }
    long delete_tree(u16view subkey) override
    {
        // SHDeleteKeyW exists on every supported system (RegDeleteTreeW only
        // from Vista on).
        u16 path(subkey);
        return static_cast<long>(SHDeleteKeyW(HKEY_CURRENT_USER, wide(path.c_str())));
    }
};

} // namespace

registry_c& win32_registry()
{
    static win32_registry_impl_c registry;
    return registry;
}

} // namespace tdu
