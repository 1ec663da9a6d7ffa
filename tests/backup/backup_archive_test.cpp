// Package archives: the title rules, the entries minizip writes (names,
// data, DOS times, method, Zip64 choice) and the progress counter, read back
// with minizip and unpacked with the program's own extraction.
#include "backup/backup_archive.h"

#include "backup_fixture.h"
#include "common/ansi_text.h"
#include "packages/archive_extract.h"
#include "support/test_support.h"
#include "test_zip.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tdu;
using namespace tdu::test;
namespace fs = std::filesystem;

TEST(ArchiveTitle, TrimsAndReplacesWhatAFileNameCannotHold)
{
    struct row {
        const char16_t* desc;
        const char16_t* title;
    };
    const row rows[] = {
        {u"ACME LAN: Gigabit ", u"ACME-LAN--Gigabit"},
        {u"\t  Vendor HD Audio\r\n", u"Vendor-HD-Audio"},
        {u"a\\b/c:d*e?f<g>h|i", u"a-b-c-d-e-f-g-h-i"},
        {u"15\" Panel", u"15--Panel"},            // a quote cannot be in a Windows file name
        {u"Tab\tinside", u"Tab-inside"},
        {u"Caf\u00e9 Audio\u2122", u"Caf\u00e9-Audio\u2122"},  // both in the ANSI code page
        {u"\u0416 Camera", u"--Camera"},                     // not in it: no "?" reaches the name
        {u"   ", u""},
        {u"", u""},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(utf16_to_utf8(r.desc));
        EXPECT_EQ(archive_title(r.desc), r.title);
    }

    driver_package_t package;
    device_t first, second;
    copy_field(first.driver_desc, device_driver_desc_chars, u"ACME LAN: Gigabit ");
    copy_field(second.driver_desc, device_driver_desc_chars, u"Other");
    package.devices = {&first, &second};
    EXPECT_EQ(archive_path_for(u"D:\\Backups", package), u"D:\\Backups\\ACME-LAN--Gigabit.zip");
    EXPECT_EQ(archive_path_for(u"D:\\Backups\\", package), u"D:\\Backups\\ACME-LAN--Gigabit.zip");
}

TEST(ArchiveFormat, DosTimesAndTheZip64Threshold)
{
    struct row {
        int year, month, day, hour, minute, second;
        uint32_t dos;
    };
    const row rows[] = {
        {2011, 1, 17, 22, 54, 33, 0x3E31B6D0},  // odd seconds round down
        {1980, 1, 1, 0, 0, 0, 0x00210000},
        {1979, 12, 31, 23, 59, 59, 0x00210000},  // before DOS time: its first day
        {1601, 1, 1, 0, 0, 0, 0x00210000},
        {2107, 12, 31, 23, 59, 58, 0xFF9FBF7D},
        {2200, 6, 1, 12, 0, 0, 0xFF9FBF7D},      // after it: its last second
    };
    for (const row& r : rows) {
        local_time_t t{r.year, r.month, r.day, r.hour, r.minute, r.second};
        EXPECT_EQ(dos_date_time(t), r.dos) << r.year << "-" << r.month << "-" << r.day;
    }

    EXPECT_FALSE(entry_needs_zip64(0));
    EXPECT_FALSE(entry_needs_zip64(0xFFFFFFFEull));
    EXPECT_TRUE(entry_needs_zip64(0xFFFFFFFFull));
    EXPECT_TRUE(entry_needs_zip64(0x100000000ull));
    EXPECT_TRUE(entry_needs_zip64(0x7FFFFFFFFFFull));
}

namespace {

struct package_file_t {
    const char* path;  // relative, with slashes
    std::string data;
    int year, month, day, hour, minute, second;
};

// Bytes like a driver image: repeated sections with a little noise.
std::string pattern(size_t size, int seed)
{
    std::string s;
    uint32_t x = static_cast<uint32_t>(seed) * 2654435761u + 1;
    while (s.size() < size) {
        x = x * 1103515245u + 12345u;
        s += ".text section of the driver image ";
        s.push_back(static_cast<char>(x >> 16));
    }
    s.resize(size);
    return s;
}

class PackageArchiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        files = {
            {"acmelan.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n", 2012, 3, 14, 9, 30, 10},
            {"acmelan.sys", pattern(70000, 1), 2012, 3, 14, 9, 31, 0},
            {"acmelan.cat", std::string(), 2012, 3, 13, 23, 59, 58},
            {"x86/acmecoin.dll", pattern(20000, 2), 2011, 12, 31, 18, 0, 2},
            {"x86/sub/help.chm", pattern(100, 3), 2010, 6, 1, 6, 1, 6},
            {".acmelan.inf.swp", "left by an editor", 2012, 3, 14, 9, 30, 0},
            {".svn/entries", "skipped", 2012, 3, 14, 9, 30, 0},
        };
        for (const package_file_t& f : files)
            write_file_at(dir.path() / "store" / "acmelan_4f1c2a90" / f.path, f.data, f.year, f.month, f.day,
                          f.hour, f.minute, f.second);
        package = program_path(dir.path() / "store" / "acmelan_4f1c2a90");
        archive = program_path(dir.path() / "backup" / "ACME-LAN--Gigabit.zip");
        fs::create_directories(dir.path() / "backup");
    }

    temp_dir_c dir;
    std::vector<package_file_t> files;
    u16 package, archive;
};

} // namespace

