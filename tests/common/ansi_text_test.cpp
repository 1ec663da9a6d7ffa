// The ANSI code-page conversions: the Windows-1252 table, and (under Wine,
// whose ANSI code page is 1252) the Win32 calls against that table.
#include "common/ansi_text.h"

#include <gtest/gtest.h>

using namespace tdu;

TEST(Windows1252, MapsEveryByteAndBack)
{
    const code_page_c& cp = windows_1252_code_page();
    struct row { std::string ansi; u16 text; };
    const row rows[] = {
        {"plain ASCII", u"plain ASCII"},
        {"Caf\xe9 \xc4\xd6\xdc\xdf", u"Caf\u00e9 \u00c4\u00d6\u00dc\u00df"},
        {"\x80 \x85 \x99 \x9f", u"\u20ac \u2026 \u2122 \u0178"},
        {"\x8a\x8c\x8e\x9a\x9c\x9e", u"\u0160\u0152\u017d\u0161\u0153\u017e"},
        {"\x81\x8d\x8f\x90\x9d", u"\u0081\u008d\u008f\u0090\u009d"},  // undefined: C1 controls
        {std::string("a\0b", 3), u16(u"a\0b", 3)},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(cp.to_utf16(r.ansi), r.text);
        EXPECT_EQ(cp.from_utf16(r.text), r.ansi);
    }
    for (int b = 0; b < 256; ++b) {
        std::string one(1, static_cast<char>(b));
        EXPECT_EQ(cp.from_utf16(cp.to_utf16(one)), one) << b;
    }
}

TEST(Windows1252, CharactersOutsideTheCodePageBecomeTheDefaultCharacter)
{
    const code_page_c& cp = windows_1252_code_page();
    EXPECT_EQ(cp.from_utf16(u"PC \u4e2d\u6587 \u0436"), "PC ?? ?");
    EXPECT_EQ(cp.from_utf16(u"\U0001F600"), "??");  // each half of the pair
}

TEST(PlatformCodePage, AgreesWithTheTableOnEveryByte)
{
    // Natively the platform's code page is the table; under Wine it is the
    // real MultiByteToWideChar / WideCharToMultiByte for code page 1252.
    const code_page_c& platform = platform_ansi_code_page();
    const code_page_c& table = windows_1252_code_page();
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(platform.to_utf16(all), table.to_utf16(all));
    EXPECT_EQ(platform.from_utf16(table.to_utf16(all)), all);
    EXPECT_EQ(platform.from_utf16(u"\u4e2d\u6587"), "??");
    EXPECT_EQ(platform.to_utf16(""), u"");
}

TEST(ThreadCodePage, TestsCanChooseTheCodePage)
{
    struct upper_t final : code_page_c {
        u16 to_utf16(std::string_view t) const override { return u16(t.size(), u'U'); }
        std::string from_utf16(u16view t) const override { return std::string(t.size(), 'u'); }
    } upper;
    use_ansi_code_page(&upper);
    EXPECT_EQ(ansi_to_utf16("ab"), u"UU");
    EXPECT_EQ(utf16_to_ansi(u"ab"), "uu");
    use_ansi_code_page(nullptr);
    EXPECT_EQ(&thread_ansi_code_page(), &platform_ansi_code_page());
    EXPECT_EQ(ansi_to_utf16("ab"), u"ab");
}
