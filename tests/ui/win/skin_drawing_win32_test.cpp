// Drawing into DIBs in-process and reading pixels back: alpha blending,
// transparent copies, memory painting, the pie's slices, the progress bar,
// and wrapped text that always ends.
#include "ui/skin/button.h"
#include "ui/controls/pie_chart.h"
#include "ui/controls/progress_bar.h"
#include "ui/model/pie_geometry.h"
#include "ui/skin/skin_ids.h"
#include "ui/skin/skin_image.h"
#include "ui/skin/wrapped_text.h"
#include "ui/win/memory_paint.h"
#include "window_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace tdu;
using namespace tdu::test;

namespace {

// A 32-bit top-down DIB section holding `pixels` (0xAARRGGBB, premultiplied).
HBITMAP make_dib(int width, int height, const std::vector<uint32_t>& pixels)
{
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    memcpy(bits, pixels.data(), pixels.size() * 4);
    return bitmap;
}

bool close_colour(uint32_t a, uint32_t b, int tolerance = 3)
{
    for (int shift : {0, 8, 16})
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

} // namespace

TEST(SkinImage, AlphaBlendsTransparentCopiesAndPlainCopies)
{
    // A button corner: opaque red, half-transparent red, fully transparent.
    skin_image_c corner;
    corner.adopt(make_dib(3, 1, {0xFFFF0000, 0x80800000, 0x00000000}));
    ASSERT_TRUE(corner.has_alpha());
    EXPECT_EQ(corner.width(), 3);

    // 32 bits with every alpha byte 0: plain colour, copied as it is.
    skin_image_c opaque;
    opaque.adopt(make_dib(1, 1, {0x0000FF00}));
    EXPECT_FALSE(opaque.has_alpha());

    // Magenta left out of a transparent copy.
    skin_image_c keyed;
    keyed.adopt(make_dib(2, 1, {0x00FF00FF, 0x000000FF}));
    keyed.set_transparent(RGB(255, 0, 255));

    dib_t target(10, 3);
    target.fill(RGB(255, 255, 255));
    corner.draw_at(target.dc(), 0, 0);
    opaque.draw_at(target.dc(), 0, 1);
    keyed.draw_at(target.dc(), 0, 2);
    // A missing image draws nothing.
    skin_image_c missing(60000);
    EXPECT_FALSE(missing.loaded());
    missing.draw_at(target.dc(), 5, 0);

    picture_t p = target.picture();
    EXPECT_TRUE(close_colour(p.at(0, 0), 0xFF0000)) << std::hex << p.at(0, 0);
    EXPECT_TRUE(close_colour(p.at(1, 0), 0xFF7F7F)) << std::hex << p.at(1, 0);
    EXPECT_EQ(p.at(2, 0), 0xFFFFFFu);
    EXPECT_EQ(p.at(0, 1), 0x00FF00u);
    EXPECT_EQ(p.at(0, 2), 0xFFFFFFu);
    EXPECT_EQ(p.at(1, 2), 0x0000FFu);
    EXPECT_EQ(p.at(5, 0), 0xFFFFFFu);
}

TEST(MemoryPaint, DrawsInTargetCoordinatesAndCopiesOnlyItsRectangle)
{
    dib_t target(40, 40);
    target.fill(RGB(255, 255, 255));
    {
        memory_paint_c paint(target.dc(), RECT{10, 10, 30, 30});
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        RECT everything{0, 0, 40, 40};
        FillRect(paint.dc(), &everything, red);
        DeleteObject(red);
        // Not yet on the target.
        EXPECT_EQ(target.picture().at(15, 15), 0xFFFFFFu);
    }
    picture_t p = target.picture();
    EXPECT_EQ(p.at(10, 10), 0xFF0000u);
    EXPECT_EQ(p.at(29, 29), 0xFF0000u);
    EXPECT_EQ(p.at(9, 9), 0xFFFFFFu);
    EXPECT_EQ(p.at(30, 30), 0xFFFFFFu);
}

TEST(PieChart, ThreeSlicesInTheirColoursAndNothingForAnEmptyTotal)
{
    CPieChart chart;
    chart.set_label(false);
    chart.set_background(RGB(255, 255, 255));
    chart.set_inclination(40);
    chart.set_depth(15);
    chart.set_pie_rect(RECT{10, 10, 190, 170});
    const uint32_t colours[3] = {0xFFE04040, 0xFF40A040, 0xFF4070E0};
    chart.add_slice(u"out of date", 2, colours[0]);
    chart.add_slice(u"no driver", 1, colours[1]);
    chart.add_slice(u"up to date", 3, colours[2]);

    dib_t dib(200, 180);
    chart.render(dib.dc(), 200, 180);
    picture_t p = dib.picture();

    // Each slice's middle, halfway out, shows its colour.
    std::vector<float> shares = pie_shares({2, 1, 3});
    pie_layout_t layout =
        pie_layout(shares, {}, 10, 10, 180, 160, 40, pie_depth_pixels(pie_depth_ratio(15, 0), 180));
    for (int i = 0; i < 3; ++i) {
        float x, y;
        pie_point(layout, layout.slices[i].middle, 0.5f, x, y);
        EXPECT_TRUE(close_colour(p.at(static_cast<int>(x), static_cast<int>(y)), colours[i] & 0xFFFFFF, 2))
            << "slice " << i << ": " << std::hex << p.at(static_cast<int>(x), static_cast<int>(y));
    }
    // The corner stays background.
    EXPECT_EQ(p.at(2, 2), 0xFFFFFFu);

    // All values 0: only the background.
    CPieChart empty;
    empty.set_background(RGB(255, 255, 255));
    empty.add_slice(u"a", 0, colours[0]);
    empty.add_slice(u"b", 0, colours[1]);
    dib_t blank(100, 100);
    empty.render(blank.dc(), 100, 100);
    picture_t b = blank.picture();
    for (uint32_t px : b.pixels) ASSERT_EQ(px & 0xFFFFFF, 0xFFFFFFu);

    // A chart 2 pixels high with labels on draws without fault.
    CPieChart tiny;
    tiny.set_depth(10);
    tiny.add_slice(u"a", 1, colours[0]);
    dib_t small(50, 2);
    tiny.render(small.dc(), 50, 2);
}

TEST(ProgressBar, TiledPartFollowsTheFraction)
{
    tiled_progress_c bar;
    bar.set_background(RGB(255, 255, 255));
    bar.set_tile(CreateSolidBrush(RGB(0, 128, 0)));
    bar.set_fraction(0.5f);
    dib_t dib(200, 20);
    bar.draw(dib.dc(), RECT{0, 0, 200, 20});
    picture_t p = dib.picture();
    EXPECT_EQ(p.at(2, 2), 0x008000u);
    EXPECT_EQ(p.at(98, 2), 0x008000u);
    EXPECT_EQ(p.at(101, 2), 0xFFFFFFu);
    EXPECT_EQ(p.at(198, 2), 0xFFFFFFu);
}

TEST(WrappedText, EndsEvenWhenACharacterIsWiderThanTheRectangle)
{
    dib_t dib(100, 400);
    dib.fill(RGB(255, 255, 255));
    SelectObject(dib.dc(), GetStockObject(DEFAULT_GUI_FONT));
    RECT narrow{10, 0, 12, 400};
    draw_wrapped_text(dib.dc(), u"WWWW", narrow, 2, DT_LEFT);
    TEXTMETRICW tm{};
    GetTextMetricsW(dib.dc(), &tm);
    // Four lines, one character each.
    EXPECT_EQ(narrow.bottom, 4 * tm.tmHeight + 3 * 2);

    RECT measured{0, 0, 60, 10};
    draw_wrapped_text(dib.dc(), u"one two three four five six", measured, 0, DT_CALCRECT);
    EXPECT_GT(measured.bottom, tm.tmHeight);
}

namespace {
struct owner_t {
    void click() {}
};
} // namespace

TEST(OwnerDrawnButtons, PlacesOfTheKinds)
{
    const RECT owner{0, 0, 1000, 600};
    HINSTANCE instance = GetModuleHandleW(nullptr);

    // Centred left of the 250-pixel side bar, at the normal image's size.
    home_button_c<owner_t> home;
    ASSERT_TRUE(home.create(instance, skin::home_scan_button, skin::home_scan_button + 1, skin::home_scan_button + 2,
                            0, 0, 0, 0, u"scan"));
    RECT placed = home.placed(owner);
    EXPECT_EQ(placed.left, (1000 - 250) / 2 - 225);
    EXPECT_EQ(placed.top, (600 - 150) / 2);
    EXPECT_EQ(placed.right - placed.left, 450);
    EXPECT_EQ(placed.bottom - placed.top, 120);
    EXPECT_TRUE(home.hit_test(POINT{placed.left + 1, placed.top + 1}, owner));
    EXPECT_FALSE(home.hit_test(POINT{placed.left - 1, placed.top + 1}, owner));

    // From the right edge: the hit test mirrors x, the image lands at width - right.
    download_button_c<owner_t> row;
    ASSERT_TRUE(row.create(instance, skin::row_button, skin::row_button + 1, skin::row_button + 2, 20, 10, 100, 32,
                           u"Download"));
    EXPECT_TRUE(row.hit_test(POINT{1000 - 21, 11}, owner));
    EXPECT_TRUE(row.hit_test(POINT{1000 - 99, 31}, owner));
    EXPECT_FALSE(row.hit_test(POINT{1000 - 19, 11}, owner));
    dib_t dib(1000, 40);
    dib.fill(RGB(255, 0, 255));
    row.state = button_pressed;
    row.draw(dib.dc(), owner);
    picture_t p = dib.picture();
    EXPECT_NE(p.at(1000 - 100, 12), 0xFF00FFu) << "the image starts at width - right";
    EXPECT_EQ(p.at(1000 - 101, 12), 0xFF00FFu);
    EXPECT_EQ(p.at(1000 - 19, 12), 0xFF00FFu);
}
