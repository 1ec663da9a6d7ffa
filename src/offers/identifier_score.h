#pragma once
// The identifier score Windows gives a driver for a device: the low word of
// a driver rank 0xSSGGTHHH, lower is better.
//
//   device hardware ID   = INF hardware ID     0x0000 + d
//   device hardware ID   = INF compatible ID   0x1000 + d
//   device compatible ID = INF hardware ID     0x2000 + d
//   device compatible ID = INF compatible ID   0x3000 + 0x100 * c + d
//
// d is the position of the matching ID in the device's hardware or
// compatible ID list (0 for the first), c the position of the matching ID
// among the compatible IDs of the INF's model line (0 for the first). A
// model matched through several IDs takes its lowest score. Positions past
// what the field holds count as the last one (d up to 0xFFF, and up to 0xFF
// with c up to 0xF in the last form).
#include <cstddef>

namespace tdu::offers {

// `device_hardware`: the device's ID comes from its hardware ID list;
// `inf_position`: 0 for the model line's hardware ID, 1.. for its
// compatible IDs.
unsigned identifier_score(bool device_hardware, std::size_t device_position, std::size_t inf_position);

} // namespace tdu::offers

// The update service names these as its own.
namespace tdu::server {
using namespace tdu::offers;
}
