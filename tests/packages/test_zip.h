#pragma once
// Zip archives made with minizip for the tests: each entry with its exact
// name bytes, data, DOS time, method and Zip64 choice.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tdu::test {

struct zip_entry_t {
    std::string name;            // bytes as stored; a trailing "/" makes a folder entry
    std::string data;
    uint32_t dos_time = 0x3E31B6D0;  // 2011-01-17 22:54:32
    bool deflate = true;
    bool zip64 = false;
    bool utf8_name = false;      // general purpose bit 11
};

// Writes the archive (and its folders); throws when minizip refuses.
void write_zip(const std::filesystem::path& file, const std::vector<zip_entry_t>& entries);

// DOS date and time of a local time (date in the high 16 bits).
uint32_t dos_time(int year, int month, int day, int hour, int minute, int second);

} // namespace tdu::test