TEST_F(PackageArchiveTest, StoresEveryFileWithItsRelativeNameDataAndTime)
{
    std::atomic<int32_t> progress{250};
    ASSERT_EQ(write_package_archive(package, archive, progress), 0);
    EXPECT_EQ(progress.load(), 350);

    std::vector<read_entry_t> entries = read_archive(archive);
    std::sort(entries.begin(), entries.end(), [](const read_entry_t& a, const read_entry_t& b) {
        return a.name < b.name;
    });
    // Folders are separated by "/", as the zip format has it.
    const char* const expected_names[] = {"acmelan.cat", "acmelan.inf", "acmelan.sys", "x86/acmecoin.dll",
                                          "x86/sub/help.chm"};
    ASSERT_EQ(entries.size(), 5u);
    for (size_t i = 0; i < entries.size(); ++i) {
        const read_entry_t& e = entries[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.name, expected_names[i]);
        auto f = std::find_if(files.begin(), files.end(), [&](const package_file_t& p) { return e.name == p.path; });
        ASSERT_NE(f, files.end());
        EXPECT_EQ(e.data, f->data);
        local_time_t t{f->year, f->month, f->day, f->hour, f->minute, f->second};
        EXPECT_EQ(e.dos_date, dos_date_time(t));
        EXPECT_EQ(e.method, 8);  // deflated, also when empty
        EXPECT_EQ(e.flag & 0x801u, 0u);  // no password, ANSI name
        EXPECT_FALSE(e.local_zip64);
        EXPECT_TRUE(e.comment.empty());
    }
    // Deflate at the default level packs the repetitive driver image.
    EXPECT_LT(entries[2].compressed_size, entries[2].size / 2);

    // The temporary archive is gone.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "backup"), fs::directory_iterator()), 1);
}

TEST_F(PackageArchiveTest, RestoresThroughTheProgramsExtraction)
{
    const fs::path cafe = fs::u8path("Caf\xc3\xa9.inf"), zhe = fs::u8path("\xd0\x96.inf");
    write_file_at(dir.path() / "store" / "acmelan_4f1c2a90" / cafe, "cafe", 2012, 1, 1, 0, 0, 0);
    write_file_at(dir.path() / "store" / "acmelan_4f1c2a90" / zhe, "zhe", 2012, 1, 1, 0, 0, 0);
    std::atomic<int32_t> progress{0};
    ASSERT_EQ(write_package_archive(package, archive, progress), 0);

    // A name the ANSI code page cannot hold is stored in UTF-8, marked so.
    bool utf8_seen = false, ansi_seen = false;
    for (const read_entry_t& e : read_archive(archive, false)) {
        if (e.name == "\xd0\x96.inf") utf8_seen = (e.flag & 0x800u) != 0;
        if (e.name == "Caf\xe9.inf") ansi_seen = (e.flag & 0x800u) == 0;
    }
    EXPECT_TRUE(utf8_seen);
    EXPECT_TRUE(ansi_seen);

    u16 target = program_path(dir.path() / "restored");
    ASSERT_TRUE(create_directories(target));
    ASSERT_EQ(extract_archive(archive, target), 0);
    for (const package_file_t& f : files) {
        if (f.path[0] == '.') continue;
        EXPECT_EQ(read_file(dir.path() / "restored" / f.path), f.data) << f.path;
    }
    EXPECT_EQ(read_file(dir.path() / "restored" / cafe), "cafe");
    EXPECT_EQ(read_file(dir.path() / "restored" / zhe), "zhe");
    EXPECT_FALSE(fs::exists(dir.path() / "restored" / ".svn"));
}

TEST_F(PackageArchiveTest, AnArchiveWithBackslashNamesStillRestores)
{
    // Archives of earlier versions named their entries with backslashes.
    std::vector<zip_entry_t> entries;
    for (const package_file_t& f : files) {
        if (f.path[0] == '.') continue;
        std::string name = f.path;
        std::replace(name.begin(), name.end(), '/', '\\');
        entries.push_back({name, f.data});
    }
    write_zip(dir.path() / "backup" / "earlier.zip", entries);

    u16 target = program_path(dir.path() / "restored");
    ASSERT_TRUE(create_directories(target));
    ASSERT_EQ(extract_archive(program_path(dir.path() / "backup" / "earlier.zip"), target), 0);
    for (const package_file_t& f : files) {
        if (f.path[0] == '.') continue;
        EXPECT_EQ(read_file(dir.path() / "restored" / f.path), f.data) << f.path;
    }
}

TEST_F(PackageArchiveTest, ReplacesAnOlderArchiveOnlyWhenComplete)
{
    write_file(dir.path() / "backup" / "ACME-LAN--Gigabit.zip", "the older archive");
    std::atomic<int32_t> progress{0};
    ASSERT_EQ(write_package_archive(package, archive, progress), 0);
    EXPECT_EQ(read_archive(archive, false).size(), 5u);

    // A folder that cannot be written: nothing is created, the counter stays.
    progress = 100;
    u16 nowhere = program_path(dir.path() / "missing" / "x.zip");
    EXPECT_EQ(write_package_archive(package, nowhere, progress), -1);
    EXPECT_EQ(progress.load(), 100);
    EXPECT_FALSE(fs::exists(dir.path() / "missing"));
}

TEST_F(PackageArchiveTest, AnEmptyOrVanishedPackageFolderFailsAndKeepsTheOlderArchive)
{
    write_file(dir.path() / "backup" / "ACME-LAN--Gigabit.zip", "the older archive");
    fs::create_directories(dir.path() / "store" / "empty_pkg" / "sub");
    write_file(dir.path() / "store" / "empty_pkg" / ".hidden", "not a package file");
    for (const char* folder : {"empty_pkg", "no_such_pkg"}) {
        std::atomic<int32_t> progress{0};
        EXPECT_EQ(write_package_archive(program_path(dir.path() / "store" / folder), archive, progress), -1);
        EXPECT_EQ(progress.load(), 0);
        EXPECT_EQ(read_file(dir.path() / "backup" / "ACME-LAN--Gigabit.zip"), "the older archive");
    }
}
