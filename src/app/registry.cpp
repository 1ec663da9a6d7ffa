#include "app/registry.h"

namespace tdu {

bool reg_read_dword(registry_key_c& key, const char16_t* name, uint32_t& out)
{
    uint32_t type = reg_none, value = 0, size = sizeof value;
    if (key.query_value(name, &type, &value, &size) != reg_ok) return false;
    if (type != reg_dword || size != sizeof value) return false;
    out = value;
    return true;
}

bool reg_read_string(registry_key_c& key, const char16_t* name, char16_t* field, size_t capacity)
{
    if (capacity == 0) return false;
    // The size as stored comes first: a read into a roomy buffer may add a
    // terminating zero the data does not have (Windows and Wine both do).
    uint32_t type = reg_none, stored = 0;
    if (key.query_value(name, &type, nullptr, &stored) != reg_ok) return false;
    if (type != reg_sz && type != reg_expand_sz) return false;
    if (stored == 0 || stored % sizeof(char16_t) != 0 || stored / sizeof(char16_t) > capacity) return false;
    // Read into a buffer of its own, so the field keeps what it held unless
    // the whole value is good.
    size_t units = stored / sizeof(char16_t);
    std::vector<char16_t> buffer(units + 1, 0);
    uint32_t size = stored;
    if (key.query_value(name, &type, buffer.data(), &size) != reg_ok || size != stored) return false;
    if (buffer[units - 1] != 0) return false;
    copy_field(field, capacity, u16view(buffer.data()));
    return true;
}

long reg_set_string(registry_key_c& key, const char16_t* name, u16view text)
{
    u16 with_zero(text);
    with_zero.push_back(0);
    return key.set_value(name, reg_sz, with_zero.data(),
                         static_cast<uint32_t>(with_zero.size() * sizeof(char16_t)));
}

long reg_set_dword(registry_key_c& key, const char16_t* name, uint32_t value)
{
    return key.set_value(name, reg_dword, &value, sizeof value);
}

} // namespace tdu
