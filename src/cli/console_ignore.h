#pragma once
// The console's "ignore" command: the user's ignore list (the same value
// of the settings key the window program's "Ignore this update" writes).
//
//   ignore --list                        one line per ignored offer:
//                                        hardware ID, version, date and
//                                        title, separated by TABs
//   ignore --add HWID VERSION DATE [TITLE]
//   ignore --remove HWID VERSION DATE
//
// Portable: it works on the settings store it is given (the registry of
// the current user in tdu-cli, a memory registry in the tests).
#include "app/settings.h"

#include <string>
#include <vector>

namespace tdu {

struct console_ignore_result_t {
    int status = 0;     // 0 done; 1 not saved, or nothing to remove; 2 wrong arguments
    std::string out;    // for standard output
    std::string error;  // for standard error
};

// Runs the command with `args` (the words after "ignore", UTF-8) on the
// list of `s`, loaded from `store`; a change is saved at once.
console_ignore_result_t console_ignore(settings_store_t& store, app_settings_t& s,
                                       const std::vector<std::string>& args);

} // namespace tdu
