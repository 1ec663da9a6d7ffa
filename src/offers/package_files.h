#pragma once
// Reading driver packages: a zip archive or a plain folder, listed entry by
// entry, with the text of every INF file read in full. A folder is turned
// into a zip archive for download, written the same way every time so an
// unchanged folder gives the same bytes and digest.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tdu::offers {

struct package_entry_t {
    std::string path; // inside the package, '/' between folders
    std::uint64_t size = 0;
};

struct package_inf_t {
    std::string path;
    std::string bytes;
};

struct package_contents_t {
    std::vector<package_entry_t> entries;
    std::vector<package_inf_t> infs;
    std::vector<std::string> problems; // INF files left out, with the reason
};

// Largest INF file read; bigger ones are left out as broken or hostile.
constexpr std::uint64_t max_inf_bytes = 16u << 20;
// Most entries a package may hold.
constexpr std::size_t max_package_entries = 100000;

// False with a reason when the package cannot be read or holds an entry
// whose name would leave the folder it is unpacked into (absolute, a drive,
// or a ".." step): such a package is refused as a whole.
bool read_zip_package(const std::filesystem::path& zip, package_contents_t& out, std::string& error);
bool read_folder_package(const std::filesystem::path& folder, package_contents_t& out, std::string& error);

// Writes the files below `folder` (sorted by path, fixed time stamps) into
// the zip archive `zip`, through a temporary file renamed at the end.
bool zip_folder(const std::filesystem::path& folder, const std::filesystem::path& zip, std::string& error);

// True when a package path is safe to unpack (relative, no "..", no drive).
bool is_safe_entry_path(const std::string& path);

} // namespace tdu::offers

// The update service names these as its own.
namespace tdu::server {
using namespace tdu::offers;
}
