#pragma once
// Native build only: a program path (backslashes allowed as separators) as
// the POSIX calls take it, in UTF-8 with slashes.
#include "common/text.h"

#include <string>

namespace tdu {

std::string native_path(u16view path);

} // namespace tdu
