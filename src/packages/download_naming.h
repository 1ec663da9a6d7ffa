#pragma once
// Where a download is written: the download folder, the MD5 digest of the
// link's last segment as 32 lowercase hex digits, the link's extension, and
// ".tmp" while the download is incomplete. The same link always maps to the
// same names, so a restarted program finds its earlier downloads.
#include "common/text.h"

#include <string_view>

namespace tdu {

struct download_names_t {
    u16 temp_path;   // <folder>\<digest><extension>.tmp
    u16 final_path;  // <folder>\<digest><extension>
};

// The extension of a link (8-bit text): from the last "." of its last
// segment to the end, cut before the first character a file name cannot
// hold; empty when the last segment has no dot.
std::string link_extension(std::string_view link);

download_names_t download_names(std::string_view link, u16view download_folder);

} // namespace tdu
