#include "system/system_info.h"

#include "system/byte_size.h"

#include <limits>

namespace tdu {

system_info_t system_info;

namespace {

constexpr char16_t os_query[] = u"SELECT * FROM Win32_OperatingSystem";

// Caption, then " Build " and the build number, then a space and the service
// pack, each part only when WMI has it. A caption that ends in a space keeps
// it (two spaces then stand before "Build").
u16 os_description_text(wmi_source_c& source)
{
    u16 text;
    if (wmi_query_text(source, os_query, u"Caption", text) != 0) return u16();
    u16 build, service_pack;
    wmi_query_text(source, os_query, u"BuildNumber", build);
    if (!build.empty()) text += u" Build " + build;
    wmi_query_text(source, os_query, u"CSDVersion", service_pack);
    if (!service_pack.empty()) text += u" " + service_pack;
    return text;
}

int64_t saturating_add(int64_t a, int64_t b)
{
    constexpr int64_t hi = std::numeric_limits<int64_t>::max(), lo = std::numeric_limits<int64_t>::min();
    if (b > 0 && a > hi - b) return hi;
    if (b < 0 && a < lo - b) return lo;
    return a + b;
}

// Every memory module's capacity, added up; modules without a value are
// skipped. Empty when the query cannot be run or no module has a capacity:
// "0B" of memory would be a wrong fact, not an unknown one.
u16 memory_size_text(wmi_source_c& source)
{
    int64_t sum = 0;
    bool any = false;
    bool ran = source.query(u"SELECT * FROM Win32_PhysicalMemory", u"Capacity", [&](const char16_t* value) {
        if (value) {
            sum = saturating_add(sum, parse_decimal_int64(value));
            any = true;
        }
        return true;
    });
    if (!ran || !any) return u16();
    return format_byte_size(sum);
}

} // namespace

int64_t parse_decimal_int64(const char16_t* text)
{
    const char16_t* p = text;
    while (*p == u' ' || (*p >= u'\t' && *p <= u'\r')) ++p;
    bool negative = false;
    if (*p == u'-' || *p == u'+') negative = *p++ == u'-';
    // Accumulated as a negative number, whose range is one larger.
    constexpr int64_t lo = std::numeric_limits<int64_t>::min();
    int64_t value = 0;
    bool overflow = false;
    for (; *p >= u'0' && *p <= u'9'; ++p) {
        int digit = *p - u'0';
        if (value < (lo + digit) / 10) overflow = true;
        if (!overflow) value = value * 10 - digit;
    }
    if (overflow) return negative ? lo : std::numeric_limits<int64_t>::max();
    if (negative) return value;
    return value == lo ? std::numeric_limits<int64_t>::max() : -value;
}

int wmi_query_text(wmi_source_c& source, u16view query, u16view property, u16& target)
{
    target.clear();
    bool ran = source.query(query, property, [&](const char16_t* value) {
        if (!value) return true;
        target = value;
        return false;
    });
    return ran ? 0 : -1;
}

int collect_system_info(wmi_source_c& source, system_info_t& info)
{
    if (!source.initialize_security()) return -1;
    if (!source.connect()) return -1;
    wmi_query_text(source, u"SELECT * FROM Win32_Processor", u"name", info.processor_name);
    info.os_description = os_description_text(source);
    info.memory_size = memory_size_text(source);
    wmi_query_text(source, u"SELECT * FROM Win32_DiskDrive", u"Model", info.disk_model);
    wmi_query_text(source, u"SELECT * FROM Win32_DisplayConfiguration", u"Caption", info.display_name);
    wmi_query_text(source, u"SELECT * FROM Win32_SoundDevice", u"Description", info.sound_device);
    wmi_query_text(source, u"SELECT * FROM Win32_ComputerSystem", u"Model", info.computer_model);
    source.disconnect();
    return 0;
}

} // namespace tdu
