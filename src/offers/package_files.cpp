#include "offers/package_files.h"

#include "offers/inf_file.h"

#include "offers/package_zip.h"

#include <algorithm>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace tdu::offers {

namespace {

bool ends_with_inf(const std::string& path)
{
    return path.size() > 4 && ascii_upper(path.substr(path.size() - 4)) == ".INF";
}

void add_entry(package_contents_t& out, std::string path, std::uint64_t size)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    out.entries.push_back({std::move(path), size});
}

} // namespace

bool is_safe_entry_path(const std::string& path)
{
    if (path.empty() || path[0] == '/' || path[0] == '\\') return false;
    if (path.size() >= 2 && path[1] == ':') return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("/\\", start);
        if (end == std::string::npos) end = path.size();
        if (path.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

bool read_zip_package(const fs::path& zip, package_contents_t& out, std::string& error)
{
    out = package_contents_t{};
    std::unique_ptr<void, int (*)(unzFile)> z(open_package_unzip(zip), unzClose);
    if (!z) {
        error = "not a zip archive";
        return false;
    }
    int rc = unzGoToFirstFile(z.get());
    while (rc == UNZ_OK) {
        // The name is read into a buffer of its own recorded length: minizip
        // writes no terminating zero into a buffer it fills.
        unz_file_info64 info;
        std::string path;
        bool listed = unzGetCurrentFileInfo64(z.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK;
        if (listed) {
            path.assign(info.size_filename, '\0');
            listed = unzGetCurrentFileInfo64(z.get(), &info, path.data(), static_cast<uLong>(path.size()), nullptr, 0,
                                             nullptr, 0) == UNZ_OK;
        }
        if (!listed) {
            error = "unreadable entry in the zip directory";
            return false;
        }
        if (path.empty() || path.find('\0') != std::string::npos) {
            error = "an entry without a name, or with a zero byte in it";
            return false;
        }
        if (!is_safe_entry_path(path)) {
            error = "entry '" + path + "' would be unpacked outside the package folder";
            return false;
        }
        if (out.entries.size() >= max_package_entries) {
            error = "more than " + std::to_string(max_package_entries) + " entries";
            return false;
        }
        bool is_folder = path.back() == '/' || path.back() == '\\';
        if (!is_folder) add_entry(out, path, info.uncompressed_size);
        if (!is_folder && ends_with_inf(path)) {
            const std::string& stored = out.entries.back().path;
            if (info.uncompressed_size > max_inf_bytes) {
                out.problems.push_back(stored + ": INF larger than " + std::to_string(max_inf_bytes) + " bytes");
            } else if (unzOpenCurrentFile(z.get()) != UNZ_OK) {
                out.problems.push_back(stored + ": cannot open the entry");
            } else {
                std::string bytes;
                char buf[16384];
                int n = 0;
                while ((n = unzReadCurrentFile(z.get(), buf, sizeof buf)) > 0) {
                    bytes.append(buf, static_cast<size_t>(n));
                    if (bytes.size() > max_inf_bytes) break;
                }
                int closed = unzCloseCurrentFile(z.get());
                if (n < 0 || closed != UNZ_OK || bytes.size() != info.uncompressed_size)
                    out.problems.push_back(stored + ": damaged entry (data or checksum)");
                else
                    out.infs.push_back({stored, std::move(bytes)});
            }
        }
        rc = unzGoToNextFile(z.get());
    }
    if (rc != UNZ_END_OF_LIST_OF_FILE) {
        error = "damaged zip directory";
        return false;
    }
    return true;
}

bool read_folder_package(const fs::path& folder, package_contents_t& out, std::string& error)
{
    out = package_contents_t{};
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::none, ec), end;
    if (ec) {
        error = "cannot list the folder: " + ec.message();
        return false;
    }
    for (; it != end; it.increment(ec)) {
        if (ec) {
            error = "cannot list the folder: " + ec.message();
            return false;
        }
        // Only regular files count; links are not followed out of the package.
        if (it->is_symlink() || !it->is_regular_file()) continue;
        if (out.entries.size() >= max_package_entries) {
            error = "more than " + std::to_string(max_package_entries) + " files";
            return false;
        }
        std::string rel = it->path().lexically_relative(folder).generic_string();
        auto size = it->file_size(ec);
        add_entry(out, rel, size);
        if (!ends_with_inf(rel)) continue;
        if (size > max_inf_bytes) {
            out.problems.push_back(rel + ": INF larger than " + std::to_string(max_inf_bytes) + " bytes");
            continue;
        }
        std::ifstream in(it->path(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            out.problems.push_back(rel + ": cannot read the file");
            continue;
        }
        out.infs.push_back({rel, std::move(bytes)});
    }
    std::sort(out.entries.begin(), out.entries.end(),
              [](const package_entry_t& a, const package_entry_t& b) { return a.path < b.path; });
    std::sort(out.infs.begin(), out.infs.end(),
              [](const package_inf_t& a, const package_inf_t& b) { return a.path < b.path; });
    return true;
}

bool zip_folder(const fs::path& folder, const fs::path& zip, std::string& error)
{
    package_contents_t listing;
    if (!read_folder_package(folder, listing, error)) return false;
    fs::path temp = zip;
    temp += ".part";
    zipFile z = create_package_zip(temp);
    if (!z) {
        error = "cannot create " + temp.string();
        return false;
    }
    bool ok = true;
    for (const auto& entry : listing.entries) {
        zip_fileinfo info{};
        info.tmz_date.tm_year = 2000; // fixed, so the archive's bytes depend on the files only
        info.tmz_date.tm_mday = 1;
        std::ifstream in(folder / entry.path, std::ios::binary);
        if (!in || zipOpenNewFileInZip64(z, entry.path.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                         Z_DEFLATED, Z_DEFAULT_COMPRESSION,
                                         entry.size >= 0xffffffffu ? 1 : 0) != ZIP_OK) {
            error = "cannot add " + entry.path;
            ok = false;
            break;
        }
        char buf[65536];
        while (in) {
            in.read(buf, sizeof buf);
            auto n = static_cast<unsigned>(in.gcount());
            if (n && zipWriteInFileInZip(z, buf, n) != ZIP_OK) {
                ok = false;
                break;
            }
        }
        if (zipCloseFileInZip(z) != ZIP_OK || !ok) {
            error = "cannot write " + entry.path;
            ok = false;
            break;
        }
    }
    if (zipClose(z, nullptr) != ZIP_OK && ok) {
        error = "cannot finish " + temp.string();
        ok = false;
    }
    std::error_code ec;
    if (ok) fs::rename(temp, zip, ec);
    if (ok && ec) {
        error = "cannot rename to " + zip.string() + ": " + ec.message();
        ok = false;
    }
    if (!ok) fs::remove(temp, ec);
    return ok;
}

} // namespace tdu::offers
