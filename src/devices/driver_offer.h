#pragma once
// One driver the update service offers for a device. A fixed-size record, so
// that the offers of a device form one array that the device owns. Texts are
// zero-terminated and cut at their capacity minus one; a capacity counts
// UTF-16 code units (or bytes for the 8-bit links) including the zero.
#include <cstddef>
#include <cstdint>

namespace tdu {

constexpr size_t offer_hardid_chars = 200;
constexpr size_t offer_title_chars = 257;
constexpr size_t offer_version_chars = 65;
constexpr size_t offer_guid_chars = 39;
constexpr size_t offer_link_bytes = 3073;
constexpr size_t offer_official_link_bytes = 1025;
constexpr size_t offer_inf_name_chars = 260;
constexpr size_t offer_manufacturer_chars = 129;
constexpr size_t offer_date_chars = 11;
constexpr size_t offer_description_chars = 1025;
constexpr size_t offer_sha256_bytes = 65;

// The most offers one device keeps.
constexpr int32_t max_offers_per_device = 500;

struct driver_offer_t {
    char16_t hardid[offer_hardid_chars] = {};          // the device ID the driver was matched with
    char16_t title[offer_title_chars] = {};            // display name of the driver
    char16_t version[offer_version_chars] = {};        // four numbers separated by single characters
    char16_t guid[offer_guid_chars] = {};              // braced GUID text, stored, not interpreted
    char link[offer_link_bytes] = {};                  // download address, byte for byte as received
    char official_link[offer_official_link_bytes] = {};  // the manufacturer's page, as received
    char16_t inf_name[offer_inf_name_chars] = {};      // INF path inside the package, first folder dropped
    char16_t manufacturer[offer_manufacturer_chars] = {};
    char16_t date[offer_date_chars] = {};              // year-month-day, two-digit month and day
    char16_t description[offer_description_chars] = {};
    char sha256[offer_sha256_bytes] = {};  // the package's SHA-256, 64 lowercase hex digits; empty when not given
    // A digest was given but is no SHA-256 (63 digits, say): the package
    // could not be checked, so the offer is refused, never chosen.
    bool digest_malformed = false;
    uint32_t size = 0;      // package size in bytes
    uint32_t cp = 0;        // ranking key, lower is preferred
    uint32_t sign = 0;      // signature class, 0 is WHQL-signed, lower is preferred
    uint32_t feature = 0;   // feature score (bits 16-23 of a setup rank), lower is preferred
    uint32_t targetos = 0;  // operating system code, major x 10 + minor
};

} // namespace tdu
