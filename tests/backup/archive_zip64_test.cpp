// A package file of more than 4 GiB (sparse, so it costs no disk) is stored
// in Zip64 form: minizip and the distribution's unzip read its true size.
// Native only; deflating 4 GiB takes about a minute, so ctest labels it
// "long" (ctest -L long runs it alone, -LE long leaves it out).
#include "backup/backup_archive.h"

#include "backup_fixture.h"
#include "shell_command.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace tdu;
using namespace tdu::test;
namespace fs = std::filesystem;

TEST(ArchiveZip64, AFileOf4GiBIsStoredInZip64Form)
{
    temp_dir_c dir;
    fs::path package = dir.path() / "big_pkg";
    write_file(package / "big.inf", "[Version]\r\n");
    write_file(package / "huge.bin", "");
    const uint64_t size = 0x100000000ull + 4096;  // past 4 GiB
    int fd = ::open((package / "huge.bin").c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, "tail", 4, static_cast<off_t>(size - 4)), 4);  // the rest is a hole
    ::close(fd);

    fs::path archive = dir.path() / "big.zip";
    std::atomic<int32_t> progress{0};
    ASSERT_EQ(write_package_archive(program_path(package), program_path(archive), progress), 0);
    EXPECT_LT(fs::file_size(archive), 16u * 1024 * 1024);

    std::vector<read_entry_t> entries = read_archive(program_path(archive), false);
    ASSERT_EQ(entries.size(), 2u);
    for (const read_entry_t& e : entries) {
        SCOPED_TRACE(e.name);
        bool huge = e.name == "huge.bin";
        EXPECT_EQ(e.local_zip64, huge);
        EXPECT_EQ(e.central_zip64, huge);
        // minizip's reader compares the 32-bit marker with an unsigned long,
        // so on a 64-bit Linux it reports the marker: the field itself holds
        // the size.
        if (huge) {
            EXPECT_EQ(e.zip64_size, size);
        } else {
            EXPECT_EQ(e.size, 11u);
        }
    }

    // The central directory as another reader takes it.
    int status = 0;
    std::string out = run_command("unzip -Z -s " + shell_quoted(archive), status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find(std::to_string(size) + " bx defN"), std::string::npos) << out;
}
