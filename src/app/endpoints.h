#pragma once
// The fixed addresses of the outside world: the three update mirrors, the
// host whose address carries the scan-share switch, and the product web site
// (a main site and one per interface language).
//
// Shipped defaults are compiled in. One override exists, for tests and the
// demo: the environment variable TDU_ENDPOINTS names a text file read once,
// at the first use, with lines of the form
//
//     # comment
//     mirror1 = http://127.0.0.1:8080/
//     mirror2 = http://127.0.0.1:8081/
//     mirror3 = http://127.0.0.1:8082/
//     scan_share_host = localhost
//     site = http://127.0.0.1:8090
//     site_de = http://127.0.0.1:8090/de
//
// Keys not named keep their defaults. A file that cannot be read, or a line
// that is not one of these keys, leaves every default in place and is
// reported by endpoints_override_error().
#include <string>

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

// Applies the override file's lines to `out`. False with `error` set when the
// file cannot be read or a line is malformed; `out` is then unchanged.
bool endpoints_apply_file(const char* path, endpoints_t& out, std::string& error);

// The process-wide endpoints: the defaults with the override applied, read
// on the first call.
const endpoints_t& endpoints();
// Empty unless TDU_ENDPOINTS named a file that was not applied.
const std::string& endpoints_override_error();

} // namespace tdu
