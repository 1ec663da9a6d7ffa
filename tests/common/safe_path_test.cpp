// The one rule for relative paths from outside (archive entries, INF names):
// what is accepted, in which form, and what could leave the folder it is
// joined to.
#include "common/safe_path.h"

#include <gtest/gtest.h>

using namespace tdu;

TEST(SafeRelativePath, AcceptsPlainPartsAndRefusesWhatCouldLeaveTheFolder)
{
    struct row {
        const char16_t* name;
        const char16_t* path;  // empty: refused
    };
    const row rows[] = {
        {u"a.inf", u"a.inf"},
        {u"a/b/c.inf", u"a\\b\\c.inf"},
        {u"a\\b/c.inf", u"a\\b\\c.inf"},
        {u"a\\b\\", u"a\\b\\"},  // a folder entry keeps its separator
        {u"a/", u"a\\"},
        {u"..a/b..", u"..a\\b.."},
        {u"a b/.c", u"a b\\.c"},
        // Climbing out, and what Windows reads as climbing out.
        {u"..", u""},
        {u"../a", u""},
        {u"a/..", u""},
        {u"a/../b", u""},
        {u"..\\zz\\a.inf", u""},
        {u".. /a", u""},
        {u"a/.../b", u""},
        {u". .\\a", u""},
        {u"...\\a", u""},
        // Parts that are empty or ".".
        {u".", u""},
        {u"./a", u""},
        {u"a/./b", u""},
        {u"a//b", u""},
        {u"a\\\\b", u""},
        {u"a//", u""},
        {u"./", u""},
        // Rooted, drives and streams.
        {u"", u""},
        {u"/a", u""},
        {u"\\a", u""},
        {u"\\\\server\\share\\a", u""},
        {u"C:\\a", u""},
        {u"C:a", u""},
        {u"a.inf:stream", u""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(safe_relative_path(r.name), u16(r.path)) << utf16_to_utf8(r.name);
}
