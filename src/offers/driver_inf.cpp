#include "offers/driver_inf.h"

#include <algorithm>
#include <cstdlib>

namespace tdu::offers {

namespace {

bool read_uint(std::string_view text, int base, unsigned long limit, unsigned long& out)
{
    if (text.empty() || text.size() > 12) return false;
    std::string s(text);
    if (s[0] == '-' || s[0] == '+' || s[0] == ' ') return false;
    char* end = nullptr;
    out = std::strtoul(s.c_str(), &end, base);
    return *end == '\0' && out <= limit;
}

// FeatureScore of the install section Windows uses on `architecture`:
// <install>.NT<arch>, then <install>.NT, then <install>.
unsigned feature_score(const inf_file_t& inf, const std::string& install, const char* architecture,
                       std::vector<inf_problem_t>& warnings)
{
    const std::string candidates[] = {install + ".NT" + architecture, install + ".NT", install};
    for (const auto& section : candidates) {
        if (!inf.has_section(section)) continue;
        const inf_line_t* line = inf.find(section, "FeatureScore");
        if (!line) return default_feature_score;
        unsigned long v = 0;
        if (!read_uint(inf.value(*line, 0), 0, 0xFF, v)) {
            // both architectures may read the same section: report it once
            if (warnings.empty() || warnings.back().line != line->line)
                warnings.push_back({line->line, "FeatureScore is not a number from 0 to 0xFF"});
            return default_feature_score;
        }
        return static_cast<unsigned>(v);
    }
    return default_feature_score;
}

void read_models(const inf_file_t& inf, inf_models_section_t& section, std::vector<inf_problem_t>& warnings)
{
    for (const auto& line : inf.lines(section.name)) {
        inf_model_t model;
        model.line = line.line;
        model.description = line.has_key ? inf.key(line) : std::string();
        if (model.description.empty()) {
            warnings.push_back({line.line, "model line without a device description"});
            continue;
        }
        model.install_section = inf.value(line, 0);
        if (model.install_section.empty()) {
            warnings.push_back({line.line, "model line without an install section"});
            continue;
        }
        bool any = false;
        for (size_t i = 1; i < line.values.size(); ++i) {
            std::string id = inf.value(line, i);
            if (id.empty() && i > 1) continue;
            any = any || !id.empty();
            model.ids.push_back(std::move(id));
        }
        if (!any) {
            warnings.push_back({line.line, "model line without a hardware or compatible ID"});
            continue;
        }
        model.feature_x86 = feature_score(inf, model.install_section, "x86", warnings);
        model.feature_amd64 = feature_score(inf, model.install_section, "amd64", warnings);
        section.models.push_back(std::move(model));
    }
}

void read_manufacturer(const inf_file_t& inf, const inf_line_t& line, driver_inf_t& driver)
{
    inf_manufacturer_t m;
    m.line = line.line;
    std::string models = inf.value(line, 0);
    m.name = line.has_key ? inf.key(line) : models;
    if (models.empty()) {
        driver.warnings.push_back({line.line, "manufacturer without a Models section name"});
        return;
    }
    if (inf.has_section(models)) {
        inf_models_section_t s;
        s.name = models;
        read_models(inf, s, driver.warnings);
        m.sections.push_back(std::move(s));
    } else if (line.values.size() < 2) {
        driver.warnings.push_back({line.line, "Models section [" + models + "] is missing"});
    }
    for (size_t i = 1; i < line.values.size(); ++i) {
        inf_models_section_t s;
        s.decoration = inf.value(line, i);
        if (!parse_target_os(s.decoration, s.target)) {
            driver.warnings.push_back({line.line, "'" + s.decoration + "' is no TargetOSVersion decoration"});
            continue;
        }
        s.name = models + "." + s.decoration;
        if (!inf.has_section(s.name)) {
            driver.warnings.push_back({line.line, "Models section [" + s.name + "] is missing"});
            continue;
        }
        read_models(inf, s, driver.warnings);
        m.sections.push_back(std::move(s));
    }
    driver.manufacturers.push_back(std::move(m));
}

} // namespace

bool parse_driver_date(std::string_view text, std::string& iso)
{
    size_t a = text.find('/');
    size_t b = a == std::string_view::npos ? a : text.find('/', a + 1);
    if (b == std::string_view::npos) return false;
    unsigned long month = 0, day = 0, year = 0;
    if (!read_uint(text.substr(0, a), 10, 12, month) || !read_uint(text.substr(a + 1, b - a - 1), 10, 31, day) ||
        !read_uint(text.substr(b + 1), 10, 9999, year))
        return false;
    if (month < 1 || day < 1 || year < 1980) return false;
    auto two = [](unsigned long v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    iso = std::to_string(year) + "-" + two(month) + "-" + two(day);
    return true;
}

bool parse_driver_version(std::string_view text, std::string& version)
{
    unsigned long parts[4] = {0, 0, 0, 0};
    size_t count = 0;
    while (true) {
        if (count == 4) return false;
        size_t dot = text.find('.');
        if (!read_uint(text.substr(0, dot), 10, 65535, parts[count])) return false;
        ++count;
        if (dot == std::string_view::npos) break;
        text = text.substr(dot + 1);
    }
    version = std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]) + "." +
              std::to_string(parts[3]);
    return true;
}

