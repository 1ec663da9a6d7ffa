#pragma once
// The zip archive of one driver package: one deflated entry per file below
// the package's store folder, named by its path relative to that folder
// (with forward slashes, as the zip format has them; 8-bit text in the
// thread's ANSI code page), with the file's last-write time as a DOS date
// and time in local time. Restoring reads archives of either separator,
// so those written with backslashes before still restore.
#include "backup/driver_store.h"
#include "common/files.h"
#include "common/text.h"

#include <atomic>
#include <cstdint>

namespace tdu {

// The archive title of a driver description: white space trimmed from both
// ends, then each of  \ / : * ? < > | " and every control character
// replaced by "-". Characters the ANSI code page cannot hold are replaced
// too, so the catalogue (8-bit text) names the archive exactly.
u16 archive_title(u16view driver_desc);

// The archive of a package in `backup_folder`: the title of its first
// device's driver description followed by ".zip".
u16 archive_path_for(u16view backup_folder, const driver_package_t& package);

// Writes the archive of the files below `package_folder` to `archive_path`
// and adds 100 to `progress` in steps: after file i of n it stands at
// base + (i + 1) x 100 / n, at the end at base + 100. The archive is built
// under a temporary name beside it and replaces an older archive only when
// complete. Returns 0, or -1 when the archive cannot be created, the folder
// holds no file, or a file cannot be read or stored (an older archive of
// that name then stays).
int write_package_archive(u16view package_folder, u16view archive_path, std::atomic<int32_t>& progress);

// Files of 2^32 - 1 bytes and more are stored in Zip64 form.
bool entry_needs_zip64(uint64_t file_size);

// A local time as a DOS date and time (date in the high 16 bits); times
// outside 1980 to 2107 are held to those years' ends.
uint32_t dos_date_time(const local_time_t& time);

} // namespace tdu
