#pragma once
// The answer document: for every device of the request a "hardware" element
// with its "id" and one "item" per offered driver, in the client's ANSI code
// page (declared as such), printed with one TAB per level.
//
// The program refuses an answer of 5 MiB or more, so an answer is kept to a
// byte budget: each device keeps a few of its best offers, and when even
// those would not fit, the devices lose their last offers in turns until the
// document does. The size is worked out before the document is written.
#include "offers/offer_order.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tdu::offers {

struct answer_device_t {
    std::string id_bytes; // echoed as the request sent it, less any byte XML forbids
    std::vector<offer_t> offers;
};

// Safely under the program's 5 MiB (5,242,880 bytes).
constexpr std::size_t default_answer_budget = 4u << 20;

struct answer_context_t {
    std::string base_url; // "http://host:port/", ends in '/'
    unsigned ansi_code_page = 1252;
    std::size_t max_bytes = default_answer_budget;
};

// Hexadecimal digits of a package file's SHA-256 that name its version in
// links and in the package store.
constexpr std::size_t package_version_digits = 16;

// The link of a package: base_url + "packages/" + the first 16 digits of
// its SHA-256 + "/" + the name, percent-encoded. The bytes under such a link
// never change: new content of a package gets a new link (without a digest:
// "packages/" + the name, the package's current file).
std::string package_link(const std::string& base_url, const std::string& package, const std::string& sha256);
// The package's page: base_url + "drivers/" + the name.
std::string package_page_link(const std::string& base_url, const std::string& package);

// "infpath": the program drops the first part of the path and looks for the
// rest in the folder it unpacks the package into, so the INF's path inside
// the package is sent behind the package's name without its extension.
std::string answer_inf_path(const std::string& package, const std::string& inf_path);

// Drops offers (each device's last ones, one device after another) until
// the document fits `context.max_bytes`; false when the devices alone,
// without any offer, would not fit.
bool fit_answer_budget(std::vector<answer_device_t>& devices, const answer_context_t& context);

// The exact size build_update_answer() gives.
std::size_t update_answer_size(const std::vector<answer_device_t>& devices, const answer_context_t& context);

std::string build_update_answer(const std::vector<answer_device_t>& devices, const answer_context_t& context);

// Percent-encodes every byte but the unreserved ones of RFC 3986.
std::string percent_encode(const std::string& text);

} // namespace tdu::offers

// The update service names these as its own.
namespace tdu::server {
using namespace tdu::offers;
}
