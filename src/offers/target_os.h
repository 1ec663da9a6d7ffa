#pragma once
// TargetOSVersion decorations of INF Models sections
// (NT[Architecture][.Major[.Minor[.ProductType[.SuiteMask[.Build]]]]]) and the
// operating systems the update request names by code ("WIN7", "WIN764", ...).
#include <string>
#include <string_view>
#include <vector>

namespace tdu::offers {

struct target_os_t {
    bool decorated = false;   // false: the undecorated Models section
    std::string architecture; // "x86", "amd64", "ia64", "arm", "arm64"; empty for any
    int major = -1;           // -1 when the decoration names no version
    int minor = -1;
    int product_type = -1;    // VER_NT_WORKSTATION 1, DOMAIN_CONTROLLER 2, SERVER 3
    int build = -1;           // the lowest build number the section is for; -1 for any
};

// Parses a decoration such as "NTamd64.6.1" (case-insensitive). False when
// the text is not one.
bool parse_target_os(std::string_view decoration, target_os_t& target);

// The decoration's version as major x 10 + minor (6.1 gives 61); 0 when it
// names none.
int target_os_number(const target_os_t& target);

// A system the update request can name.
struct os_profile_t {
    const char* code;
    int major;
    int minor;
    const char* architecture; // "x86" or "amd64"
    int product_type;         // -1 when the code covers workstations and servers
    int build;                // the first build of the system the code names (Windows 11: 22000)
};

const std::vector<os_profile_t>& os_profiles();
// The profile of an update request's OS code (exact, as the client sends
// it), or null for codes such as "NOT_SUPPORTED".
const os_profile_t* find_os_profile(std::string_view code);

// Which of a manufacturer's Models sections `os` uses, as Windows chooses:
// among the decorated sections whose architecture (or none) and product
// type fit and whose version is not above the system's, the one with the
// highest version (a build number above the system's first build rules a
// section out), an explicit architecture before a bare "NT"; without one,
// the undecorated section. Only x86 takes undecorated and bare "NT"
// sections: other architectures need a decoration that names them.
// Returns the index into `sections`, or -1.
int choose_models_section(const std::vector<target_os_t>& sections, const os_profile_t& os);

} // namespace tdu::offers

// The update service names these as its own.
namespace tdu::server {
using namespace tdu::offers;
}
