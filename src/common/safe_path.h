#pragma once
// The one rule for relative paths that come from outside (archive entry
// names, INF names of the update service's answer) and are joined to a
// folder of the program: such a path must name something below that folder.
#include "common/text.h"

namespace tdu {

// `name` with backslashes as separators, or an empty text when it is
// refused. Refused: an empty name, a leading separator (a rooted path), a
// colon anywhere (a drive, "C:x", or a stream, "x:y"), and any part that is
// empty ("a//b") or made only of dots and spaces (".", "..", and what
// Windows reads as "..": "... ", ". ."). A single trailing separator is
// kept as a trailing backslash (a folder).
u16 safe_relative_path(u16view name);

} // namespace tdu
