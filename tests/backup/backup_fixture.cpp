#include "backup_fixture.h"

#include "common/files.h"
#include "common/zip_io.h"
#include "devices/device_scan.h"
#include "devices/fake_setup_api.h"
#include "devices/machine_fixture.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <minizip/unzip.h>

#include <algorithm>
#include <stdexcept>

namespace tdu::test {

namespace {

// Finds the Zip64 extra field (ID 1) in an extra block; `first` gets its
// first value (the uncompressed size when that needed it).
bool has_zip64_field(const char* extra, size_t size, uint64_t* first = nullptr)
{
    auto byte = [&](size_t at) { return static_cast<uint64_t>(static_cast<unsigned char>(extra[at])); };
    for (size_t at = 0; at + 4 <= size;) {
        uint64_t id = byte(at) | byte(at + 1) << 8;
        size_t length = static_cast<size_t>(byte(at + 2) | byte(at + 3) << 8);
        if (id == 1) {
            if (first && length >= 8 && at + 12 <= size) {
                *first = 0;
                for (int i = 7; i >= 0; --i) *first = *first << 8 | byte(at + 4 + static_cast<size_t>(i));
            }
            return true;
        }
        at += 4 + length;
    }
    return false;
}

u16 lower(u16view text)
{
    u16 out(text);
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    }
    return out;
}

} // namespace

std::filesystem::path xp_root()
{
    return data_dir() / "backup" / "xp_root";
}

std::filesystem::path vista_root()
{
    return data_dir() / "backup" / "vista_root";
}

u16 vista_store_root()
{
    return program_path(vista_root()) + u"\\System32\\DriverStore\\FileRepository";
}

u16 fake_store_platform_c::expand_environment(u16view text)
{
    u16 out(text);
    const u16 name = u"%SYSTEMROOT%";
    for (size_t at = out.find(name); at != u16::npos; at = out.find(name, at + root_.size()))
        out.replace(at, name.size(), root_);
    return out;
}

locate_inf_t fake_store_platform_c::load_store_locator()
{
    if (locator_missing) return {};
    return [this](const char16_t* inf_name, const void*, const char16_t*, char16_t* buffer, uint32_t buffer_chars,
                  uint32_t* required_chars) {
        ++locate_calls;
        auto found = store_paths.find(lower(inf_name));
        if (found == store_paths.end()) return false;
        if (required_chars) *required_chars = static_cast<uint32_t>(found->second.size() + 1);
        if (found->second.size() + 1 > buffer_chars) return false;
        copy_field(buffer, buffer_chars, found->second);
        return true;
    };
}

void scan_backup_machine(device_inventory_t& inventory)
{
    fake_setup_api_c api(load_machine(data_dir() / "backup" / "backup_machine.ini"));
    scan_progress_t progress;
    if (!device_scan(inventory, api, progress)) throw std::runtime_error("the backup machine does not scan");
}

device_t& device_starting(device_inventory_t& inventory, const std::string& prefix)
{
    u16 wanted = utf8_to_utf16(prefix);
    for (device_t& d : inventory.devices) {
        if (u16view(d.device_id).substr(0, wanted.size()) == wanted) return d;
    }
    ADD_FAILURE() << "no device " << prefix;
    throw std::runtime_error("no device " + prefix);
}

std::vector<read_entry_t> read_archive(u16view archive, bool with_data)
{
    std::vector<read_entry_t> entries;
    zip_file_path_c path(archive);
    unzFile zip = unzOpen2_64(path.argument(), path.functions());
    if (!zip) {
        ADD_FAILURE() << "cannot open " << utf16_to_utf8(archive);
        return entries;
    }
    for (int at = unzGoToFirstFile(zip); at == UNZ_OK; at = unzGoToNextFile(zip)) {
        unz_file_info64 info;
        char name[1024] = "";
        char extra[1024];
        char comment[256] = "";
        // Asked for the extra field, minizip reads the Zip64 sizes from the
        // wrong place: the sizes come from a second call without it.
        unz_file_info64 with_extra;
        if (unzGetCurrentFileInfo64(zip, &with_extra, name, sizeof name, extra, sizeof extra, comment,
                                    sizeof comment) != UNZ_OK ||
            unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
            ADD_FAILURE() << "unreadable entry";
            break;
        }
        read_entry_t e;
        e.name = name;
        e.dos_date = static_cast<uint32_t>(info.dosDate);
        e.flag = static_cast<uint32_t>(info.flag);
        e.method = static_cast<int>(info.compression_method);
        e.size = info.uncompressed_size;
        e.compressed_size = info.compressed_size;
        e.central_zip64 = has_zip64_field(extra, std::min<size_t>(with_extra.size_file_extra, sizeof extra),
                                          &e.zip64_size);
        e.comment = comment;
        if (unzOpenCurrentFile(zip) != UNZ_OK) {
            ADD_FAILURE() << "cannot open entry " << e.name;
            break;
        }
        char local[1024];
        int local_size = unzGetLocalExtrafield(zip, local, sizeof local);
        e.local_zip64 = local_size > 0 && has_zip64_field(local, static_cast<size_t>(local_size));
        if (with_data) {
            char buffer[65536];
            int n;
            while ((n = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0)
                e.data.append(buffer, static_cast<size_t>(n));
            EXPECT_EQ(n, 0) << "broken data in " << e.name;
        }
        int closed = unzCloseCurrentFile(zip);  // checks the CRC once all was read
        if (with_data) {
            EXPECT_EQ(closed, UNZ_OK) << "CRC of " << e.name;
        }
        entries.push_back(std::move(e));
    }
    unzClose(zip);
    return entries;
}

void write_file_at(const std::filesystem::path& file, const std::string& bytes, int year, int month, int day,
                   int hour, int minute, int second)
{
    std::filesystem::create_directories(file.parent_path());
    std::filesystem::remove(file);
    output_file_c out;
    ASSERT_EQ(out.create_new(program_path(file)), output_file_c::opened);
    ASSERT_TRUE(out.write(bytes.data(), bytes.size()));
    ASSERT_TRUE(out.set_times(local_time_t{year, month, day, hour, minute, second}));
}

} // namespace tdu::test
