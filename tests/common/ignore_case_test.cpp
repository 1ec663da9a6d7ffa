#include "common/ignore_case.h"
#include "ignore_case_cases.h"

#include <gtest/gtest.h>

using namespace tdu;

TEST(IgnoreCase, AgreesWithTheSharedTable)
{
    for (const auto& c : test::ignore_case_cases) {
        EXPECT_EQ(equals_ignore_case(c.a, c.b), c.equal) << utf16_to_utf8(c.a) << " / " << utf16_to_utf8(c.b);
        EXPECT_EQ(equals_ignore_case(c.b, c.a), c.equal) << utf16_to_utf8(c.b) << " / " << utf16_to_utf8(c.a);
    }
}

TEST(IgnoreCase, UpperCaseFormsOfEachBlock)
{
    struct row { char16_t small, capital; };
    const row rows[] = {
        {u'z', u'Z'}, {u'ÿ', u'Ÿ'}, {u'þ', u'Þ'}, {u'ā', u'Ā'}, {u'ĺ', u'Ĺ'}, {u'ň', u'Ň'},
        {u'ŋ', u'Ŋ'}, {u'ž', u'Ž'}, {u'ώ', u'Ώ'}, {u'ί', u'Ί'}, {u'ω', u'Ω'}, {u'я', u'Я'},
        {u'ё', u'Ё'}, {u'ｚ', u'Ｚ'},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(upper_case_unit(r.small), r.capital) << static_cast<int>(r.small);
        EXPECT_EQ(upper_case_unit(r.capital), r.capital) << static_cast<int>(r.capital);
    }
    // Units without a simple pair stay as they are.
    for (char16_t c : {u'÷', u'ı', u'ĸ', u'ς', u'ß', u'中', u'0'}) EXPECT_EQ(upper_case_unit(c), c);
}
