#pragma once
// Unpacking a zip archive into a folder: used for downloaded driver packages
// and for restoring backup archives.
#include "common/files.h"
#include "common/text.h"

#include <cstdint>
#include <string_view>

namespace tdu {

// Unpacks every entry of `archive` below `target_folder`, which must exist.
// Files are written by full path below the target folder; the process's
// current directory is never changed, so extractions may run side by side
// with each other and with any other file access. Returns 0 when every
// entry was handled, -1 when the archive cannot be opened (also tried with
// ".zip" appended to its name), the target is not a folder, or the archive
// turned out to be broken on the way.
//
// Entries are handled in archive order:
//  - a name that safe_relative_path refuses (rooted, with a drive or
//    stream colon, or with a part that is empty or made only of dots and
//    spaces, such as ".." and what Windows reads as it) is skipped;
//  - a name ending in a separator is a folder, created with its parents;
//  - a file that exists already is left unchanged, never overwritten;
//  - a new file gets its data and then its creation and last-write times
//    from the entry's DOS date and time, read as local time.
// A broken entry (bad data, wrong checksum, a write that fails) stops the
// extraction with -1; the file it had begun is removed again, and files
// written before it stay.
int extract_archive(u16view archive, u16view target_folder);

// Unpacks `archive` as extract_archive does into a folder that holds
// nothing else: `target_folder` is made, or emptied when it exists, so no
// file of an earlier extraction outlives it. An archive that cannot be
// opened leaves the folder as it is. -1 also when the folder cannot be
// emptied (a file held open), when it is a file, when its name is empty or
// only dots and spaces, or when the archive itself lies below it.
int extract_archive_afresh(u16view archive, u16view target_folder);

// The relative path (backslashes) an entry name maps to, or an empty text
// when the entry must be skipped: the rule of safe_relative_path, which the
// installation applies to INF names as well. A trailing separator (a folder
// entry) is kept as a trailing backslash.
u16 safe_entry_path(u16view entry_name);

// An entry's DOS date and time (date in the high 16 bits) as a local time.
local_time_t dos_date_time_to_local(uint32_t dos_date_time);

} // namespace tdu
