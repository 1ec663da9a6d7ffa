// Extraction of archives made by minizip in the test: layouts, the entries
// that must be skipped, files already there, and broken archives.
#include "packages/archive_extract.h"

#include "support/test_support.h"
#include "test_zip.h"

#include <gtest/gtest.h>

#include <ctime>
#include <sys/stat.h>

using namespace tdu;
namespace fs = std::filesystem;

namespace {


long long mtime_of(const fs::path& p)
{
    struct stat st;
    if (::stat(p.string().c_str(), &st) != 0) return -1;
    return static_cast<long long>(st.st_mtime);
}

long long local_seconds(int year, int month, int day, int hour, int minute, int second)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return static_cast<long long>(std::mktime(&tm));
}

// Every file below `root`, relative, with slashes.
std::vector<std::string> tree(const fs::path& root)
{
    std::vector<std::string> out;
    for (auto& e : fs::recursive_directory_iterator(root)) {
        std::string rel = fs::relative(e.path(), root).generic_string();
        out.push_back(e.is_directory() ? rel + "/" : rel);
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

TEST(ExtractArchive, NestedFoldersFolderEntriesAndTimes)
{
    test::temp_dir_c dir;
    std::string big(300000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) >> 3);
    test::write_zip(dir.path() / "pkg.zip",
                    {
                        {"drivers/", ""},
                        {"drivers/net/", ""},
                        {"drivers/net/e1000.inf", "[Version]\r\n", test::dos_time(2011, 1, 17, 13, 45, 32)},
                        {"drivers/net/e1000.sys", big, test::dos_time(2010, 6, 30, 8, 0, 0), false},
                        {"deep\\windows\\style\\readme.txt", "backslashes", test::dos_time(2012, 2, 29, 23, 59, 58)},
                        {"empty/", ""},
                        {"zero.bin", ""},
                    });
    fs::create_directory(dir.path() / "out");
    fs::path cwd_before = fs::current_path();

    ASSERT_EQ(extract_archive(test::program_path(dir.path() / "pkg.zip"), test::program_path(dir.path() / "out")), 0);

    EXPECT_EQ(fs::current_path(), cwd_before);
    const std::vector<std::string> expected = {
        "deep/", "deep/windows/", "deep/windows/style/", "deep/windows/style/readme.txt",
        "drivers/", "drivers/net/", "drivers/net/e1000.inf", "drivers/net/e1000.sys",
        "empty/", "zero.bin",
    };
    EXPECT_EQ(tree(dir.path() / "out"), expected);
    EXPECT_EQ(test::read_file(dir.path() / "out/drivers/net/e1000.inf"), "[Version]\r\n");
    EXPECT_EQ(test::read_file(dir.path() / "out/drivers/net/e1000.sys"), big);
    EXPECT_EQ(test::read_file(dir.path() / "out/deep/windows/style/readme.txt"), "backslashes");
    EXPECT_EQ(mtime_of(dir.path() / "out/drivers/net/e1000.inf"), local_seconds(2011, 1, 17, 13, 45, 32));
    EXPECT_EQ(mtime_of(dir.path() / "out/drivers/net/e1000.sys"), local_seconds(2010, 6, 30, 8, 0, 0));
    EXPECT_EQ(mtime_of(dir.path() / "out/deep/windows/style/readme.txt"), local_seconds(2012, 2, 29, 23, 59, 58));
}

TEST(ExtractArchive, ExistingFilesAreNeverOverwritten)
{
    test::temp_dir_c dir;
    test::write_zip(dir.path() / "pkg.zip", {{"a.inf", "new a"}, {"sub/b.inf", "new b"}, {"c.inf", "new c"}});
    test::write_file(dir.path() / "out/a.inf", "earlier a");
    test::write_file(dir.path() / "out/sub/b.inf", "earlier b");

    ASSERT_EQ(extract_archive(test::program_path(dir.path() / "pkg.zip"), test::program_path(dir.path() / "out")), 0);
    EXPECT_EQ(test::read_file(dir.path() / "out/a.inf"), "earlier a");
    EXPECT_EQ(test::read_file(dir.path() / "out/sub/b.inf"), "earlier b");
    EXPECT_EQ(test::read_file(dir.path() / "out/c.inf"), "new c");

    // A second extraction into the same folder changes nothing.
    test::write_file(dir.path() / "out/c.inf", "edited c");
    ASSERT_EQ(extract_archive(test::program_path(dir.path() / "pkg.zip"), test::program_path(dir.path() / "out")), 0);
    EXPECT_EQ(test::read_file(dir.path() / "out/c.inf"), "edited c");
}

TEST(ExtractArchive, EntriesThatWouldLeaveTheTargetAreSkipped)
{
    test::temp_dir_c dir;
    test::write_zip(dir.path() / "evil.zip",
                    {
                        {"../up.txt", "x"},
                        {"a/../../up2.txt", "x"},
                        {"a\\..\\..\\up3.txt", "x"},
                        {"/absolute.txt", "x"},
                        {"\\rooted.txt", "x"},
                        {"C:/drive.txt", "x"},
                        {"C:drive-relative.txt", "x"},
                        {"ads.txt:stream", "x"},
                        {"... /dots.txt", "x"},
                        {"../", ""},
                        {"./dot-part-refused.txt", "x"},
                        {"in//empty-part-refused.txt", "x"},
                        {"in/../inside-but-refused.txt", "x"},
                        {"fine/ok.txt", "ok"},
                    });
    fs::create_directory(dir.path() / "t");
    fs::create_directory(dir.path() / "t" / "out");

    ASSERT_EQ(extract_archive(test::program_path(dir.path() / "evil.zip"), test::program_path(dir.path() / "t" / "out")), 0);
    const std::vector<std::string> inside = {"fine/", "fine/ok.txt"};
    EXPECT_EQ(tree(dir.path() / "t" / "out"), inside);
    const std::vector<std::string> around = {"out/", "out/fine/", "out/fine/ok.txt"};
    EXPECT_EQ(tree(dir.path() / "t"), around);
    EXPECT_FALSE(fs::exists(dir.path() / "up.txt"));
}

TEST(ExtractArchive, EntryNameMapping)
{
    struct row { const char16_t* entry; const char16_t* path; };
    const row rows[] = {
        {u"a/b/c.inf", u"a\\b\\c.inf"},
        {u"a\\b\\", u"a\\b\\"},
        // The rule INF names follow too: an empty or "." part is refused.
        {u"a//b", u""},
        {u"./a", u""},
        {u"a/./b", u""},
        {u"..", u""},
        {u"a/..", u""},
        {u".. /a", u""},
        {u"a/.../b", u""},
        {u"/a", u""},
        {u"C:\\a", u""},
        {u"", u""},
        {u"./", u""},
        {u"..a/b..", u"..a\\b.."},
    };
    for (const auto& r : rows) EXPECT_EQ(safe_entry_path(r.entry), r.path) << utf16_to_utf8(r.entry);
}

TEST(ExtractArchive, NamesInTheCodePageAndInUtf8)
{
    test::temp_dir_c dir;
    test::zip_entry_t ansi{"caf\xE9.inf", "ansi"};
    test::zip_entry_t utf8{"na\xC3\xAFve.inf", "utf8"};
    utf8.utf8_name = true;
    test::write_zip(dir.path() / "names.zip", {ansi, utf8});
    fs::create_directory(dir.path() / "out");
    ASSERT_EQ(extract_archive(test::program_path(dir.path() / "names.zip"), test::program_path(dir.path() / "out")), 0);
    EXPECT_EQ(test::read_file(dir.path() / "out" / fs::path(u"caf\u00E9.inf")), "ansi");
    EXPECT_EQ(test::read_file(dir.path() / "out" / fs::path(u"na\u00EFve.inf")), "utf8");
}

TEST(ExtractArchive, Zip64Entries)
{
    test::temp_dir_c dir;
    test::zip_entry_t a{"x64/driver.inf", "zip64 inf"};
    a.zip64 = true;
    test::zip_entry_t b{"x64/driver.sys", std::string(70000, 'z')};
    b.zip64 = true;
    b.deflate = false;
    test::write_zip(dir.path() / "z64.zip", {a, b});
    fs::create_directory(dir.path() / "out");
    ASSERT_EQ(extract_archive(test::program_path(dir.path() / "z64.zip"), test::program_path(dir.path() / "out")), 0);
    EXPECT_EQ(test::read_file(dir.path() / "out/x64/driver.inf"), "zip64 inf");
    EXPECT_EQ(test::read_file(dir.path() / "out/x64/driver.sys"), std::string(70000, 'z'));
}

TEST(ExtractArchive, ArchiveFoundWithZipAppended)
{
    test::temp_dir_c dir;
    test::write_zip(dir.path() / "package.zip", {{"a.inf", "a"}});
    fs::create_directory(dir.path() / "out");
    ASSERT_EQ(extract_archive(test::program_path(dir.path() / "package"), test::program_path(dir.path() / "out")), 0);
    EXPECT_EQ(test::read_file(dir.path() / "out/a.inf"), "a");
}

TEST(ExtractArchive, WhatCannotBeOpenedFailsAndWritesNothing)
{
    test::temp_dir_c dir;
    test::write_zip(dir.path() / "good.zip", {{"a.inf", "a"}, {"b.inf", "b"}});
    std::string whole = test::read_file(dir.path() / "good.zip");
    test::write_file(dir.path() / "half.zip", whole.substr(0, whole.size() / 2));
    test::write_file(dir.path() / "setup.exe", "MZ\x90\x00 not an archive at all");
    test::write_file(dir.path() / "empty.zip", "");
    fs::create_directory(dir.path() / "out");

    for (const char* name : {"half.zip", "setup.exe", "empty.zip", "missing.zip"}) {
        EXPECT_EQ(extract_archive(test::program_path(dir.path() / name), test::program_path(dir.path() / "out")), -1) << name;
    }
    EXPECT_TRUE(fs::is_empty(dir.path() / "out"));
    // The target must be a folder that exists.
    EXPECT_EQ(extract_archive(test::program_path(dir.path() / "good.zip"), test::program_path(dir.path() / "none")), -1);
    EXPECT_EQ(extract_archive(test::program_path(dir.path() / "good.zip"), test::program_path(dir.path() / "setup.exe")), -1);
    EXPECT_FALSE(fs::exists(dir.path() / "none"));
}

TEST(ExtractArchive, CorruptDataFailsAndRemovesOnlyTheBrokenFile)
{
    test::temp_dir_c dir;
    std::string payload(100000, '\0');
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i % 251);
    test::write_zip(dir.path() / "pkg.zip", {{"first.inf", "intact"}, {"second.sys", payload}, {"third.inf", "after"}});
    std::string bytes = test::read_file(dir.path() / "pkg.zip");
    // Damage the middle of the second entry's compressed data; the directory
    // at the end stays readable.
    size_t at = bytes.find("second.sys") + 10 + 200;
    for (size_t i = 0; i < 64; ++i) bytes[at + i] = static_cast<char>(~bytes[at + i]);
    test::write_file(dir.path() / "pkg.zip", bytes);
    test::write_file(dir.path() / "out/keep.txt", "mine");

    EXPECT_EQ(extract_archive(test::program_path(dir.path() / "pkg.zip"), test::program_path(dir.path() / "out")), -1);
    EXPECT_EQ(test::read_file(dir.path() / "out/first.inf"), "intact");
    EXPECT_FALSE(fs::exists(dir.path() / "out/second.sys"));
    EXPECT_EQ(test::read_file(dir.path() / "out/keep.txt"), "mine");
}

