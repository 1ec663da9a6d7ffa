// The wrapped-text layout: where lines break, which lines are dropped below
// the rectangle, and that a character wider than the rectangle cannot stall it.
#include "ui/model/text_wrap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tdu;

namespace {

// Every character 10 pixels wide and 12 high, except 'W' (50 wide, 20 high).
class fixed_measure_t final : public text_measure_i {
public:
    int calls = 0;
    void char_extent(char16_t c, int& width, int& height) override
    {
        ++calls;
        width = c == u'W' ? 50 : 10;
        height = c == u'W' ? 20 : 12;
    }
};

std::vector<std::u16string> drawn(u16view text, const wrap_layout_t& layout)
{
    std::vector<std::u16string> lines;
    for (const auto& l : layout.lines) lines.emplace_back(text.substr(l.start, l.length));
    return lines;
}

} // namespace

TEST(TextWrap, LinesBreakAfterTheLastBlankThatFits)
{
    struct row {
        const char* what;
        std::u16string text;
        int width;
        std::vector<std::u16string> lines;
    };
    const row rows[] = {
        {"fits", u"one two", 100, {u"one two"}},
        {"breaks after the space", u"one two three", 70, {u"one ", u"two ", u"three"}},
        {"line feed ends a line", u"ab\ncd", 100, {u"ab", u"cd"}},
        {"word longer than the rectangle breaks inside", u"abcdefghij", 40, {u"abcd", u"efgh", u"ij"}},
        {"break after a tab", u"ab\tcdefgh", 60, {u"ab\t", u"cdefgh"}},
    };
    for (const auto& r : rows) {
        fixed_measure_t m;
        wrap_layout_t layout = wrap_text_layout(r.text, 0, 0, r.width, 1000, 6, false, m);
        EXPECT_EQ(drawn(r.text, layout), r.lines) << r.what;
    }
}

TEST(TextWrap, LinesStackWithTheGapAndStopAboveTheBottom)
{
    fixed_measure_t m;
    std::u16string text = u"aaa bbb ccc ddd";
    // Lines at 30, 48, 66; the fourth would end at 96 > 90 and is not drawn.
    wrap_layout_t layout = wrap_text_layout(text, 80, 30, 120, 90, 6, false, m);
    ASSERT_EQ(layout.lines.size(), 3u);
    EXPECT_EQ(layout.lines[0].top, 30);
    EXPECT_EQ(layout.lines[1].top, 48);
    EXPECT_EQ(layout.lines[2].top, 66);
    EXPECT_EQ(layout.bottom, 78);
    EXPECT_FALSE(layout.single_line);

    // Measuring lays out every line, whatever the bottom.
    wrap_layout_t measured = wrap_text_layout(text, 80, 30, 120, 90, 6, true, m);
    EXPECT_EQ(measured.lines.size(), 4u);
    EXPECT_EQ(measured.bottom, 96);
}

TEST(TextWrap, TallestCharacterSetsTheLineHeight)
{
    fixed_measure_t m;
    std::u16string text = u"aW b";
    wrap_layout_t layout = wrap_text_layout(text, 0, 0, 70, 500, 0, false, m);
    EXPECT_EQ(drawn(text, layout), (std::vector<std::u16string>{u"aW ", u"b"}));
    EXPECT_EQ(layout.lines[1].top, 20);
}

TEST(TextWrap, CharacterWiderThanTheRectangleStillAdvances)
{
    fixed_measure_t m;
    std::u16string text = u"WWW";
    wrap_layout_t layout = wrap_text_layout(text, 0, 0, 30, 1000, 2, false, m);
    EXPECT_EQ(drawn(text, layout), (std::vector<std::u16string>{u"W", u"W", u"W"}));
    EXPECT_LT(m.calls, 100);
    // A rectangle of no width at all.
    wrap_layout_t none = wrap_text_layout(u"abc", 10, 0, 10, 1000, 0, false, m);
    EXPECT_EQ(none.lines.size(), 3u);
}

TEST(TextWrap, EmptyTextLeavesTheRectangleAndOneLineIsMarked)
{
    fixed_measure_t m;
    wrap_layout_t empty = wrap_text_layout(u"", 0, 10, 100, 77, 6, false, m);
    EXPECT_TRUE(empty.lines.empty());
    EXPECT_EQ(empty.bottom, 77);

    wrap_layout_t one = wrap_text_layout(u"short", 0, 10, 100, 77, 6, false, m);
    EXPECT_TRUE(one.single_line);
    EXPECT_EQ(one.bottom, 22);

    // Nothing fits: no line is drawn and the bottom is the top.
    wrap_layout_t low = wrap_text_layout(u"short", 0, 10, 100, 15, 6, false, m);
    EXPECT_TRUE(low.lines.empty());
    EXPECT_EQ(low.bottom, 10);
}
