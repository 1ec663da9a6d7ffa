#include "ui/model/pie_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tdu {

namespace {

constexpr float pi = 3.14159265358979f;

float depth_scale(int client_height) { return static_cast<float>(std::max(1, (client_height * 89) / 180)); }

} // namespace

float pie_inclination(float degrees)
{
    if (!(degrees >= 0.0f)) return 0.0f;  // also catches NaN
    return std::min(degrees, 89.0f);
}

float pie_depth_ratio(float depth, int client_height) { return std::max(0.0f, depth) / depth_scale(client_height); }

float pie_depth_pixels(float ratio, int client_height) { return ratio * depth_scale(client_height); }

std::vector<float> pie_shares(const std::vector<double>& values)
{
    double total = 0;
    for (double v : values)
        if (v > 0) total += v;
    std::vector<float> shares(values.size(), 0.0f);
    if (!(total > 0)) return shares;
    for (size_t i = 0; i < values.size(); ++i)
        shares[i] = values[i] > 0 ? static_cast<float>(values[i] / total) : 0.0f;
    return shares;
}

u16 pie_label_text(float share)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f%%", static_cast<double>(share) * 100.0);
    return ascii_to_utf16(buffer);
}

int pie_label_points(int area_height) { return std::clamp(area_height / 25, 7, 11); }

pie_layout_t pie_layout(const std::vector<float>& shares, const std::vector<float>& explode, float left,
                        float top, float width, float height, float inclination, float depth)
{
    pie_layout_t layout;
    if (width <= 0 || height <= 0) return layout;
    float incl = pie_inclination(inclination) * pi / 180.0f;
    // Never more side than half the rectangle, and the tilted top face keeps
    // at least a pixel.
    layout.depth = std::clamp(depth, 0.0f, height / 2.0f);
    layout.width = width;
    layout.height = std::max(1.0f, std::min(width * std::cos(incl), height - layout.depth));
    layout.x = left;
    layout.y = top + (height - layout.height - layout.depth) / 2.0f;

    float total = 0;
    for (float s : shares) total += std::max(0.0f, s);
    if (!(total > 0)) return layout;

    float angle = 0;
    for (size_t i = 0; i < shares.size(); ++i) {
        pie_slice_geometry_t slice;
        slice.start = angle;
        slice.sweep = std::max(0.0f, shares[i]) * 360.0f;
        slice.middle = angle + slice.sweep / 2.0f;
        float e = i < explode.size() ? explode[i] : 0.0f;
        if (e > 0) {
            float distance = width * e / 100.0f;
            float a = slice.middle * pi / 180.0f;
            // Along the slice's middle, flattened like the top face.
            slice.offset_x = distance * std::cos(a);
            slice.offset_y = distance * std::sin(a) * (layout.height / width);
        }
        layout.slices.push_back(slice);
        angle += slice.sweep;
    }
    return layout;
}

void pie_point(const pie_layout_t& layout, float angle, float radius_fraction, float& x, float& y)
{
    float a = layout.width / 2.0f, b = layout.height / 2.0f;
    float t = angle * pi / 180.0f;
    float c = std::cos(t), s = std::sin(t);
    // The ray at angle t meets the ellipse at distance ab / sqrt((b cos t)^2 + (a sin t)^2).
    float denominator = std::sqrt(b * b * c * c + a * a * s * s);
    float r = denominator > 0 ? a * b / denominator : 0.0f;
    x = layout.x + a + r * radius_fraction * c;
    y = layout.y + b + r * radius_fraction * s;
}

} // namespace tdu
