#pragma once
// The console's clean-up of the driver store (Windows build only): expects
// start-up to have run (program_app_init).
//
//   --list    one line per package of the store: published name, original
//             INF name, provider, class, date, version, size in bytes and
//             the clean-up's verdict ("superseded" lines are the ones
//             --remove takes), then the candidates' total size.
//   --remove  removes the superseded packages (or only those named, by
//             published name), each backed up first unless `back_up` is
//             false; one line per package with its outcome, then the bytes
//             freed.
#include <string>
#include <vector>

namespace tdu {

// 0 after listing; 1 when the devices cannot be scanned or the store is not
// found.
int console_cleanup_list();

// 0 when every package was removed (also when there was none to remove);
// 1 when a named package is not a superseded one (nothing is removed then),
// or a backup or removal failed.
int console_cleanup_remove(bool back_up, const std::vector<std::string>& names);

} // namespace tdu
