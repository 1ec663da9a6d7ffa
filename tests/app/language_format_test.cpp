#include "app/language_format.h"

#include <gtest/gtest.h>

using namespace tdu;

TEST(LanguageFormat, FillsOnlyTheConversionsItHasArgumentsFor)
{
    struct row {
        const char* format;
        std::vector<const char*> args;
        size_t max_chars;
        const char* expected;
    };
    const row rows[] = {
        {"HTTP %d.", {"404"}, 1023, "HTTP 404."},
        {"%s was %s on %s", {"Driver", "installed", "2013-06-14"}, 1023, "Driver was installed on 2013-06-14"},
        {"%i and %u", {"1", "2"}, 1023, "1 and 2"},
        {"100%% done, %d left", {"3"}, 1023, "100% done, 3 left"},
        // Conversions without an argument, and any other, stay as written.
        {"%d %d %d", {"7"}, 1023, "7 %d %d"},
        {"%n%x%p %5d %", {"9"}, 1023, "%n%x%p %5d %"},
        {"no conversion", {"unused"}, 1023, "no conversion"},
        // The result is cut.
        {"status %d", {"504"}, 8, "status 5"},
        {"", {"1"}, 1023, ""},
    };
    for (const row& r : rows) {
        std::vector<u16> texts;
        for (const char* a : r.args) texts.push_back(ascii_to_utf16(a));
        u16 out = format_language_text(ascii_to_utf16(r.format), texts, r.max_chars);
        EXPECT_EQ(utf16_to_utf8(out), r.expected) << r.format;
    }
    EXPECT_EQ(decimal_text(-42), u"-42");
}
