#include "http/program_setups.h"

#include "catalogue/package_files.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace tdu::server {

namespace {

constexpr std::string_view setup_prefix = "TavrillDriverUpdater-Setup-";

} // namespace

bool setup_file_name(std::string_view name, program_version_t& version, std::string& arch)
{
    if (name.size() <= setup_prefix.size() + 4 || name.compare(0, setup_prefix.size(), setup_prefix) != 0 ||
        name.compare(name.size() - 4, 4, ".exe") != 0)
        return false;
    std::string_view middle = name.substr(setup_prefix.size(), name.size() - setup_prefix.size() - 4);
    std::string a = "x86";
    if (middle.size() > 4 && middle.compare(middle.size() - 4, 4, "-x64") == 0) {
        middle.remove_suffix(4);
        a = "x64";
    }
    if (!parse_program_version(middle, version)) return false;
    arch = a;
    return true;
}

bool program_setups_t::newest(std::string_view arch, program_setup_t& out, std::string& error)
{
    std::error_code ec;
    fs::directory_iterator it(folder_, ec);
    if (ec) {
        error = "the setup folder " + folder_ + " cannot be read: " + ec.message();
        return false;
    }
    bool found = false;
    program_setup_t best;
    for (const auto& entry : it) {
        std::string name = entry.path().filename().string();
        program_version_t version;
        std::string a;
        if (!entry.is_regular_file(ec) || !setup_file_name(name, version, a) || a != arch) continue;
        if (found && compare_program_versions(version, best.version) <= 0) continue;
        found = true;
        best.name = name;
        best.path = entry.path().string();
        best.version = version;
    }
    if (!found) {
        error = "no " + std::string(arch) + " setup in " + folder_;
        return false;
    }
    uint64_t size = fs::file_size(best.path, ec);
    if (ec) {
        error = "cannot read " + best.path + ": " + ec.message();
        return false;
    }
    auto modified = fs::last_write_time(best.path, ec).time_since_epoch().count();
    if (ec) {
        error = "cannot read " + best.path + ": " + ec.message();
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    digest_t& d = digests_[best.path];
    if (d.sha256.empty() || d.size != size || d.modified != static_cast<int64_t>(modified)) {
        std::string hex;
        if (!sha256_file(best.path, hex, error)) {
            digests_.erase(best.path);
            return false;
        }
        d = digest_t{size, static_cast<int64_t>(modified), hex};
    }
    best.size = d.size;
    best.sha256 = d.sha256;
    out = std::move(best);
    return true;
}

bool program_setups_t::path_of(std::string_view name, std::string& path) const
{
    program_version_t version;
    std::string arch;
    if (folder_.empty() || !setup_file_name(name, version, arch)) return false;
    fs::path p = fs::path(folder_) / std::string(name);
    std::error_code ec;
    if (!fs::is_regular_file(p, ec)) return false;
    path = p.string();
    return true;
}

} // namespace tdu::server
