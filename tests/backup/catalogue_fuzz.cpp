// Fuzz target: any bytes as "backup.xml", read by the catalogue's loader
// against a small inventory and a backup folder holding three archives. What
// it keeps is printed and read again: the same archives, dates and devices
// must come back.
#include "backup/backup_catalogue.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

namespace fs = std::filesystem;

struct fixture_t {
    fs::path folder;
    tdu::device_inventory_t inventory;

    fixture_t()
    {
        folder = fs::temp_directory_path() / ("tdu-catalogue-fuzz-" + std::to_string(std::rand()));
        fs::create_directories(folder);
        // The third name, legal on this file system but not on Windows, lets
        // a catalogue name an archive with a carriage return.
        for (const char* archive : {"ACME-LAN--Gigabit.zip", "Old-Package.zip", "Odd\r.zip"})
            std::ofstream(folder / archive) << "PK";
        for (const char16_t* id : {u"PCI\\VEN_ACE1&DEV_0001&SUBSYS_00011AC3&REV_01",
                                   u"PCI\\VEN_ACE1&DEV_0002&SUBSYS_00011AC3&REV_01"}) {
            tdu::device_t& d = inventory.devices.emplace_back();
            tdu::copy_field(d.device_id, tdu::device_id_chars, id);
            tdu::copy_field(d.name, tdu::device_name_chars, u"ACME LAN Gigabit");
        }
    }
    ~fixture_t()
    {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

std::string summary(const std::vector<tdu::backup_entry_t>& entries)
{
    std::string s;
    for (const tdu::backup_entry_t& e : entries) {
        s += e.file + " " + e.date + "\n";
        for (const tdu::backup_device_t& d : e.devices) s += tdu::utf16_to_utf8(d.device_id) + "\n";
    }
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static fixture_t fixture;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<tdu::backup_entry_t> entries;
    tdu::u16 folder = fixture.folder.u16string();
    if (!tdu::parse_catalogue(text, folder, fixture.inventory, entries)) return 0;
    if (entries.empty()) return 0;

    std::vector<tdu::backup_entry_t> again;
    if (!tdu::parse_catalogue(tdu::print_catalogue(entries), folder, fixture.inventory, again) ||
        summary(again) != summary(entries))
        std::abort();
    return 0;
}
