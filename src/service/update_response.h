#pragma once
// The update service's answer: per device, the drivers it offers.
//
//   <any root>
//     <hardwares>                  the first child of the root with this name
//       <hardware>                 one per device
//         <id>device ID</id>       the first "id" names the device
//         <item>                   one per offer, in order, at most 500 kept
//           <hardid> <title> <ver> <size> <guid> <link> <infpath>
//           <official_link> <cp> <manu> <sign> <feature> <targetos>
//           <date> <desc> <sha256> each optional, in any order
//
// Texts are 8-bit in the thread's ANSI code page; "link" and
// "official_link" are kept byte for byte; numbers are unsigned decimal,
// "feature" hexadecimal; "sha256" is the package's digest, 64 hexadecimal
// digits (an offer with any other non-empty text there is refused).
#include "devices/device.h"
#include "devices/driver_offer.h"

#include <cstdint>
#include <string_view>

class TiXmlElement;

namespace tdu {

// Reads the answer (all of `body`) into the devices it names. False, with
// no device touched, when it is not well-formed XML (cut short, malformed,
// or holding a zero byte), when it is nested too deeply to be parsed
// safely, or when it has no root, no "hardwares" or no first "hardware";
// the caller reports these with last-error code 21. False with
// last-error code 21 set here when a "hardware" has no "id" text; devices
// handled before that keep their offers.
bool parse_update_response(std::string_view body, device_inventory_t& inventory);

// Replaces the device's offers with the "item" children of `hardware`
// (at most 500) and returns how many were read; with no items the old
// offers stay and 0 is returned.
int32_t parse_offer_items(const TiXmlElement& hardware, device_t& device);

// Fills one offer from an "item" element; missing fields stay zero or empty.
void parse_offer(const TiXmlElement& item, driver_offer_t& offer);

// strtoul with a 32-bit unsigned long, the same on every build: leading
// blanks skipped, an optional sign (a minus negates modulo 2^32), for base 16
// an optional "0x", digits up to the first other character; no digits give
// 0 and a value past 32 bits gives 0xFFFFFFFF.
uint32_t read_unsigned(const char* text, int base);

} // namespace tdu
