#pragma once
// The fixed addresses of the outside world: the three update mirrors, the
// host whose address carries the scan-share switch, and the product web site
// (a main site and one per interface language).
//
// Shipped defaults are compiled in. One override exists, for tests and the
// demo, read once at the first use, with lines of the form
//
//     # comment
//     mirror1 = http://127.0.0.1:8080/
//     mirror2 = http://127.0.0.1:8081/
//     mirror3 = http://127.0.0.1:8082/
//     scan_share_host = localhost
//     site = http://127.0.0.1:8090
//     site_de = http://127.0.0.1:8090/de
//
// Keys not named keep their defaults. An override that cannot be read, or a
// line that is not one of these keys, leaves every default in place and is
// reported by endpoints_override_error().
//
// Where the override comes from depends on the program. The console front
// end and the tests read the file the environment variable TDU_ENDPOINTS
// names. The window program runs with administrator rights, and whoever can
// set its environment must not be able to redirect its update service and
// scan-share host: it reads only the machine-wide registry value
//
//     HKEY_LOCAL_MACHINE\SOFTWARE\Tavrill Driver Updater   "endpoints"
//
// (REG_MULTI_SZ, one line per string, or REG_SZ with the lines separated by
// line feeds), which only administrators can write. The program is a 32-bit
// process: on 64-bit Windows the key lies in the registry's 32-bit view
// (SOFTWARE\Wow6432Node).
//
// Beside it, the same key's value "answer_keys" (REG_MULTI_SZ, one minisign
// public key per string, or REG_SZ with one per line) lists the keys of the
// update service's answers an administrator trusts besides the built-in
// one. Both front ends read it; no environment variable adds a key.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tdu {

constexpr int mirror_count = 3;

struct endpoints_t {
    std::string mirrors[mirror_count];  // base addresses, each ending in "/"
    std::string scan_share_host;        // a host name, only ever resolved
    std::string site_main;              // base address without a trailing "/"
    // Site per language code ("de", "fr", "es", "cn", "hk", "it", "jp", "pt",
    // "nl", "ar"); "en" and unknown codes give site_main.
    std::string site_for(const std::string& language_code) const;

    struct language_site_t { const char* code; std::string base; };
    language_site_t language_sites[10];
};

endpoints_t default_endpoints();

// Applies override lines to `out`. False with `error` set (naming `origin`
// and the line) when a line is malformed; `out` is then unchanged.
bool endpoints_apply_text(std::string_view text, const std::string& origin, endpoints_t& out, std::string& error);
// The same with the lines of a file; a file that cannot be read is an error.
bool endpoints_apply_file(const char* path, endpoints_t& out, std::string& error);

// One override as found at its source.
struct endpoints_override_t {
    bool present = false;  // there is an override to apply
    std::string text;      // its lines
    std::string origin;    // where it came from, for messages
    std::string error;     // present but unreadable: applied not at all
};

// The defaults with `o` applied; `error` says why it was not.
struct endpoints_loaded_t {
    endpoints_t endpoints;
    std::string error;
};
endpoints_loaded_t endpoints_load(const endpoints_override_t& o);

// The file TDU_ENDPOINTS names (none when the variable is unset or empty).
endpoints_override_t environment_endpoints_override();

// The machine-wide registry value, as RegQueryValueExW gives it: its type
// and bytes. Only a REG_MULTI_SZ or REG_SZ of whole UTF-16 units counts.
// `value_name` names the value in messages.
endpoints_override_t endpoints_override_from_value(uint32_t type, const std::vector<uint8_t>& data,
                                                   const char* value_name = "endpoints");
extern const char16_t machine_endpoints_key[];
extern const char16_t machine_endpoints_value[];
extern const char16_t machine_answer_keys_value[];
// Reads a value of that key as lines (Windows build; natively there is
// none).
endpoints_override_t machine_value_lines(const char16_t* value_name);
// The endpoint override of the window program: machine_value_lines(machine_endpoints_value).
endpoints_override_t machine_endpoints_override();

// Which override the process-wide endpoints take: the environment's file
// (the default) or the machine-wide registry value. Chosen by the program
// before the first use of endpoints().
enum class endpoints_source { environment_file, machine_registry };
void endpoints_select_source(endpoints_source source);

// The process-wide endpoints: the defaults with the chosen override applied,
// read on the first call.
const endpoints_t& endpoints();
// Empty unless an override was found and not applied.
const std::string& endpoints_override_error();

} // namespace tdu
