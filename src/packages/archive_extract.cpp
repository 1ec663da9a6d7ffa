#include "packages/archive_extract.h"

#include "common/ansi_text.h"
#include "common/zip_io.h"

#include <minizip/unzip.h>

#include <vector>

namespace tdu {
namespace {

constexpr size_t copy_chunk = 8192;
constexpr size_t max_entry_name = 255;
constexpr uLong utf8_name_flag = 0x800;  // general purpose bit 11

bool only_dots_and_spaces(u16view part)
{
    for (char16_t c : part) {
        if (c != u'.' && c != u' ') return false;
    }
    return true;
}

enum class entry_outcome_t { done, skipped, broken };

// Copies the current entry's data into a new file at `path` and closes the
// entry. A file that exists is left alone.
entry_outcome_t extract_current_file(unzFile zip, const u16& path, const unz_file_info64& info)
{
    output_file_t out;
    output_file_t::open_result_t opened = out.create_new(path);
    if (opened == output_file_t::failed) {
        size_t cut = path.find_last_of(u'\\');
        if (cut != u16view::npos && create_directories(path.substr(0, cut))) opened = out.create_new(path);
    }
    if (opened != output_file_t::opened) {
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
    zip_file_path_t path(archive);
    unzFile zip = unzOpen2_64(path.argument(), path.functions());
    if (zip) return zip;
    // A package saved without its extension may still be found with one.
    u16 with_extension(archive.substr(0, 255));
    with_extension += u".zip";
    zip_file_path_t second(with_extension);
    return unzOpen2_64(second.argument(), second.functions());
}

} // namespace

u16 safe_entry_path(u16view entry_name)
{
    if (entry_name.empty()) return {};
    if (entry_name[0] == u'/' || entry_name[0] == u'\\') return {};
    if (entry_name.find(u':') != u16view::npos) return {};
    u16 out;
    size_t start = 0;
    while (start <= entry_name.size()) {
        size_t end = entry_name.find_first_of(u"/\\", start);
        if (end == u16view::npos) end = entry_name.size();
        u16view part = entry_name.substr(start, end - start);
        if (!part.empty() && part != u".") {
            if (only_dots_and_spaces(part)) return {};
            if (!out.empty()) out.push_back(u'\\');
            out.append(part);
        }
        start = end + 1;
    }
    if (out.empty()) return {};
    u16view last = entry_name.substr(entry_name.size() - 1);
    if (last == u"/" || last == u"\\") out.push_back(u'\\');
    return out;
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

int extract_archive(u16view archive, u16view target_folder)
{
    unzFile zip = open_archive(archive);
    if (!zip) return -1;
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

} // namespace tdu
