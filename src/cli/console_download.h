#pragma once
// The console's download and install commands: after a scan, one results
// row (download_row_c, as the results view makes them) for every row of the
// best offers that is out of date or has a device without a driver; each
// row's download is started and its timer ticked until the download has
// settled, one row after the other; the install command then presses each
// complete row's button as a user would.
#include "cli/console_host.h"
#include "packages/download_row.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tdu {

// A row with the console host it reports to.
struct console_row_t {
    std::unique_ptr<console_host_c> host;
    std::unique_ptr<download_row_c> row;
};

// Downloads the packages as described above, printing the lines below, and
// returns the rows whose package is complete in `complete`; returns how
// many are not.
int download_offered_packages(uint32_t tick_ms, install_services_t& services, std::vector<console_row_t>& complete);

// Prints one line when a download starts and one with its final state,
// size and file. A package already complete in the download folder is not
// fetched again when its SHA-256 is the offered one; otherwise it is
// deleted (with a line saying so) and fetched again. 0 when every package is complete, 1 otherwise. Expects
// start-up and a finished scan; `tick_ms` is the pause between checks.
int console_download(uint32_t tick_ms);

// Downloads as console_download does, then installs each complete package
// as its row's button does (recording its link in "setup.dat" and starting
// the installer its contents call for) and waits for each installation
// job; prints one line per package. The first installation is made within
// a system restore point; where none can be made, nothing is installed
// unless `without_restore_point` allows it. Before a package installs over
// a device's installed driver, that driver's store package is backed up
// (recorded as taken before an update); when that fails the package is not
// installed unless `without_backup` (which takes no such backup). 0 when
// every package was downloaded and its installation started, 1 otherwise.
int console_install(uint32_t tick_ms, bool without_restore_point = false, bool without_backup = false);

} // namespace tdu
