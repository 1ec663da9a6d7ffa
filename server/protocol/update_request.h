#pragma once
// The update request as the program posts it: a zlib stream in the form
// field "kelptone" that inflates to the request document
//
//   <kelptone>
//     <action>ACTION_UPDATE_DRIVER</action>
//     <client version=".." os="WIN7" lang="437" model=".."/>
//     <hardwares>
//       <hardware><id/><matchid/><hardids/><compids/></hardware> ...
//
// with the ID lists in CDATA sections, one ID per line. The document's text
// is in the client's ANSI code page whatever its declaration says.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tdu::server {

struct request_limits_t {
    std::size_t max_inflated = 16u << 20; // bytes of request document
    std::size_t max_devices = 10000;
    std::size_t max_ids = 1024; // per list of one device
};

// A refused request: the HTTP status and a one-line reason.
struct request_failure_t {
    int status = 400;
    std::string reason;
};

struct request_device_t {
    std::string id_bytes; // the device ID exactly as sent, echoed in the answer
    std::string match_id; // the rest in UTF-8
    std::vector<std::string> hardware_ids;
    std::vector<std::string> compatible_ids;
};

struct update_request_t {
    std::string client_version;
    std::string os_code;
    std::string model;
    unsigned oem_code_page = 437;
    unsigned ansi_code_page = 1252; // the client's, worked out from its OEM page
    std::vector<request_device_t> devices;
};

// Inflates a complete zlib stream (RFC 1950) of at most `limit` bytes.
// Refuses (413) a stream that inflates past the limit, and (400) data that
// is no zlib stream, is cut short or has bytes after its end.
bool inflate_request(std::string_view compressed, std::size_t limit, std::string& out, request_failure_t& failure);

// Which reader read a request document: the plain form the program sends
// is read by a reader of just that form (protocol/plain_xml.h), any other
// document by TinyXML; both give the same request.
enum class request_reader_t { plain, general };

// Reads the request document; 400 with a reason when it is not well-formed
// or not the update request. `used` learns which reader read it;
// `general_only` leaves it to TinyXML (tests compare the two).
bool parse_update_request(std::string_view document, const request_limits_t& limits, update_request_t& request,
                          request_failure_t& failure, request_reader_t* used = nullptr, bool general_only = false);

} // namespace tdu::server
