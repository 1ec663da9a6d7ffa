#include "catalogue/package_store.h"

#include "catalogue/package_files.h"
#include "offers/update_answer.h"

#include <unistd.h>

#include <atomic>
#include <vector>

namespace fs = std::filesystem;

namespace tdu::server {

namespace {

// Where put() writes before a file has its name.
constexpr const char* incoming_folder = ".incoming";

bool is_version_folder(const std::string& name)
{
    if (name.size() != package_version_digits) return false;
    for (char c : name)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

} // namespace

package_store_t::package_store_t(fs::path root) : root_(fs::absolute(std::move(root))) {}

bool package_store_t::put(const fs::path& source, bool is_folder, const std::string& name, stored_package_t& out,
                          std::string& error)
{
    static std::atomic<unsigned> serial{0};
    std::error_code ec;
    fs::path incoming = root_ / incoming_folder;
    fs::create_directories(incoming, ec);
    fs::path temp = incoming / (std::to_string(::getpid()) + "-" + std::to_string(++serial) + ".zip");
    if (is_folder) {
        if (!zip_folder(source, temp, error)) return false;
    } else if (!fs::copy_file(source, temp, fs::copy_options::overwrite_existing, ec)) {
        error = "cannot copy into the package store: " + ec.message();
        fs::remove(temp, ec);
        return false;
    }
    out.size = fs::file_size(temp, ec);
    if (ec || !sha256_file(temp, out.sha256, error)) {
        if (ec) error = ec.message();
        fs::remove(temp, ec);
        return false;
    }
    fs::path folder = root_ / out.sha256.substr(0, package_version_digits);
    out.file = folder / name;
    fs::create_directories(folder, ec);
    // A file of these bytes may be there already (the package went back to
    // earlier content, or a run that was interrupted stored it): it stays.
    if (fs::exists(out.file, ec)) {
        std::string existing;
        std::string ignored;
        if (sha256_file(out.file, existing, ignored) && existing == out.sha256) {
            fs::remove(temp, ec);
            return true;
        }
        error = out.file.string() + " holds other bytes than its name says; left as it is";
        fs::remove(temp, ec);
        return false;
    }
    fs::rename(temp, out.file, ec);
    if (ec) {
        error = "cannot store " + out.file.string() + ": " + ec.message();
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

void package_store_t::sweep(const std::set<std::string>& keep,
                            const std::function<void(const std::string&)>& before_removal)
{
    std::error_code ec;
    std::vector<fs::path> doomed, folders;
    for (fs::directory_iterator it(root_, ec), end; !ec && it != end; it.increment(ec)) {
        std::string folder = it->path().filename().string();
        bool incoming = folder == incoming_folder;
        if (!it->is_directory(ec) || (!incoming && !is_version_folder(folder))) continue;
        folders.push_back(it->path());
        std::error_code inner;
        for (fs::directory_iterator f(it->path(), inner), fend; !inner && f != fend; f.increment(inner))
            if (incoming || !keep.count(f->path().string())) doomed.push_back(f->path());
    }
    for (const auto& file : doomed) {
        if (before_removal) before_removal(file.string());
        fs::remove(file, ec);
    }
    for (const auto& folder : folders)
        if (fs::is_empty(folder, ec)) fs::remove(folder, ec);
}

} // namespace tdu::server