TEST(ExtractArchive, DosDateAndTime)
{
    local_time_t t = dos_date_time_to_local(test::dos_time(2044, 12, 31, 23, 59, 58));
    EXPECT_EQ(t.year, 2044);
    EXPECT_EQ(t.month, 12);
    EXPECT_EQ(t.day, 31);
    EXPECT_EQ(t.hour, 23);
    EXPECT_EQ(t.minute, 59);
    EXPECT_EQ(t.second, 58);
    t = dos_date_time_to_local(0);
    EXPECT_EQ(t.year, 1980);
    EXPECT_EQ(t.month, 0);  // no valid date: the file keeps the time it was written at
}

TEST(ExtractArchiveAfresh, NoFileOfAnEarlierExtractionOutlivesIt)
{
    test::temp_dir_c dir;
    // The folder of an earlier extraction of an older package of that name,
    // with files the new package no longer has and one it has anew.
    test::write_file(dir.path() / "pkg/drv/old.inf", "stale inf");
    test::write_file(dir.path() / "pkg/drv/a.sys", "stale sys");
    test::write_file(dir.path() / "pkg/gone/x.dll", "stale dll");
    test::write_zip(dir.path() / "pkg.zip", {{"drv/a.inf", "new inf"}, {"drv/a.sys", "new sys"}});

    ASSERT_EQ(extract_archive_afresh(test::program_path(dir.path() / "pkg.zip"), test::program_path(dir.path() / "pkg")), 0);
    const std::vector<std::string> fresh = {"drv/", "drv/a.inf", "drv/a.sys"};
    EXPECT_EQ(tree(dir.path() / "pkg"), fresh);
    EXPECT_EQ(test::read_file(dir.path() / "pkg/drv/a.sys"), "new sys");

    // A folder that does not exist yet is made, with its parents.
    ASSERT_EQ(extract_archive_afresh(test::program_path(dir.path() / "pkg.zip"), test::program_path(dir.path() / "new/deeper")), 0);
    EXPECT_EQ(test::read_file(dir.path() / "new/deeper/drv/a.inf"), "new inf");

    // "Never overwrite" still holds within one extraction: of two entries of
    // one name, the first stays.
    test::write_zip(dir.path() / "twice.zip", {{"a.inf", "first"}, {"a.inf", "second"}});
    ASSERT_EQ(extract_archive_afresh(test::program_path(dir.path() / "twice.zip"), test::program_path(dir.path() / "pkg")), 0);
    EXPECT_EQ(tree(dir.path() / "pkg"), std::vector<std::string>{"a.inf"});
    EXPECT_EQ(test::read_file(dir.path() / "pkg/a.inf"), "first");
}

