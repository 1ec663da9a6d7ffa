#pragma once
// The registry as the settings store uses it: keys below HKEY_CURRENT_USER,
// created or opened with an access mask, and their typed values. Two
// implementations: the Win32 registry, and an in-memory registry that native
// tests (and anything else that must not touch the machine) use instead.
//
// Results are Win32 error codes (reg_ok on success), so both implementations
// answer the same way: a missing value is reg_file_not_found, a buffer that
// is too small is reg_more_data with the needed size.
#include "common/registry_types.h"
#include "common/text.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace tdu {

// Access masks (KEY_READ, KEY_WRITE, and the two together).
constexpr uint32_t key_read = 0x20019;
constexpr uint32_t key_write = 0x20006;
constexpr uint32_t key_read_write = 0x2001F;

// Dispositions of create_key.
constexpr uint32_t reg_created_new_key = 1;
constexpr uint32_t reg_opened_existing_key = 2;

// Results (Win32 error codes).
constexpr long reg_ok = 0;
constexpr long reg_file_not_found = 2;
constexpr long reg_access_denied = 5;
constexpr long reg_invalid_parameter = 87;
constexpr long reg_more_data = 234;

// An open key; closing happens when the object goes away.
class registry_key_c {
public:
    virtual ~registry_key_c() = default;
    // RegQueryValueExW: `type` (may be null) receives the value's type.
    // With `data` null only the size is reported. `size` holds the buffer's
    // size in bytes on entry and the value's size on return; a buffer that
    // is too small gives reg_more_data and leaves `data` unspecified.
    virtual long query_value(const char16_t* name, uint32_t* type, void* data, uint32_t* size) = 0;
    // RegSetValueExW.
    virtual long set_value(const char16_t* name, uint32_t type, const void* data, uint32_t size) = 0;
    // RegDeleteValueW; a missing value gives reg_file_not_found.
    virtual long delete_value(const char16_t* name) = 0;
};

class registry_c {
public:
    virtual ~registry_c() = default;
    // RegCreateKeyExW below HKEY_CURRENT_USER (reserved 0, no class,
    // options 0, no security attributes): creates the key and any missing
    // parents, or opens it. `disposition` (may be null) receives
    // reg_created_new_key or reg_opened_existing_key. On failure `out` is
    // empty and the result says why.
    virtual long create_key(u16view subkey, uint32_t access, std::unique_ptr<registry_key_c>& out,
                            uint32_t* disposition) = 0;
    // Deletes a key below HKEY_CURRENT_USER with all its subkeys and values
    // (tests and clean-up only; the program never deletes keys).
    virtual long delete_tree(u16view subkey) = 0;
};

// The registry of the current user (Windows build only).
registry_c& win32_registry();

// A registry held in memory: the same answers as the Win32 one for the calls
// above, key names compared without regard to ASCII case, values by name the
// same way. Each instance is its own empty HKEY_CURRENT_USER.
class memory_registry_c final : public registry_c {
public:
    memory_registry_c();
    ~memory_registry_c() override;
    long create_key(u16view subkey, uint32_t access, std::unique_ptr<registry_key_c>& out,
                    uint32_t* disposition) override;
    long delete_tree(u16view subkey) override;

    // Test hooks: a key path that create_key refuses with reg_access_denied;
    // a key path that opens but refuses every value write the same way.
    void deny(u16view subkey);
    void deny_writes(u16view subkey);

    struct value_t {
        uint32_t type = reg_none;
        std::vector<uint8_t> data;
    };
    struct node_t;

private:
    std::shared_ptr<node_t> root_;
    std::vector<u16> denied_;
    std::vector<u16> write_denied_;
};

// Reading and writing on top of a key, with the checks the settings store
// relies on.
//
// A number counts only when it is a REG_DWORD of exactly 4 bytes.
bool reg_read_dword(registry_key_c& key, const char16_t* name, uint32_t& out);
// A text counts only when it is a REG_SZ or REG_EXPAND_SZ (taken as it
// stands, not expanded) whose data is a whole number of UTF-16 units ending
// in a terminating zero and fits `capacity` units with that zero; the text
// then ends at its first zero. Otherwise `field` is left as it was.
bool reg_read_string(registry_key_c& key, const char16_t* name, char16_t* field, size_t capacity);
// Writes a REG_SZ value holding `text` and its terminating zero.
long reg_set_string(registry_key_c& key, const char16_t* name, u16view text);
long reg_set_dword(registry_key_c& key, const char16_t* name, uint32_t value);

} // namespace tdu
