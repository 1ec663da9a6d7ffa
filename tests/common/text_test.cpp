#include "common/text.h"

#include <gtest/gtest.h>

using namespace tdu;

TEST(Utf8ToUtf16, DecodesEveryLengthAndReplacesBadBytes)
{
    struct row { std::string in; u16 out; };
    const row rows[] = {
        {"abc", u"abc"},
        {"Fran\xC3\xA7" "ais", u"Fran\u00E7ais"},
        {"\xE7\xAE\x80\xE4\xBD\x93", u"\u7B80\u4F53"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"a\xFF" "b", u"a\uFFFDb"},             // not a lead byte
        {"\xC0\x80", u"\uFFFD\uFFFD"},           // overlong zero
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // encoded surrogate
        // The start of a sequence that breaks off is one bad stretch, and
        // the byte it broke off at (or the text after the end) is decoded.
        {"\xE7\xAE", u"\uFFFD"},
        {"abc\xE6" "d", u"abc\uFFFDd"},
        {"\xE6\x88" "d", u"\uFFFDd"},
        {"\xF0\x9F\x98" "x\xC3\xA9", u"\uFFFDx\u00E9"},
        {"\xC3", u"\uFFFD"},
        {"\xF0\x9F", u"\uFFFD"},
        {"\xE2\x82\xE2\x82\xAC", u"\uFFFD\u20AC"},
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},              // overlong
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"\xEF\xBF\xBD", u"\uFFFD"},
    };
    for (const auto& r : rows) EXPECT_EQ(utf8_to_utf16(r.in), r.out) << r.in;
}

TEST(Utf16ToUtf8, RoundTripsAndReplacesLoneSurrogates)
{
    u16 text = u"Espa\u00F1ol \u65E5\u672C\u8A9E \U0001F600";
    EXPECT_EQ(utf8_to_utf16(utf16_to_utf8(text)), text);
    EXPECT_EQ(utf16_to_utf8(u16(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(CopyField, CutsToCapacityAndAlwaysTerminates)
{
    char16_t field[4];
    EXPECT_EQ(copy_field(field, 4, u"abcdef"), 3u);
    EXPECT_EQ(u16(field), u"abc");
    EXPECT_EQ(copy_field(field, 4, u"ab"), 2u);
    EXPECT_EQ(u16(field), u"ab");
    char narrow[3];
    EXPECT_EQ(copy_field(narrow, 3, "xyz"), 2u);
    EXPECT_STREQ(narrow, "xy");
}

TEST(EqualsIgnoreCaseAscii, FoldsOnlyAsciiLetters)
{
    EXPECT_TRUE(equals_ignore_case_ascii(u"--AutoRun", u"--autorun"));
    EXPECT_FALSE(equals_ignore_case_ascii(u"--autorun", u"--autorunx"));
    EXPECT_FALSE(equals_ignore_case_ascii(u"\u00C9", u"\u00E9"));
}
