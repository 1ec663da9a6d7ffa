#pragma once
// Shared pieces of the backup tests: the store platform over a fixture
// folder tree, the backup machine's inventory, and small path helpers.
#include "backup/store_platform.h"
#include "common/text.h"
#include "devices/device.h"
#include "support/test_support.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tdu::test {

// %SYSTEMROOT% of the tests before and from Windows Vista.
std::filesystem::path xp_root();
std::filesystem::path vista_root();
// The driver store below vista_root() as the program names it.
u16 vista_store_root();

// The store platform of the native tests: %SYSTEMROOT% stands for a folder
// of the fixture tree; the Setup API lookup answers from a table of INF
// names (compared without regard to case) or is missing.
class fake_store_platform_c final : public store_platform_c {
public:
    explicit fake_store_platform_c(std::filesystem::path system_root) : root_(program_path(system_root)) {}

    bool locator_missing = false;
    std::map<u16, u16> store_paths;  // lower-case INF name -> full store path
    int locate_calls = 0;

    u16 expand_environment(u16view text) override;
    locate_inf_t load_store_locator() override;

private:
    u16 root_;
};

// The inventory of tests/data/backup/backup_machine.ini, scanned through
// the fake Setup API.
void scan_backup_machine(device_inventory_t& inventory);

// The device of `inventory` whose ID begins with `prefix`; fails the test
// when there is none.
device_t& device_starting(device_inventory_t& inventory, const std::string& prefix);

// One entry of an archive, as minizip reads it back.
struct read_entry_t {
    std::string name;       // the stored bytes
    std::string data;       // empty unless asked for
    uint32_t dos_date = 0;
    uint32_t flag = 0;      // general purpose bits
    int method = 0;
    uint64_t size = 0;
    uint64_t compressed_size = 0;
    bool local_zip64 = false;    // the local header carries a Zip64 extra field
    bool central_zip64 = false;  // so does the central directory
    uint64_t zip64_size = 0;     // the first value of that field
    std::string comment;
};

// The entries of `archive` in order; with `with_data` their data, which
// also checks their CRC. Fails the test when the archive is unreadable.
std::vector<read_entry_t> read_archive(u16view archive, bool with_data = true);

// Writes a file with the given last-write time, creating its folders.
void write_file_at(const std::filesystem::path& file, const std::string& bytes, int year, int month, int day,
                   int hour, int minute, int second);

} // namespace tdu::test
