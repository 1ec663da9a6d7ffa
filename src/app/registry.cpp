#include "app/registry.h"

namespace tdu {

bool reg_read_dword(registry_key_t& key, const char16_t* name, uint32_t& out)
{
    uint32_t type = reg_none, value = 0, size = sizeof value;
    if (key.query_value(name, &type, &value, &size) != reg_ok) return false;
    if (type != reg_dword || size != sizeof value) return false;
    out = value;
    return true;
}

bool reg_read_string(registry_key_t& key, const char16_t* name, char16_t* field, size_t capacity)
{
    if (capacity == 0) return false;
    // Read into a buffer of its own: a value that does not fit may leave
    // part of its data behind, and the field must keep what it held.
    std::vector<char16_t> buffer(capacity);
    uint32_t type = reg_none;
    uint32_t size = static_cast<uint32_t>(capacity * sizeof(char16_t));
    if (key.query_value(name, &type, buffer.data(), &size) != reg_ok) return false;
    if (type != reg_sz && type != reg_expand_sz) return false;
    if (size == 0 || size % sizeof(char16_t) != 0) return false;
    size_t units = size / sizeof(char16_t);
    if (units > capacity || buffer[units - 1] != 0) return false;
    copy_field(field, capacity, u16view(buffer.data()));
    return true;
}

long reg_set_string(registry_key_t& key, const char16_t* name, u16view text)
{
    u16 with_zero(text);
    with_zero.push_back(0);
    return key.set_value(name, reg_sz, with_zero.data(),
                         static_cast<uint32_t>(with_zero.size() * sizeof(char16_t)));
}

long reg_set_dword(registry_key_t& key, const char16_t* name, uint32_t value)
{
    return key.set_value(name, reg_dword, &value, sizeof value);
}

} // namespace tdu
