#include "app/startup_switches.h"

namespace tdu {

startup_switch parse_startup_switch(const std::vector<u16>& args)
{
    if (args.size() != 2) return startup_switch::none;
    const u16& arg = args[1];
    if (equals_ignore_case_ascii(arg, u"--autorun")) return startup_switch::autorun;
    if (equals_ignore_case_ascii(arg, u"--boot")) return startup_switch::boot;
    if (equals_ignore_case_ascii(arg, u"--autoscan")) return startup_switch::autoscan;
    return startup_switch::none;
}

u16 take_drivers_switch(std::vector<u16>& args)
{
    if (args.size() < 3 || !equals_ignore_case_ascii(args[1], u"--drivers") || args[2].empty()) return {};
    u16 folder = args[2];
    args.erase(args.begin() + 1, args.begin() + 3);
    return folder;
}

} // namespace tdu
