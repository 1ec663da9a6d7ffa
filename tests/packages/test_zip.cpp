#include "test_zip.h"

#include "common/text.h"
#include "common/zip_io.h"

#include <minizip/zip.h>
#include <zlib.h>

#include <stdexcept>

namespace tdu::test {

uint32_t dos_time(int year, int month, int day, int hour, int minute, int second)
{
    uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
    uint32_t time = static_cast<uint32_t>((hour << 11) | (minute << 5) | (second / 2));
    return (date << 16) | time;
}

void write_zip(const std::filesystem::path& file, const std::vector<zip_entry_t>& entries)
{
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path());
    zip_file_path_c path(utf8_to_utf16(file.u8string()));
    zipFile zip = zipOpen2_64(path.argument(), APPEND_STATUS_CREATE, nullptr, path.functions());
    if (!zip) throw std::runtime_error("cannot create " + file.string());
    for (const auto& e : entries) {
        zip_fileinfo info{};
        info.dosDate = e.dos_time;
        int rc = zipOpenNewFileInZip4_64(zip, e.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                         e.deflate ? Z_DEFLATED : 0, e.deflate ? Z_DEFAULT_COMPRESSION : 0, 0,
                                         -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, 0,
                                         e.utf8_name ? 0x800 : 0, e.zip64 ? 1 : 0);
        if (rc != ZIP_OK) throw std::runtime_error("cannot add " + e.name);
        if (!e.data.empty() &&
            zipWriteInFileInZip(zip, e.data.data(), static_cast<unsigned>(e.data.size())) != ZIP_OK)
            throw std::runtime_error("cannot write " + e.name);
        zipCloseFileInZip(zip);
    }
    if (zipClose(zip, nullptr) != ZIP_OK) throw std::runtime_error("cannot close " + file.string());
}

} // namespace tdu::test
