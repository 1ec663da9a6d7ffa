// The folder walk and file times, on real files of both targets.
#include "common/file_tree.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tdu;
using namespace tdu::test;
namespace fs = std::filesystem;

TEST(FileTree, ListsFilesDepthFirstAndSkipsDotNames)
{
    temp_dir_c dir;
    for (const char* name : {"b.sys", "a\\x.inf", "a\\deep\\y.dll", ".hidden", ".svn\\entries", "a\\.old\\z.inf",
                             "c\\.keep"}) {
        std::string p = name;
        for (char& c : p) c = c == '\\' ? '/' : c;
        write_file(dir.path() / p, name);
    }
    fs::create_directories(dir.path() / "empty");

    std::vector<u16> files = list_files_below(program_path(dir.path()));
    std::vector<std::string> names;
    for (const u16& f : files) names.push_back(utf16_to_utf8(f));
    // A sub-folder's files follow it at once; "a" comes before "b.sys" in
    // both the native listing (by name) and NTFS's.
    EXPECT_EQ(names, (std::vector<std::string>{"a\\deep\\y.dll", "a\\x.inf", "b.sys"}));

    EXPECT_TRUE(list_files_below(program_path(dir.path() / "missing")).empty());
}

TEST(FileTree, ReadsTheLastWriteTimeOnTheLocalClock)
{
    temp_dir_c dir;
    u16 path = program_path(dir.path() / "f.inf");
    output_file_c out;
    ASSERT_EQ(out.create_new(path), output_file_c::opened);
    ASSERT_TRUE(out.set_times(local_time_t{2011, 7, 4, 13, 45, 58}));
    out.close();

    local_time_t read;
    ASSERT_TRUE(file_last_write_time(path, read));
    EXPECT_EQ(read.year, 2011);
    EXPECT_EQ(read.month, 7);
    EXPECT_EQ(read.day, 4);
    EXPECT_EQ(read.hour, 13);
    EXPECT_EQ(read.minute, 45);
    EXPECT_EQ(read.second, 58);
    EXPECT_FALSE(file_last_write_time(program_path(dir.path() / "missing"), read));
}

TEST(FileTree, DoesNotFollowALinkBackUpTheTree)
{
    temp_dir_c dir;
    write_file(dir.path() / "pkg" / "a.inf", "a");
    std::error_code ec;
    fs::create_directory_symlink(dir.path(), dir.path() / "pkg" / "loop", ec);
    if (ec) GTEST_SKIP() << "no folder links here: " << ec.message();
    std::vector<u16> files = list_files_below(program_path(dir.path()));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0], u"pkg\\a.inf");
}
