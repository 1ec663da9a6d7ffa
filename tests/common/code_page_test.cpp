// The ANSI code page both ways; under Wine the prefix's code page is 1252
// under an English locale, so both builds answer the same table.
#include "common/code_page.h"

#include <gtest/gtest.h>

using namespace tdu;

TEST(CodePage, Windows1252BothWays)
{
    struct row { std::string ansi; u16 wide; };
    const row rows[] = {
        {"drivers\\net\\e1000.inf", u"drivers\\net\\e1000.inf"},
        {"Caf\xE9 \x80 \x99", u"Caf\u00E9 \u20AC \u2122"},
        {"\x81\x8D", u"\u0081\u008D"},
        {"", u""},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(ansi_to_utf16(r.ansi), r.wide) << r.ansi;
        EXPECT_EQ(utf16_to_ansi(r.wide), r.ansi) << r.ansi;
    }
    EXPECT_EQ(utf16_to_ansi(u"\u65E5x"), "?x");
}
