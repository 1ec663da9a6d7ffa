#pragma once
// "setup.dat" in the program's folder lists the download links of the
// packages whose installation was started on this machine, one per line.
// The installation appends them (packages/package_install.h); the update
// client reads them, and an offer with such a link no longer counts as an
// update. This file is the only one that knows the file's name and format.
#include "common/text.h"

#include <set>
#include <string>

namespace tdu {

struct update_client_t;

// The full path of "setup.dat" in `program_folder`.
u16 installed_links_path(u16view program_folder);

// Reads the links of the file at `path` into `links`: each line (read in
// pieces of at most 1,024 characters) trimmed of spaces, TABs, CR and LF at
// both ends; empty lines are skipped. A file that cannot be opened leaves
// `links` unchanged.
void read_installed_links(const char16_t* path, std::set<std::string>& links);

// Refreshes the client's installed_links from "setup.dat" in the program's
// folder (environment.program_folder).
void load_installed_links(update_client_t& client);

// Appends "<link>\n" to "setup.dat" in `program_folder`; false when the file
// cannot be opened or written.
bool append_installed_link(u16view program_folder, const std::string& link);

} // namespace tdu
