// The machine-wide values (the window program's endpoint override, the
// trusted answer keys): values of a key below HKEY_LOCAL_MACHINE, which only
// administrators can write.
#include "app/endpoints.h"

#include "common/text.h"
#include "common/win32_text.h"

#include <windows.h>

namespace tdu {

endpoints_override_t machine_value_lines(const char16_t* value_name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, wide(machine_endpoints_key), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return {};
    DWORD type = 0;
    DWORD size = 0;
    LONG rc = RegQueryValueExW(key, wide(value_name), nullptr, &type, nullptr, &size);
    std::vector<uint8_t> data;
    // The value may change between the two calls: ask again while it grows.
    while (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
        data.resize(size);
        rc = RegQueryValueExW(key, wide(value_name), nullptr, &type, data.data(), &size);
        if (rc == ERROR_SUCCESS) {
            data.resize(size);
            break;
        }
    }
    RegCloseKey(key);
    if (rc == ERROR_FILE_NOT_FOUND) return {};
    if (rc != ERROR_SUCCESS) {
        endpoints_override_t o;
        o.present = true;
        o.error = "the machine's value " + utf16_to_utf8(value_name) + " cannot be read (error " + std::to_string(rc) + ")";
        return o;
    }
    return endpoints_override_from_value(type, data, utf16_to_utf8(value_name).c_str());
}

} // namespace tdu
