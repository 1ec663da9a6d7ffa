#include "offers/identifier_score.h"

#include <algorithm>

namespace tdu::offers {

unsigned identifier_score(bool device_hardware, std::size_t device_position, std::size_t inf_position)
{
    auto d = static_cast<unsigned>(std::min<std::size_t>(device_position, 0xFFF));
    bool inf_hardware = inf_position == 0;
    if (device_hardware) return (inf_hardware ? 0x0000u : 0x1000u) + d;
    if (inf_hardware) return 0x2000u + d;
    auto c = static_cast<unsigned>(std::min<std::size_t>(inf_position - 1, 0xF));
    return 0x3000u + 0x100u * c + std::min(d, 0xFFu);
}

} // namespace tdu::offers
