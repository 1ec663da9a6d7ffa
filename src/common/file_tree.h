#pragma once
// Walking a folder tree and reading a file's last-write time, by UTF-16
// path on both targets (backslashes as separators, as in files.h).
#include "common/files.h"
#include "common/text.h"

#include <vector>

namespace tdu {

struct folder_entry_t {
    u16 name;
    bool is_folder = false;
};

// The entries directly in `folder` (without "." and ".."), in the order the
// file system lists them. Folders that are links or junctions to elsewhere
// are left out, so that a walk never loops. False when the folder cannot be
// listed.
bool list_folder(u16view folder, std::vector<folder_entry_t>& entries);

// Every file below `folder`, depth first: a sub-folder's files come as soon
// as the sub-folder is met. Names that begin with "." are skipped, and
// folders of such names are not entered. The paths are relative to
// `folder`, with backslashes. A sub-folder that cannot be listed is skipped.
std::vector<u16> list_files_below(u16view folder);

// The file's last-write time on the local clock.
bool file_last_write_time(u16view path, local_time_t& time);

} // namespace tdu
