// The progress bars' texts.
#include "ui/model/progress_text.h"

#include <gtest/gtest.h>

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
