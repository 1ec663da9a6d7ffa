// The file helpers over real files: the native back end on Linux, the wide
// Win32 calls under Wine. Paths are built with backslashes on both.
#include "common/files.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <sys/stat.h>

using namespace tdu;
namespace fs = std::filesystem;

TEST(Files, PathJoinAndFileName)
{
    struct row { const char16_t* folder; const char16_t* name; const char16_t* joined; };
    const row rows[] = {
        {u"C:\\dl", u"a.zip", u"C:\\dl\\a.zip"},
        {u"C:\\dl\\", u"a.zip", u"C:\\dl\\a.zip"},
        {u"C:\\dl", u"\\a.zip", u"C:\\dl\\a.zip"},
        {u"", u"a.zip", u"a.zip"},
        {u"/tmp/x", u"sub\\a", u"/tmp/x\\sub\\a"},
    };
    for (const auto& r : rows) EXPECT_EQ(path_join(r.folder, r.name), r.joined) << utf16_to_utf8(r.joined);
    EXPECT_EQ(path_file_name(u"C:\\dl\\a.zip"), u"a.zip");
    EXPECT_EQ(path_file_name(u"dir/b.exe"), u"b.exe");
    EXPECT_EQ(path_file_name(u"plain"), u"plain");
    EXPECT_EQ(path_file_name(u"C:\\dl\\"), u"");
}

TEST(Files, FoldersAreCreatedWithTheirParentsAndBackslashesSeparate)
{
    test::temp_dir_c dir;
    u16 root = test::program_path(dir.path());
    u16 deep = path_join(root, u"a\\b\\c");
    EXPECT_FALSE(create_directory(deep));  // its parent is missing
    ASSERT_TRUE(create_directories(deep + u"\\"));
    EXPECT_TRUE(is_directory(deep));
    EXPECT_TRUE(fs::is_directory(dir.path() / "a" / "b" / "c"));
    EXPECT_TRUE(create_directories(deep));  // already there
    EXPECT_TRUE(create_directory(deep));

    test::write_file(dir.path() / "a" / "file", "x");
    EXPECT_FALSE(create_directories(path_join(root, u"a\\file\\below")));
    EXPECT_FALSE(create_directory(path_join(root, u"a\\file")));
}

TEST(Files, ExistenceSizeMoveAndDelete)
{
    test::temp_dir_c dir;
    u16 root = test::program_path(dir.path());
    u16 a = path_join(root, u"a.bin"), b = path_join(root, u"b.bin");
    test::write_file(dir.path() / "a.bin", "12345");
    test::write_file(dir.path() / "b.bin", "old");

    uint64_t size = 0;
    ASSERT_TRUE(file_size(a, size));
    EXPECT_EQ(size, 5u);
    EXPECT_FALSE(file_size(root, size));
    EXPECT_FALSE(file_size(path_join(root, u"none"), size));
    EXPECT_TRUE(path_exists(a));
    EXPECT_TRUE(path_exists(root));
    EXPECT_TRUE(is_regular_file(a));
    EXPECT_FALSE(is_regular_file(root));
    EXPECT_FALSE(is_directory(a));

    // A move replaces the file of the target name.
    ASSERT_TRUE(move_file(a, b));
    EXPECT_FALSE(path_exists(a));
    EXPECT_EQ(test::read_file(dir.path() / "b.bin"), "12345");
    EXPECT_FALSE(move_file(a, b));

    EXPECT_TRUE(remove_file(b.c_str()));
    EXPECT_FALSE(remove_file(b.c_str()));
    EXPECT_FALSE(remove_file(root.c_str()));  // folders are not files
    EXPECT_TRUE(is_directory(root));
}

