#pragma once
// What the clean-up reads from a driver package's INF file: the [Version]
// section's provider, class, class GUID and DriverVer, and the hardware IDs
// its models sections name. %token% values are taken from [Strings].
//
// The file may be UTF-16 (little-endian, with its byte-order mark), UTF-8
// with a byte-order mark, or 8-bit text in the thread's ANSI code page.
#include "common/text.h"

#include <string_view>
#include <vector>

namespace tdu {

struct store_inf_t {
    u16 provider;      // empty when the INF names none
    u16 class_name;    // "Net", "System", ...
    u16 class_guid;    // braced, as written
    u16 driver_date;   // "2012-03-14", as the device records hold dates; empty when unreadable
    u16 driver_version;  // "2.1.0.7"
    std::vector<u16> hardware_ids;  // every ID of every models line, in file order, without repeats
};

// The fields of an INF's text (already decoded).
store_inf_t parse_store_inf(u16view text);

// The bytes of an INF file decoded as described above.
u16 decode_inf_bytes(std::string_view bytes);

// Reads and parses the INF at `path`; false when it cannot be read.
bool read_store_inf(u16view path, store_inf_t& inf);

// "mm/dd/yyyy" (single-digit parts allowed) as "yyyy-mm-dd"; empty when it
// is not such a date.
u16 inf_date_to_iso(u16view date);

} // namespace tdu
