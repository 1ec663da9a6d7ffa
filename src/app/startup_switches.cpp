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

} // namespace tdu
