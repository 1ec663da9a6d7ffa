#pragma once
// The update client: it sends the device inventory to the update service,
// trying three mirrors in turn, and hands the answer to the offer parser and
// ranking.
//
// send_update_request reports its outcome as a boolean plus
// last-error code:
//    7  the transfer object cannot be made
//   24  the request cannot be compressed
//    3  every mirror failed, the last with HTTP 504 or no answer at all
//   20  every mirror failed otherwise (error_text may say why)
//   21  the answer is not understood
//   29  (a local driver folder) the folder cannot be used
//   28  no answer came with a valid signature of a trusted key, bound to
//       this request and in time (answer_signature.h); the request's
//       signature_verdict says why the last one was refused
#include "app/endpoints.h"
#include "devices/device.h"
#include "service/answer_signature.h"
#include "service/http_transfer.h"
#include "app/ignored_offers.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace tdu {

struct local_source_t;

// Where a scan's offers come from.
enum class offers_source_t : int32_t {
    service = 0,         // the update service
    driver_folder = 1,   // the driver folder the user named (setting or --drivers)
    beside_program = 2,  // the "drivers" folder beside the program: the service could not be reached
};

// The input and outcome of one update request (held by the scan run).
struct update_request_t {
    std::string os_code;       // operating-system code, "WIN7", "WIN764", ...
    u16 model;                 // computer model
    int32_t os_version = 0;    // major x 10 + minor (61 on Windows 7)
    uint32_t os_build = 0;     // the system's build number (22631 on Windows 11 23H2)
    int32_t oem_code_page = 0; // the system's OEM code page
    // Written by the request; the scan run clears both before each one.
    int32_t response_status = 0;           // HTTP status of the latest attempt
    char error_text[transfer_error_text_bytes] = {};  // transport error text, zero-terminated
    // libcurl's result when the last mirror failed in transport (no HTTP
    // status of 400 or more), or when its answer did not fit (23); 0 when
    // none. The interface shows its own text for it, never libcurl's.
    int32_t transport_result = 0;
    // Where the latest answer's offers came from.
    offers_source_t offers_source = offers_source_t::service;
    // Why the latest refused answer was refused (valid when none was).
    signature_verdict_t signature_verdict = signature_verdict_t::valid;
};

// The answer buffer of the update transfer (an answer of 5 MiB or more does
// not fit and counts as a failed mirror).
constexpr int32_t update_response_capacity = 5 * 1024 * 1024;

struct update_client_t {
    // Made by the first request and reused by every later one.
    transfer_ptr update_transfer;
    // Download links whose installation was started here ("setup.dat").
    std::set<std::string> installed_links;
    // The offers the user ignores: ranking passes over them. The front end
    // sets the list from the user's settings before a scan, and again
    // (followed by rank_device_offers) when the user changes it.
    ignored_offers_t ignored_offers;
    // The base addresses of the update service, tried in this order.
    std::string mirrors[mirror_count];
    // The keys whose signatures the client accepts on an answer: the
    // built-in one and the machine's list. No key, no answer.
    std::vector<answer_key_t> trusted_keys;
    // The clock an answer's time limit is held against, seconds since 1970
    // UTC; tests set their own.
    int64_t (*clock)() = nullptr;
    // When set, offers come from this local driver folder and no service
    // is asked (service/local_source.h).
    std::shared_ptr<local_source_t> local_source;
    // Asked when every mirror failed (the stick the program runs from):
    // the "drivers" folder beside the program, when there is one.
    std::shared_ptr<local_source_t> fallback_source;
};

// The built-in key (from the file the build names), then the keys of the
// machine-wide value answer_keys (app/endpoints.h). A line there that is
// not a key is skipped and named in `problem` when given.
std::vector<answer_key_t> configured_answer_keys(std::string* problem = nullptr);

// A client with the configured mirrors (endpoints()) and keys
// (configured_answer_keys) and the system clock.
void update_client_init(update_client_t& client);

// Builds, compresses and posts the request, then parses and ranks the
// answer into the inventory's devices. True when an answer was received and
// understood; otherwise false with last-error code and the request's
// response_status and error_text telling why.
bool send_update_request(update_client_t& client, device_inventory_t& inventory, update_request_t& request);

// The process-wide client, made at start-up and released at exit.
update_client_t& update_client();
void update_client_release();

} // namespace tdu