TEST(Files, FolderTreeIsRemovedWithoutFollowingLinksOrTouchingFiles)
{
    test::temp_dir_c dir;
    u16 root = test::program_path(dir.path());
    test::write_file(dir.path() / "tree/a.inf", "a");
    test::write_file(dir.path() / "tree/sub/deeper/b.sys", "b");
    fs::create_directories(dir.path() / "tree/empty");
    test::write_file(dir.path() / "tree/locked.txt", "read-only");
    fs::permissions(dir.path() / "tree/locked.txt", fs::perms::owner_write | fs::perms::group_write |
                                                        fs::perms::others_write, fs::perm_options::remove);
    // A link inside the tree to a folder outside it: the link goes, what it
    // points to stays (where the system lets the test make links).
    test::write_file(dir.path() / "outside/keep.txt", "keep");
    std::error_code no_link;
    fs::create_directory_symlink(dir.path() / "outside", dir.path() / "tree/sub/link", no_link);

    ASSERT_TRUE(remove_folder_tree(path_join(root, u"tree\\")));
    EXPECT_FALSE(fs::exists(dir.path() / "tree"));
    EXPECT_EQ(test::read_file(dir.path() / "outside/keep.txt"), "keep");

    EXPECT_TRUE(remove_folder_tree(path_join(root, u"tree")));  // nothing left to remove
    EXPECT_TRUE(remove_folder_tree(path_join(root, u"missing\\deeper")));
    // A file is not a folder: it is left alone.
    EXPECT_FALSE(remove_folder_tree(path_join(root, u"outside\\keep.txt")));
    EXPECT_EQ(test::read_file(dir.path() / "outside/keep.txt"), "keep");
    EXPECT_FALSE(remove_folder_tree(u""));
}

TEST(Files, ListsFilesBySuffixWithoutCaseAndWithoutFolders)
{
    test::temp_dir_c dir;
    test::write_file(dir.path() / "Setup.EXE", "");
    test::write_file(dir.path() / "tool.exe", "");
    test::write_file(dir.path() / "readme.txt", "");
    test::write_file(dir.path() / "notes.exe.txt", "");
    fs::create_directories(dir.path() / "folder.exe");
    test::write_file(dir.path() / "sub" / "inner.exe", "");

    std::vector<u16> names = list_files(test::program_path(dir.path()), u".exe");
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], u"Setup.EXE");
    EXPECT_EQ(names[1], u"tool.exe");
    EXPECT_TRUE(list_files(test::program_path(dir.path() / "missing"), u".exe").empty());
}

TEST(Files, NewOutputFileNeverReplacesAnExistingOne)
{
    test::temp_dir_c dir;
    u16 path = path_join(test::program_path(dir.path()), u"out.bin");
    {
        output_file_c out;
        ASSERT_EQ(out.create_new(path), output_file_c::opened);
        EXPECT_TRUE(out.write("hello ", 6));
        EXPECT_TRUE(out.write("world", 5));
    }
    EXPECT_EQ(test::read_file(dir.path() / "out.bin"), "hello world");

    output_file_c again;
    EXPECT_EQ(again.create_new(path), output_file_c::already_exists);
    EXPECT_FALSE(again.write("x", 1));
    EXPECT_EQ(test::read_file(dir.path() / "out.bin"), "hello world");

    output_file_c nowhere;
    EXPECT_EQ(nowhere.create_new(path_join(test::program_path(dir.path()), u"missing\\out.bin")), output_file_c::failed);
}

TEST(Files, OutputFileTimesComeFromTheLocalClock)
{
    test::temp_dir_c dir;
    u16 path = path_join(test::program_path(dir.path()), u"dated.inf");
    local_time_t when;
    when.year = 2011;
    when.month = 1;
    when.day = 17;
    when.hour = 13;
    when.minute = 45;
    when.second = 32;
    {
        output_file_c out;
        ASSERT_EQ(out.create_new(path), output_file_c::opened);
        ASSERT_TRUE(out.write("data", 4));
        ASSERT_TRUE(out.set_times(when));
    }
    std::tm tm{};
    tm.tm_year = 111;
    tm.tm_mon = 0;
    tm.tm_mday = 17;
    tm.tm_hour = 13;
    tm.tm_min = 45;
    tm.tm_sec = 32;
    tm.tm_isdst = -1;
    struct stat st;
    ASSERT_EQ(::stat((dir.path() / "dated.inf").string().c_str(), &st), 0);
    EXPECT_EQ(static_cast<long long>(st.st_mtime), static_cast<long long>(std::mktime(&tm)));
}
