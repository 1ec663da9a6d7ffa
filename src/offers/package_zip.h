#pragma once
// Opening a package's zip archive by its path: minizip's stdio functions on
// the native build, its wide-character Win32 ones on Windows (so that paths
// outside the ANSI code page open too).
#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <filesystem>

namespace tdu::offers {

// Null when the archive cannot be opened.
unzFile open_package_unzip(const std::filesystem::path& zip);
// A new archive at `zip` (replacing any file there); null on failure.
zipFile create_package_zip(const std::filesystem::path& zip);

} // namespace tdu::offers
