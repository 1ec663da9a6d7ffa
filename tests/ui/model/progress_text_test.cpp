// The progress bars' texts.
#include "ui/model/progress_text.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tdu;

TEST(ProgressText, PercentShowsTheWholePart)
{
    struct row {
        float fraction;
        const char16_t* text;
    };
    const row rows[] = {{0.0f, u"0%"}, {0.999f, u"99%"}, {0.5f, u"50%"}, {1.0f, u"100%"}, {1.7f, u"100%"}, {-0.2f, u"0%"}};
    for (const auto& r : rows) EXPECT_EQ(percent_text(r.fraction), r.text) << r.fraction;
}

TEST(ProgressText, RowShowsDoneOverExpectedOnlyWhileDownloading)
{
    row_progress_t p;
    p.set_expected(2 * 1024 * 1024);
    EXPECT_EQ(p.text(), u"2.00M");
    p.set_bytes_done(512 * 1024);
    EXPECT_EQ(p.text(), u"512.00K/2.00M");
    EXPECT_FLOAT_EQ(p.fraction, 0.25f);
    p.set_bytes_done(2 * 1024 * 1024);
    EXPECT_EQ(p.text(), u"2.00M");
    EXPECT_FLOAT_EQ(p.fraction, 1.0f);

    // No expected size: the fraction stays where it was.
    row_progress_t unknown;
    unknown.set_expected(0);
    unknown.set_bytes_done(100);
    EXPECT_FLOAT_EQ(unknown.fraction, 0.0f);
    EXPECT_EQ(unknown.text(), u"100B/0B");
}

// The scan's wait for the update service moves a block through the bar;
// it never fills it, so the wait never reads as "all done".
TEST(ProgressText, AWaitOfUnknownLengthMovesABlockThatNeverFillsTheBar)
{
    for (int32_t width : {1, 3, 200, 531}) {
        SCOPED_TRACE(width);
        const int32_t block = std::max(width / 4, 1);
        int32_t last_left = -1;
        bool at_left = false, at_right = false;
        for (int64_t step = 0; step < marquee_steps; ++step) {
            marquee_span_t s = marquee_span(width, step);
            EXPECT_LE(0, s.left);
            EXPECT_LE(s.left, s.right);
            EXPECT_LE(s.right, width);
            EXPECT_LE(s.right - s.left, block);
            if (width > 1) EXPECT_LT(s.right - s.left, width) << step;
            EXPECT_GE(s.left, last_left) << step;  // it moves one way
            last_left = s.left;
            at_left = at_left || (s.left == 0 && s.right > 0);
            at_right = at_right || s.right == width;
            // It repeats, also for a step count that went negative.
            EXPECT_EQ(marquee_span(width, step + marquee_steps).left, s.left);
            EXPECT_EQ(marquee_span(width, step - marquee_steps).right, s.right);
        }
        EXPECT_TRUE(at_left);
        EXPECT_TRUE(at_right);
    }
    EXPECT_EQ(marquee_span(0, 3).right, 0);
}
