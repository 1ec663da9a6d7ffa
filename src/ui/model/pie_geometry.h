#pragma once
// The geometry of the three-dimensional pie chart: slice shares and angles,
// the tilted top ellipse and the depth, the label texts, sizes and places.
// The chart window draws what this computes.
#include "common/text.h"

#include <vector>

namespace tdu {

// Inclination held to 0 .. 89 degrees (0: seen from straight above).
float pie_inclination(float degrees);

// The depth is kept relative to the chart's height so that it scales with
// the chart: depth / ((height x 89) / 180). The divisor is at least 1, so a
// chart under 3 pixels high keeps its depth instead of dividing by 0.
float pie_depth_ratio(float depth, int client_height);
float pie_depth_pixels(float ratio, int client_height);

// Each value's share of the total; negative values count as 0. All shares
// are 0 when the total is 0 (the chart then draws nothing).
std::vector<float> pie_shares(const std::vector<double>& values);

// The percentage label: share x 100 with two decimals and "%".
u16 pie_label_text(float share);
// The label font's size in points: the chart area's height / 25, held to 7 .. 11.
int pie_label_points(int area_height);

struct pie_slice_geometry_t {
    float start = 0;    // degrees, clockwise from the positive x axis
    float sweep = 0;    // degrees
    float middle = 0;   // start + sweep / 2
    float offset_x = 0; // the slice's explode offset
    float offset_y = 0;
};

struct pie_layout_t {
    // The top face's ellipse, and the depth of the side below it.
    float x = 0, y = 0, width = 0, height = 0;
    float depth = 0;
    std::vector<pie_slice_geometry_t> slices;  // empty for an empty total
};

// Lays the pie out in the rectangle (left, top, width, height) at the
// inclination (degrees) with a side `depth` pixels high; `explode` holds each
// slice's offset as a percentage of the pie's width (missing entries are 0).
pie_layout_t pie_layout(const std::vector<float>& shares, const std::vector<float>& explode, float left,
                        float top, float width, float height, float inclination, float depth);

// The point at `angle` degrees (clockwise from the x axis, as GDI+ measures
// arcs) on the ellipse of the layout's top face, scaled by `radius_fraction`
// towards the centre.
void pie_point(const pie_layout_t& layout, float angle, float radius_fraction, float& x, float& y);

} // namespace tdu
