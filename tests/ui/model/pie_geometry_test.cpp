// The pie chart's geometry: shares, angles, depth and labels, and the
// degenerate charts (all values 0, a chart a few pixels high).
#include "ui/model/pie_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tdu;

TEST(PieGeometry, SharesAnglesAndLabels)
{
    std::vector<float> shares = pie_shares({2, 1, 1});
    ASSERT_EQ(shares.size(), 3u);
    EXPECT_FLOAT_EQ(shares[0], 0.5f);
    EXPECT_EQ(pie_label_text(shares[1]), u"25.00%");
    EXPECT_EQ(pie_label_text(1.0f / 3.0f), u"33.33%");

    pie_layout_t layout = pie_layout(shares, {}, 10, 20, 200, 300, 45, 20);
    ASSERT_EQ(layout.slices.size(), 3u);
    EXPECT_FLOAT_EQ(layout.slices[0].start, 0);
    EXPECT_FLOAT_EQ(layout.slices[0].sweep, 180);
    EXPECT_FLOAT_EQ(layout.slices[1].start, 180);
    EXPECT_FLOAT_EQ(layout.slices[2].middle, 315);
    EXPECT_FLOAT_EQ(layout.slices[2].start + layout.slices[2].sweep, 360);
    // Tilted by 45 degrees: the top face is flatter than it is wide.
    EXPECT_NEAR(layout.height, 200 * std::cos(3.14159265f / 4), 0.5);
    EXPECT_FLOAT_EQ(layout.depth, 20);
    EXPECT_GE(layout.y, 20);
    EXPECT_LE(layout.y + layout.height + layout.depth, 320.01f);

    // The point at 90 degrees is the front of the ellipse, at 0 its right end.
    float x, y;
    pie_point(layout, 90, 1.0f, x, y);
    EXPECT_NEAR(x, 110, 0.01);
    EXPECT_NEAR(y, layout.y + layout.height, 0.01);
    pie_point(layout, 0, 0.5f, x, y);
    EXPECT_NEAR(x, 160, 0.01);
}

TEST(PieGeometry, EmptyTotalDrawsNothing)
{
    std::vector<float> shares = pie_shares({0, 0, 0});
    for (float s : shares) EXPECT_EQ(s, 0.0f);
    EXPECT_TRUE(pie_layout(shares, {}, 0, 0, 100, 100, 30, 10).slices.empty());
    EXPECT_TRUE(pie_layout({}, {}, 0, 0, 100, 100, 30, 10).slices.empty());
    // Negative values count as nothing.
    EXPECT_EQ(pie_shares({-5, 5})[0], 0.0f);
    EXPECT_EQ(pie_shares({-5, 5})[1], 1.0f);
}

TEST(PieGeometry, DepthScalesWithTheChartAndSurvivesTinyCharts)
{
    // 180 pixels high: the scale is 89, so a depth of 89 is a ratio of 1.
    EXPECT_FLOAT_EQ(pie_depth_ratio(89, 180), 1.0f);
    EXPECT_FLOAT_EQ(pie_depth_pixels(1.0f, 360), 178.0f);
    for (int h : {0, 1, 2}) {
        float r = pie_depth_ratio(10, h);
        EXPECT_TRUE(std::isfinite(r)) << h;
        EXPECT_TRUE(std::isfinite(pie_depth_pixels(r, h))) << h;
    }
    EXPECT_EQ(pie_inclination(120), 89);
    EXPECT_EQ(pie_inclination(-3), 0);
    EXPECT_EQ(pie_inclination(std::nanf("")), 0);
    EXPECT_EQ(pie_label_points(100), 7);
    EXPECT_EQ(pie_label_points(250), 10);
    EXPECT_EQ(pie_label_points(1000), 11);
    // A chart too small for its depth keeps a top face.
    pie_layout_t flat = pie_layout({1.0f}, {}, 0, 0, 50, 2, 0, 40);
    EXPECT_GE(flat.height, 1.0f);
    EXPECT_LE(flat.depth, 1.0f);
}

TEST(PieGeometry, ExplodedSliceMovesAlongItsMiddle)
{
    pie_layout_t layout = pie_layout({0.25f, 0.75f}, {10.0f}, 0, 0, 200, 200, 0, 0);
    // The first slice's middle is at 45 degrees: down and right by 20 px along it.
    EXPECT_NEAR(layout.slices[0].offset_x, 20 * std::cos(3.14159265f / 4), 0.01);
    EXPECT_NEAR(layout.slices[0].offset_y, 20 * std::sin(3.14159265f / 4), 0.01);
    EXPECT_EQ(layout.slices[1].offset_x, 0);
}
