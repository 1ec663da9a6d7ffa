#pragma once
// The console's backup and restore commands (Windows build only): the
// backup and restore views' runs driven from the command line, with the
// views' message boxes printed instead of shown. Both expect start-up to
// have run (program_app_init) and COM to be initialised.
#include <string>

namespace tdu {

// Scans the devices, backs up every driver-store package found for them
// (vendor packages first, then inbox ones) into the backup folder and
// prints one line per archive and the catalogue's path. 0 when every
// package was archived and recorded; 1 when there was nothing to back up
// or a package failed.
int console_backup();

// Scans the devices and restores the catalogue entry whose archive file name is `archive_file`
// (as `console_backup` printed it, without folder): unpacks it beside the
// archive and starts the driver package installer on that folder. 0 when
// the installer was started; 1 when the catalogue has no such entry or the
// archive cannot be unpacked.
int console_restore(const std::string& archive_file);

// Scans the devices and rolls the device `device_id` (its "id" in
// "tdu-cli scan --json") back to the driver backed up before the program
// last updated it: restores that archive as console_restore does, within
// the run's restore point as an installation is. 0 when the installer was
// started on it (pnputil: and installed it); 1 when there is no such backup
// (none taken, or its archive missing), its archive cannot be unpacked
// (damaged), no restore point could be made and `without_restore_point`
// does not allow going on without one: nothing is installed then; also 1
// when pnputil did not install it (its code is said).
int console_rollback(const std::string& device_id, bool without_restore_point);

} // namespace tdu
