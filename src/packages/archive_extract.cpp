#include "packages/archive_extract.h"

#include "common/ansi_text.h"
#include "common/safe_path.h"
#include "common/zip_io.h"

#include <minizip/unzip.h>

#include <vector>

namespace tdu {
namespace {

constexpr size_t copy_chunk = 8192;
constexpr size_t max_entry_name = 255;
constexpr uLong utf8_name_flag = 0x800;  // general purpose bit 11

enum class entry_outcome_t { done, skipped, broken };

// Copies the current entry's data into a new file at `path` and closes the
// entry. A file that exists is left alone.
entry_outcome_t extract_current_file(unzFile zip, const u16& path, const unz_file_info64& info)
{
    output_file_c out;
    output_file_c::open_result_t opened = out.create_new(path);
    if (opened == output_file_c::failed) {
        size_t cut = path.find_last_of(u'\\');
        if (cut != u16view::npos && create_directories(path.substr(0, cut))) opened = out.create_new(path);
    }
    if (opened != output_file_c::opened) {
        unzCloseCurrentFile(zip);
        return entry_outcome_t::skipped;
    }

    std::vector<char> buffer(copy_chunk);
    bool ok = true;
    for (;;) {
        int n = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (n == 0) break;
        if (n < 0 || !out.write(buffer.data(), static_cast<size_t>(n))) {
            ok = false;
            break;
        }
    }
    // Closing the entry checks its CRC once all of it has been read.
    if (unzCloseCurrentFile(zip) != UNZ_OK) ok = false;
    if (ok) out.set_times(dos_date_time_to_local(static_cast<uint32_t>(info.dosDate)));
    out.close();
    if (!ok) {
        remove_file(path.c_str());  // it did not exist before this entry began it
        return entry_outcome_t::broken;
    }
    return entry_outcome_t::done;
}

unzFile open_archive(u16view archive)
{
    zip_file_path_c path(archive);
    unzFile zip = unzOpen2_64(path.argument(), path.functions());
    if (zip) return zip;
    // A package saved without its extension may still be found with one.
    u16 with_extension(archive.substr(0, 255));
    with_extension += u".zip";
    zip_file_path_c second(with_extension);
    return unzOpen2_64(second.argument(), second.functions());
}

} // namespace

u16 safe_entry_path(u16view entry_name)
{
    return safe_relative_path(entry_name);
}

local_time_t dos_date_time_to_local(uint32_t dos_date_time)
{
    uint32_t date = dos_date_time >> 16, time = dos_date_time & 0xFFFF;
    local_time_t t;
    t.year = static_cast<int>((date >> 9) & 0x7F) + 1980;
    t.month = static_cast<int>((date >> 5) & 0x0F);
    t.day = static_cast<int>(date & 0x1F);
    t.hour = static_cast<int>((time >> 11) & 0x1F);
    t.minute = static_cast<int>((time >> 5) & 0x3F);
    t.second = static_cast<int>(time & 0x1F) * 2;
    return t;
}

namespace {

// Unpacks the open archive below the existing `target_folder` and closes it.
int extract_opened(unzFile zip, u16view target_folder)
{
    if (!is_directory(target_folder)) {
        unzClose(zip);
        return -1;
    }
    unz_global_info64 global;
    if (unzGetGlobalInfo64(zip, &global) != UNZ_OK) {
        unzClose(zip);
        return -1;
    }

    int result = 0;
    for (ZPOS64_T i = 0; i < global.number_entry; ++i) {
        if (i > 0 && unzGoToNextFile(zip) != UNZ_OK) {
            result = -1;
            break;
        }
        unz_file_info64 info;
        char name[max_entry_name + 1] = {};
        if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
            result = -1;
            break;
        }
        // A name cut to fit would name another file: such an entry is skipped.
        if (info.size_filename > max_entry_name) continue;
        std::string_view raw(name, info.size_filename);
        u16 relative = safe_entry_path((info.flag & utf8_name_flag) ? utf8_to_utf16(raw) : ansi_to_utf16(raw));
        if (relative.empty()) continue;
        u16 path = path_join(target_folder, relative);
        if (relative.back() == u'\\') {
            path.pop_back();
            create_directories(path);
            continue;
        }
        if (unzOpenCurrentFilePassword(zip, nullptr) != UNZ_OK) {
            result = -1;
            break;
        }
        if (extract_current_file(zip, path, info) == entry_outcome_t::broken) {
            result = -1;
            break;
        }
    }
    unzClose(zip);
    return result;
}

u16 with_backslashes(u16view path)
{
    u16 out(path);
    for (char16_t& c : out) {
        if (c == u'/') c = u'\\';
    }
    return out;
}

// A folder the program may empty before unpacking `archive` into it: it
// has a name of its own (a path ending in a separator has none), which is
// not ".", ".." or another name that Windows reads as a folder further up,
// and the archive itself does not lie below it.
bool emptiable_folder(u16view archive, u16view folder)
{
    u16 target = with_backslashes(folder);
    u16 name(path_file_name(target));
    if (name.empty() || safe_relative_path(name) != name) return false;
    u16 package = with_backslashes(archive);
    return !(package.size() > target.size() && package[target.size()] == u'\\' &&
             equals_ignore_case_ascii(u16view(package).substr(0, target.size()), target));
}

} // namespace

int extract_archive(u16view archive, u16view target_folder)
{
    unzFile zip = open_archive(archive);
    if (!zip) return -1;
    return extract_opened(zip, target_folder);
}

int extract_archive_afresh(u16view archive, u16view target_folder)
{
    unzFile zip = open_archive(archive);
    if (!zip) return -1;
    if (!emptiable_folder(archive, target_folder) || !remove_folder_tree(target_folder) ||
        !create_directories(target_folder)) {
        unzClose(zip);
        return -1;
    }
    return extract_opened(zip, target_folder);
}

} // namespace tdu
