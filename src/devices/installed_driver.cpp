#include "devices/installed_driver.h"

#include <cstdio>
#include <string>
#include <vector>

#include "devices/grow_buffer.h"

namespace tdu {

namespace {

constexpr uint32_t first_value_bytes = 1024;

// One string value of the driver key as text: read into 1024 bytes, grown to
// the reported size on ERROR_MORE_DATA. REG_EXPAND_SZ is a string too (some
// driver installers store their values so) and is taken as it is stored,
// unexpanded, like REG_SZ. Any other error or type is missing. The text ends
// after the returned byte count (or at an earlier zero).
bool read_text_value(setup_api_c& api, driver_key_t key, const char16_t* name, u16& out)
{
    std::vector<uint8_t> buffer(first_value_bytes);
    for (int round = 0; round < max_growth_rounds; ++round) {
        uint32_t type = 0;
        uint32_t size = static_cast<uint32_t>(buffer.size());
        uint32_t status = api.query_value(key, name, &type, buffer.data(), &size);
        if (status == win32_error::more_data) {
            if (size <= buffer.size() || !grow_buffer(buffer, size)) return false;
            continue;
        }
        if (status != win32_error::success || (type != reg_sz && type != reg_expand_sz)) return false;
        out = units_from_bytes(buffer, size);
        size_t zero = out.find(u'\0');
        if (zero != u16::npos) out.resize(zero);
        return true;
    }
    return false;
}

// Reads one number of a "%d" conversion: blanks skipped, an optional sign,
// at least one digit. Numbers past nine digits are refused (no overflow).
bool read_number(const char16_t*& p, long& out)
{
    while (*p == u' ' || *p == u'\t' || *p == u'\n' || *p == u'\r' || *p == u'\v' || *p == u'\f') ++p;
    bool negative = false;
    if (*p == u'+' || *p == u'-') negative = *p++ == u'-';
    if (*p < u'0' || *p > u'9') return false;
    long value = 0;
    int digits = 0;
    while (*p >= u'0' && *p <= u'9') {
        if (++digits > 9) return false;
        value = value * 10 + (*p++ - u'0');
    }
    out = negative ? -value : value;
    return true;
}

} // namespace

void driver_date_normalise(char16_t* date, size_t capacity)
{
    if (capacity == 0) return;
    date[capacity - 1] = 0;
    const char16_t* p = date;
    long month = 0, day = 0, year = 0;
    bool ok = read_number(p, month) && *p++ == u'-' && read_number(p, day) && *p++ == u'-' && read_number(p, year);
    ok = ok && month >= 1 && month <= 12 && day >= 1 && day <= 31 && year >= 1 && year <= 9999;
    if (!ok) {
        date[0] = 0;
        return;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%ld-%02ld-%02ld", year, month, day);
    copy_field(date, capacity, ascii_to_utf16(text));
}

bool installed_driver_read(setup_api_c& api, device_set_t set, const device_node_t& node, device_t& device)
{
    driver_key_t key = api.open_driver_key(set, node);
    if (key == invalid_driver_key) return false;

    struct required_t {
        const char16_t* name;
        char16_t* field;
        size_t capacity;
    };
    const required_t required[] = {
        {u"DriverVersion", device.driver_version, device_driver_version_chars},
        {u"InfPath", device.inf_path, device_inf_path_chars},
        {u"DriverDate", device.driver_date, device_driver_date_chars},
        {u"DriverDesc", device.driver_desc, device_driver_desc_chars},
        {u"MatchingDeviceId", device.matching_device_id, device_matching_id_chars},
    };
    u16 text;
    for (const required_t& value : required) {
        if (!read_text_value(api, key, value.name, text)) {
            api.close_key(key);
            return false;
        }
        copy_field(value.field, value.capacity, text);
        if (value.field == device.driver_date) driver_date_normalise(device.driver_date, device_driver_date_chars);
    }
    if (read_text_value(api, key, u"ProviderName", text))
        copy_field(device.provider_name, device_provider_name_chars, text);
    api.close_key(key);
    return true;
}

bool installed_driver_rank(setup_api_c& api, device_set_t set, const device_node_t& node, device_t& device)
{
    device_install_params_t params;
    if (!api.get_device_install_params(set, node, params)) return false;
    params.flags |= di_enumsingleinf;
    params.flags_ex |= di_flagsex_installeddriver | di_flagsex_allowexcludeddrvs;
    copy_field(params.driver_path, sizeof params.driver_path / sizeof params.driver_path[0], device.inf_path);
    if (!api.set_device_install_params(set, node, params)) return false;
    if (!api.build_driver_info_list(set, node)) return false;

    driver_info_t info;
    bool ranked = false;
    uint32_t rank = 0;
    if (api.enum_driver_info(set, node, 0, info) && api.driver_install_rank(set, node, info, &rank)) {
        device.driver_rank = rank;
        ranked = true;
    }
    api.destroy_driver_info_list(set, node);
    return ranked;
}

} // namespace tdu