bool read_driver_inf(const inf_file_t& inf, driver_inf_t& driver, inf_problem_t& error)
{
    driver = driver_inf_t{};
    if (!inf.has_section("Version")) {
        error = {0, "no [Version] section"};
        return false;
    }
    const inf_line_t* signature = inf.find("Version", "Signature");
    std::string sig = signature ? inf.value(*signature, 0) : std::string();
    if (!iequals(sig, "$Windows NT$") && !iequals(sig, "$Chicago$") && !iequals(sig, "$Windows 95$")) {
        error = {signature ? signature->line : 0, signature ? "unknown Signature '" + sig + "'"
                                                           : "no Signature in [Version]"};
        return false;
    }
    const inf_line_t* driver_ver = inf.find("Version", "DriverVer");
    if (!driver_ver) {
        error = {0, "no DriverVer in [Version]"};
        return false;
    }
    if (!parse_driver_date(inf.value(*driver_ver, 0), driver.date)) {
        error = {driver_ver->line, "DriverVer date is not mm/dd/yyyy"};
        return false;
    }
    std::string version_text = inf.value(*driver_ver, 1);
    if (version_text.empty()) version_text = "0";
    if (!parse_driver_version(version_text, driver.version)) {
        error = {driver_ver->line, "DriverVer version is not one to four numbers"};
        return false;
    }
    if (auto* l = inf.find("Version", "Provider")) driver.provider = inf.value(*l, 0);
    if (auto* l = inf.find("Version", "Class")) driver.class_name = inf.value(*l, 0);
    if (auto* l = inf.find("Version", "ClassGuid")) driver.class_guid = inf.value(*l, 0);
    for (const auto& line : inf.lines("Version")) {
        if (!line.has_key) continue;
        std::string key = ascii_upper(inf.key(line));
        if (key != "CATALOGFILE" && key.rfind("CATALOGFILE.", 0) != 0) continue;
        std::string decoration = key.size() > 12 ? inf.key(line).substr(12) : std::string();
        driver.catalogs.push_back({decoration, inf.value(line, 0)});
    }
    if (!inf.has_section("Manufacturer")) {
        error = {0, "no [Manufacturer] section: not a device driver INF"};
        return false;
    }
    for (const auto& line : inf.lines("Manufacturer")) read_manufacturer(inf, line, driver);
    std::stable_sort(driver.warnings.begin(), driver.warnings.end(),
                     [](const inf_problem_t& a, const inf_problem_t& b) { return a.line < b.line; });
    return true;
}

std::string catalog_for(const driver_inf_t& driver, std::string_view architecture)
{
    const std::string wanted[] = {"NT" + std::string(architecture), "NT", ""};
    for (const auto& w : wanted)
        for (const auto& c : driver.catalogs)
            if (iequals(c.decoration, w) && !c.file_name.empty()) return c.file_name;
    return {};
}

} // namespace tdu::offers