TEST(ExtractArchiveAfresh, EmptiesNothingItShouldNot)
{
    struct row {
        const char* what;
        const char* archive;  // relative to the test folder
        const char* target;
    };
    const row rows[] = {
        {"an archive that cannot be opened", "setup.exe", "pkg"},
        {"a target that is a file", "pkg.zip", "setup.exe"},
        {"a target named \"..\"", "pkg.zip", "pkg/.."},
        {"a target named \".\"", "pkg.zip", "pkg/."},
        {"a target that ends in a separator has no name of its own", "pkg.zip", "pkg/"},
        {"a target named of dots and spaces", "pkg.zip", "pkg/. ."},
        {"the archive lies below the target", "pkg/inner.zip", "pkg"},
        {"the archive lies below the target, other letter case", "pkg/inner.zip", "PKG"},
    };
    for (const auto& r : rows) {
        test::temp_dir_c dir;
        test::write_zip(dir.path() / "pkg.zip", {{"a.inf", "new"}});
        test::write_zip(dir.path() / "pkg/inner.zip", {{"a.inf", "new"}});
        test::write_file(dir.path() / "pkg/earlier.inf", "earlier");
        test::write_file(dir.path() / "setup.exe", "MZ not an archive");
        std::vector<std::string> before = tree(dir.path());

        u16 target = test::program_path(dir.path());
        target += u"\\" + utf8_to_utf16(r.target);
        EXPECT_EQ(extract_archive_afresh(test::program_path(dir.path() / r.archive), target), -1) << r.what;
        EXPECT_EQ(tree(dir.path()), before) << r.what;
    }
}
