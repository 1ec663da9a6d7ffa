#pragma once
// The command line: the program knows three switches and honours one only
// when it is the single argument.
#include "common/text.h"

#include <vector>

namespace tdu {

enum class startup_switch {
    none,
    autorun,   // "--autorun": scan at once (the weekly task starts the program so)
    boot,      // "--boot": start hidden in the tray (the Run entry at logon)
    autoscan,  // "--autoscan": the main window starts a scan while it is created
};

// `args` as CommandLineToArgvW splits the command line: the program first,
// then its arguments. A switch counts only when there is exactly one argument
// and it equals the switch, compared without regard to case; anything else
// is none.
startup_switch parse_startup_switch(const std::vector<u16>& args);

// "--drivers FOLDER" as the first two arguments (before any switch above):
// the folder, with the two taken out of `args`; empty, and `args` as they
// were, without it.
u16 take_drivers_switch(std::vector<u16>& args);

} // namespace tdu
