#pragma once
// The console's download command: after a scan, the package of every
// result group that is out of date or has a device without a driver is
// downloaded into the download folder, one after the other, through the
// same download sessions as the results rows use.
#include "common/text.h"
#include "packages/download_row.h"

#include <cstdint>
#include <vector>

namespace tdu {

// A package that is complete in the download folder, with its group's row
// input.
struct console_package_t {
    download_row_input_t input;
    u16 package_path;
};

// Downloads the packages as described above, printing the lines below, and
// appends every complete one to `complete`; returns how many are not.
int download_offered_packages(uint32_t tick_ms, std::vector<console_package_t>& complete);

// Prints one line when a download starts and one with its final state,
// size and file. A package already complete in the download folder is not
// fetched again. 0 when every package is complete, 1 otherwise. Expects
// start-up and a finished scan; `tick_ms` is the pause between checks.
int console_download(uint32_t tick_ms);

// Downloads as console_download does, then installs each complete package
// as the results row's install action does (recording its link in
// "setup.dat" and starting the installer its contents call for) and waits
// for each installation worker; prints one line per package. 0 when every
// package was downloaded and its installer started, 1 otherwise.
int console_install(uint32_t tick_ms);

} // namespace tdu
