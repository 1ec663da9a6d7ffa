#pragma once
// The answer document: for every device of the request a "hardware" element
// with its "id" and one "item" per offered driver, in the client's ANSI code
// page (declared as such), printed with one TAB per level.
#include "matching/offer_finder.h"

#include <string>
#include <vector>

namespace tdu::server {

struct answer_device_t {
    std::string id_bytes; // echoed exactly as the request sent it
    std::vector<offer_t> offers;
};

struct answer_context_t {
    std::string base_url; // "http://host:port/", ends in '/'
    unsigned ansi_code_page = 1252;
};

// The link of a package: base_url + "packages/" + the name, percent-encoded.
std::string package_link(const std::string& base_url, const std::string& package);
// The package's page: base_url + "drivers/" + the name.
std::string package_page_link(const std::string& base_url, const std::string& package);

// "infpath": the program drops the first part of the path and looks for the
// rest in the folder it unpacks the package into, so the INF's path inside
// the package is sent behind the package's name without its extension.
std::string answer_inf_path(const std::string& package, const std::string& inf_path);

std::string build_update_answer(const std::vector<answer_device_t>& devices, const answer_context_t& context);

// Percent-encodes every byte but the unreserved ones of RFC 3986.
std::string percent_encode(const std::string& text);

} // namespace tdu::server
