#include "app/endpoints.h"

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

bool endpoints_apply_file(const char* path, endpoints_t& out, std::string& error)
{
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        error = std::string("cannot open endpoint file ") + path;
        return false;
    }
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);

    endpoints_t next = out;
    size_t pos = 0;
    int line_no = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = trim(text.substr(pos, end - pos));
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
            error = std::string(path) + ":" + std::to_string(line_no) + ": not an endpoint line: " + line;
            return false;
        }
        *target = value;
    }
    out = next;
    return true;
}

namespace {
struct loaded_t {
    endpoints_t endpoints;
    std::string error;
};

const loaded_t& loaded()
{
    static loaded_t value = [] {
        loaded_t l;
        l.endpoints = default_endpoints();
        const char* path = std::getenv("TDU_ENDPOINTS");
        if (path && *path) endpoints_apply_file(path, l.endpoints, l.error);
        return l;
    }();
    return value;
}
} // namespace

const endpoints_t& endpoints() { return loaded().endpoints; }
const std::string& endpoints_override_error() { return loaded().error; }

} // namespace tdu
