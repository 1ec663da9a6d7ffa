#include "backup/backup_archive.h"

#include "common/ansi_text.h"
#include "common/file_tree.h"
#include "common/zip_io.h"

#include <minizip/zip.h>
#include <zlib.h>

#include <cstdio>
#include <vector>

namespace tdu {
namespace {

constexpr size_t copy_block = 16384;
constexpr uLong utf8_name_flag = 0x800;  // general purpose bit 11
// deflate's largest hash table (zlib's default is 8): on driver binaries,
// where long stretches do not compress, fewer hash collisions made the
// compression about a sixth faster for the same level and the same size,
// at 256 KB more memory while an entry is written.
constexpr int deflate_mem_level = 9;

bool is_space(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

bool is_replaced(char16_t c)
{
    return c < 0x20 || u16view(u" \\/:*?<>|\"").find(c) != u16view::npos;
}

// Stores the file at `path` as entry `name`; false when the file cannot be
// read or the entry cannot be written.
bool add_file(zipFile zip, const u16& path, u16view name)
{
    std::FILE* file = open_file(path.c_str(), "rb");
    if (!file) return false;

    zip_fileinfo info{};
    local_time_t modified;
    if (file_last_write_time(path, modified)) info.dosDate = dos_date_time(modified);
    uint64_t size = 0;
    file_size(path, size);
    int zip64 = entry_needs_zip64(size) ? 1 : 0;

    // Names are ANSI text; one that the code page cannot hold is stored in
    // UTF-8 and marked so, rather than with "?" in place of its characters.
    std::string ansi = utf16_to_ansi(name);
    int opened;
    if (ansi_to_utf16(ansi) == name) {
        opened = zipOpenNewFileInZip3_64(zip, ansi.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                         Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, deflate_mem_level,
                                         Z_DEFAULT_STRATEGY, nullptr, 0, zip64);
    } else {
        opened = zipOpenNewFileInZip4_64(zip, utf16_to_utf8(name).c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                         Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, deflate_mem_level,
                                         Z_DEFAULT_STRATEGY, nullptr, 0, 0, utf8_name_flag, zip64);
    }
    if (opened != ZIP_OK) {
        std::fclose(file);
        return false;
    }

    std::vector<char> buffer(copy_block);
    bool ok = true;
    for (;;) {
        size_t n = std::fread(buffer.data(), 1, buffer.size(), file);
        if (n > 0 && zipWriteInFileInZip(zip, buffer.data(), static_cast<unsigned>(n)) != ZIP_OK) ok = false;
        if (!ok || n < buffer.size()) break;
    }
    if (std::ferror(file)) ok = false;
    std::fclose(file);
    if (zipCloseFileInZip(zip) != ZIP_OK) ok = false;
    return ok;
}

// The entry name of a file's path relative to the package folder: the zip
// format separates folders with "/", and other tools warn about or
// mis-extract names with backslashes.
u16 entry_name(u16view relative_path)
{
    u16 name(relative_path);
    for (char16_t& c : name) {
        if (c == u'\\') c = u'/';
    }
    return name;
}

} // namespace

u16 archive_title(u16view driver_desc)
{
    while (!driver_desc.empty() && is_space(driver_desc.front())) driver_desc.remove_prefix(1);
    while (!driver_desc.empty() && is_space(driver_desc.back())) driver_desc.remove_suffix(1);
    u16 title = ansi_to_utf16(utf16_to_ansi(driver_desc));
    for (char16_t& c : title) {
        if (is_replaced(c)) c = u'-';
    }
    return title;
}

u16 archive_path_for(u16view backup_folder, const driver_package_t& package)
{
    u16view desc = package.devices.empty() ? u16view() : u16view(package.devices.front()->driver_desc);
    return path_join(backup_folder, archive_title(desc) + u".zip");
}

bool entry_needs_zip64(uint64_t file_size)
{
    return file_size >= 0xFFFFFFFFull;
}

uint32_t dos_date_time(const local_time_t& t)
{
    if (t.year < 1980) return (1u << 5 | 1u) << 16;  // 1980-01-01 00:00:00
    if (t.year > 2107) return ((127u << 9 | 12u << 5 | 31u) << 16) | (23u << 11 | 59u << 5 | 29u);
    uint32_t date = static_cast<uint32_t>((t.year - 1980) << 9 | t.month << 5 | t.day);
    uint32_t time = static_cast<uint32_t>(t.hour << 11 | t.minute << 5 | t.second / 2);
    return date << 16 | time;
}

int write_package_archive(u16view package_folder, u16view archive_path, std::atomic<int32_t>& progress)
{
    // The folder was found by the INF inside it: without files it is gone
    // or cannot be read, and an empty archive would restore nothing.
    std::vector<u16> files = list_files_below(package_folder);
    if (files.empty()) return -1;

    u16 partial = u16(archive_path) + u".partial";
    zip_file_path_c path(partial);
    zipFile zip = zipOpen2_64(path.argument(), APPEND_STATUS_CREATE, nullptr, path.functions());
    if (!zip) return -1;

    int32_t base = progress.load();
    bool ok = true;
    for (size_t i = 0; i < files.size() && ok; ++i) {
        ok = add_file(zip, path_join(package_folder, files[i]), entry_name(files[i]));
        progress.store(base + static_cast<int32_t>((i + 1) * 100 / files.size()));
    }
    if (zipClose(zip, nullptr) != ZIP_OK) ok = false;
    if (!ok || !move_file(partial, archive_path)) {
        remove_file(partial.c_str());
        return -1;
    }
    progress.store(base + 100);
    return 0;
}

} // namespace tdu
