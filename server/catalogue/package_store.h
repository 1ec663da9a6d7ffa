#pragma once
// The folder the service serves package files from. A file is stored under
// the first 16 hexadecimal digits of its SHA-256 and its package's name
// ("<digits>/<name>"), the same as its download link, and is never written
// again once it is there: new content of a package is a new file beside the
// old one. The indexer writes new files first, commits the catalogue that
// offers them, and only then removes the files no catalogue row names any
// more, so a link once offered never gives other bytes than its offer's.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

namespace tdu::server {

struct stored_package_t {
    std::filesystem::path file; // <store>/<digits>/<name>
    std::string sha256;
    std::uint64_t size = 0;
};

class package_store_t {
public:
    explicit package_store_t(std::filesystem::path root);

    const std::filesystem::path& root() const { return root_; }

    // Copies a zip archive, or zips a folder, into the store as the package
    // `name`. The digest and size are those of the stored bytes, which no
    // one else writes. False with a reason.
    bool put(const std::filesystem::path& source, bool is_folder, const std::string& name, stored_package_t& out,
             std::string& error);

    // Removes every stored file whose path is not in `keep`, and what an
    // interrupted put() left behind. `before_removal` is called before each
    // file goes.
    void sweep(const std::set<std::string>& keep,
               const std::function<void(const std::string&)>& before_removal = {});

private:
    std::filesystem::path root_;
};

} // namespace tdu::server
