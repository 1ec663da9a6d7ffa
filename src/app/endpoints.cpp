#include "app/endpoints.h"

#include "common/registry_types.h"
#include "common/text.h"

#include <cstdio>
#include <cstdlib>

namespace tdu {

endpoints_t default_endpoints()
{
    endpoints_t e;
    e.mirrors[0] = "http://update1.tavrill.com/";
    e.mirrors[1] = "http://update2.tavrill.com/";
    e.mirrors[2] = "http://update3.tavrill.com/";
    e.scan_share_host = "scanshare.tavrill.com";
    e.site_main = "http://www.tavrill.com";
    static const char* const codes[10] = {"de", "fr", "es", "cn", "hk", "it", "jp", "pt", "nl", "ar"};
    for (int i = 0; i < 10; ++i) {
        e.language_sites[i].code = codes[i];
        e.language_sites[i].base = std::string("http://") + codes[i] + ".tavrill.com";
    }
    return e;
}

std::string endpoints_t::site_for(const std::string& language_code) const
{
    for (const auto& s : language_sites)
        if (language_code == s.code) return s.base;
    return site_main;
}

static std::string trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool endpoints_apply_text(std::string_view text, const std::string& origin, endpoints_t& out, std::string& error)
{
    endpoints_t next = out;
    size_t pos = 0;
    int line_no = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string line = trim(std::string(text.substr(pos, end - pos)));
        pos = end + 1;
        ++line_no;
        if (line.empty() || line[0] == '#') continue;
        size_t eq = line.find('=');
        std::string key = eq == std::string::npos ? line : trim(line.substr(0, eq));
        std::string value = eq == std::string::npos ? std::string() : trim(line.substr(eq + 1));
        std::string* target = nullptr;
        if (key == "mirror1") target = &next.mirrors[0];
        else if (key == "mirror2") target = &next.mirrors[1];
        else if (key == "mirror3") target = &next.mirrors[2];
        else if (key == "scan_share_host") target = &next.scan_share_host;
        else if (key == "site") target = &next.site_main;
        else if (key.rfind("site_", 0) == 0) {
            for (auto& s : next.language_sites)
                if (key.compare(5, std::string::npos, s.code) == 0) target = &s.base;
        }
        if (!target || eq == std::string::npos || value.empty()) {
            error = origin + ":" + std::to_string(line_no) + ": not an endpoint line: " + line;
            return false;
        }
        *target = value;
    }
    out = next;
    return true;
}

namespace {

bool read_whole_file(const char* path, std::string& text)
{
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return true;
}

} // namespace

bool endpoints_apply_file(const char* path, endpoints_t& out, std::string& error)
{
    std::string text;
    if (!read_whole_file(path, text)) {
        error = std::string("cannot open endpoint file ") + path;
        return false;
    }
    return endpoints_apply_text(text, path, out, error);
}

endpoints_loaded_t endpoints_load(const endpoints_override_t& o)
{
    endpoints_loaded_t l;
    l.endpoints = default_endpoints();
    if (!o.error.empty()) {
        l.error = o.error;
        return l;
    }
    if (o.present) endpoints_apply_text(o.text, o.origin, l.endpoints, l.error);
    return l;
}

endpoints_override_t environment_endpoints_override()
{
    endpoints_override_t o;
    const char* path = std::getenv("TDU_ENDPOINTS");
    if (!path || !*path) return o;
    o.present = true;
    o.origin = path;
    if (!read_whole_file(path, o.text)) o.error = std::string("cannot open endpoint file ") + path;
    return o;
}

const char16_t machine_endpoints_key[] = u"SOFTWARE\\Tavrill Driver Updater";
const char16_t machine_endpoints_value[] = u"endpoints";

const char16_t machine_answer_keys_value[] = u"answer_keys";

endpoints_override_t machine_endpoints_override() { return machine_value_lines(machine_endpoints_value); }

endpoints_override_t endpoints_override_from_value(uint32_t type, const std::vector<uint8_t>& data,
                                                   const char* value_name)
{
    endpoints_override_t o;
    o.present = true;
    o.origin = std::string("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tavrill Driver Updater\\") + value_name;
    if ((type != reg_multi_sz && type != reg_sz) || data.size() % 2 != 0) {
        o.error = o.origin + ": not a REG_MULTI_SZ or REG_SZ value";
        return o;
    }
    u16 units(data.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    // The strings of a multi-string (and a REG_SZ's lines) become lines; the
    // zeros that end the value end the text.
    while (!units.empty() && units.back() == u'\0') units.pop_back();
    if (type == reg_sz) {
        size_t zero = units.find(u'\0');
        if (zero != u16::npos) units.resize(zero);
    }
    for (char16_t& c : units)
        if (c == u'\0') c = u'\n';
    o.text = utf16_to_utf8(units);
    return o;
}

namespace {

endpoints_source chosen_source = endpoints_source::environment_file;

const endpoints_loaded_t& loaded()
{
    static endpoints_loaded_t value = endpoints_load(chosen_source == endpoints_source::machine_registry
                                                         ? machine_endpoints_override()
                                                         : environment_endpoints_override());
    return value;
}

} // namespace

void endpoints_select_source(endpoints_source source) { chosen_source = source; }

const endpoints_t& endpoints() { return loaded().endpoints; }
const std::string& endpoints_override_error() { return loaded().error; }

} // namespace tdu
