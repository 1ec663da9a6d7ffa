#pragma once
// The console's download command: after a scan, the package of every
// result group that is out of date or has a device without a driver is
// downloaded into the download folder, one after the other, through the
// same download sessions as the results rows use.
#include <cstdint>

namespace tdu {

// Prints one line when a download starts and one with its final state,
// size and file. A package already complete in the download folder is not
// fetched again. 0 when every package is complete, 1 otherwise. Expects
// start-up and a finished scan; `tick_ms` is the pause between checks.
int console_download(uint32_t tick_ms);

} // namespace tdu
