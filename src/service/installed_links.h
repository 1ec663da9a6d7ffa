#pragma once
// "setup.dat" in the program's folder lists the download links of the
// packages whose installation was started on this machine, one per line
// (the installation appends them). An offer with such a link no longer
// counts as an update.
#include "common/text.h"

#include <set>
#include <string>

namespace tdu {

struct update_client_t;

// The full path of "setup.dat": the program's folder joined with the name.
u16 installed_links_path();

// Reads the links of the file at `path` into `links`: each line (read in
// pieces of at most 1,024 characters) trimmed of spaces, TABs, CR and LF at
// both ends; empty lines are skipped. A file that cannot be opened leaves
// `links` unchanged.
void read_installed_links(const char16_t* path, std::set<std::string>& links);

// Refreshes the client's installed_links from "setup.dat".
void load_installed_links(update_client_t& client);

} // namespace tdu
