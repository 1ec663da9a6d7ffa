#include "offers/target_os.h"

#include "offers/inf_file.h"

#include <cstdlib>

namespace tdu::offers {

namespace {

// One dot-separated number field; empty fields are allowed ("NT..1" is not
// useful but legal) and read as absent.
bool read_number(std::string_view text, int& out)
{
    if (text.empty()) {
        out = -1;
        return true;
    }
    if (text.size() > 10) return false;
    std::string s(text);
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 0);
    if (*end != '\0' || v < 0 || v > 0x7fffffff) return false;
    out = static_cast<int>(v);
    return true;
}

} // namespace

bool parse_target_os(std::string_view decoration, target_os_t& target)
{
    target = target_os_t{};
    auto upper = ascii_upper(decoration);
    if (upper.rfind("NT", 0) != 0) return false;
    std::string_view rest = std::string_view(upper).substr(2);
    size_t dot = rest.find('.');
    std::string_view arch = rest.substr(0, dot);
    static const char* const known[] = {"X86", "AMD64", "IA64", "ARM", "ARM64"};
    if (!arch.empty()) {
        bool found = false;
        for (const char* k : known)
            if (arch == k) found = true;
        if (!found) return false;
        target.architecture = std::string(decoration.substr(2, arch.size()));
        for (auto& c : target.architecture)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    target.decorated = true;
    if (dot == std::string_view::npos) return true;
    rest = rest.substr(dot + 1);
    int suite_mask = -1; // read for its form, not used
    int* fields[] = {&target.major, &target.minor, &target.product_type, &suite_mask, &target.build};
    for (int i = 0; i < 5; ++i) {
        size_t next = rest.find('.');
        int* field = fields[i];
        if (!read_number(rest.substr(0, next), *field)) return false;
        if (next == std::string_view::npos) return true;
        rest = rest.substr(next + 1);
    }
    return false; // more fields than a decoration has
}

int target_os_number(const target_os_t& target)
{
    if (target.major < 0) return 0;
    return target.major * 10 + (target.minor < 0 ? 0 : target.minor);
}

const std::vector<os_profile_t>& os_profiles()
{
    // The request's codes; a code that covers several versions or builds is
    // read as the oldest of them, so no driver meant only for a newer system is
    // offered. Windows 11 is 10.0 from build 22000 on; the 10-based servers
    // start with Server 2016 (build 14393).
    static const std::vector<os_profile_t> profiles = {
        {"WINXP", 5, 1, "x86", 1, 2600},          {"WINXP64", 5, 1, "amd64", 1, 2600},
        {"WIN2003", 5, 2, "x86", 3, 3790},        {"WIN200364", 5, 2, "amd64", 3, 3790},
        {"VISTA", 6, 0, "x86", 1, 6000},          {"VISTA64", 6, 0, "amd64", 1, 6000},
        {"WIN2008", 6, 0, "x86", 3, 6001},        {"WIN200864", 6, 0, "amd64", 3, 6001},
        {"WIN7", 6, 1, "x86", 1, 7600},           {"WIN764", 6, 1, "amd64", 1, 7600},
        {"WIN8", 6, 2, "x86", -1, 9200},          {"WIN864", 6, 2, "amd64", -1, 9200},
        {"WIN81", 6, 3, "x86", 1, 9600},          {"WIN8164", 6, 3, "amd64", 1, 9600},
        {"WIN2012R2", 6, 3, "x86", 3, 9600},      {"WIN2012R264", 6, 3, "amd64", 3, 9600},
        {"WIN10", 10, 0, "x86", 1, 10240},        {"WIN1064", 10, 0, "amd64", 1, 10240},
        {"WIN11", 10, 0, "x86", 1, 22000},        {"WIN1164", 10, 0, "amd64", 1, 22000},
        {"WIN2016", 10, 0, "x86", 3, 14393},      {"WIN201664", 10, 0, "amd64", 3, 14393},
    };
    return profiles;
}

const os_profile_t* find_os_profile(std::string_view code)
{
    for (const auto& p : os_profiles())
        if (code == p.code) return &p;
    return nullptr;
}

int choose_models_section(const std::vector<target_os_t>& sections, const os_profile_t& os)
{
    int best = -1;
    int undecorated = -1;
    // major, minor and build in one number that orders them
    auto version_of = [](const target_os_t& t) -> long long {
        if (t.major < 0) return 0;
        return (t.major * 1000LL + (t.minor < 0 ? 0 : t.minor)) * 1000000LL + (t.build < 0 ? 0 : t.build);
    };
    const long long system_version = (os.major * 1000LL + os.minor) * 1000000LL + os.build;
    for (size_t i = 0; i < sections.size(); ++i) {
        const auto& t = sections[i];
        if (!t.decorated) {
            if (undecorated < 0) undecorated = static_cast<int>(i);
            continue;
        }
        if (!t.architecture.empty() && t.architecture != os.architecture) continue;
        if (t.major >= 0 && version_of(t) > system_version) continue;
        if (t.product_type >= 0 && os.product_type >= 0 && t.product_type != os.product_type) continue;
        if (t.architecture.empty() && std::string_view(os.architecture) != "x86") continue;
        if (best >= 0) {
            const auto& b = sections[static_cast<size_t>(best)];
            if (version_of(t) < version_of(b)) continue;
            if (version_of(t) == version_of(b) && b.architecture.size() >= t.architecture.size() &&
                (b.product_type >= 0 || t.product_type < 0))
                continue;
        }
        best = static_cast<int>(i);
    }
    if (best < 0 && std::string_view(os.architecture) == "x86") best = undecorated;
    return best;
}

} // namespace tdu::offers
