// The skin's bitmaps and icons as the windows load them: compiled into this
// test program from the generated resource script, loaded with LoadImageW
// as DIB sections, and drawn with AlphaBlend and DrawIconEx into a DIB whose
// pixels the tests read.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <vector>

namespace {

struct expected_bitmap_t {
    int id;
    int width;
    int height;
};

HBITMAP load_skin_bitmap(int id)
{
    return static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0,
                                           LR_CREATEDIBSECTION));
}

// A 32-bit top-down DIB filled with one colour, selected into a memory DC.
class pixel_canvas_c {
public:
    pixel_canvas_c(int width, int height, COLORREF fill) : width_(width)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        HBRUSH brush = CreateSolidBrush(fill);
        RECT all = {0, 0, width, height};
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }
    ~pixel_canvas_c()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    pixel_canvas_c(const pixel_canvas_c&) = delete;
    pixel_canvas_c& operator=(const pixel_canvas_c&) = delete;

    HDC dc() const { return dc_; }
    // the pixel as a COLORREF-style 0x00BBGGRR
    COLORREF at(int x, int y) const
    {
        GdiFlush();
        uint32_t p = bits_[y * width_ + x];
        return RGB((p >> 16) & 0xff, (p >> 8) & 0xff, p & 0xff);
    }

private:
    int width_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    uint32_t* bits_ = nullptr;
};

void draw_alpha(HDC target, int id, int x, int y)
{
    HBITMAP bitmap = load_skin_bitmap(id);
    ASSERT_NE(bitmap, nullptr);
    BITMAP info = {};
    GetObjectW(bitmap, sizeof info, &info);
    HDC source = CreateCompatibleDC(target);
    HGDIOBJ old = SelectObject(source, bitmap);
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    EXPECT_TRUE(AlphaBlend(target, x, y, info.bmWidth, info.bmHeight, source, 0, 0, info.bmWidth, info.bmHeight,
                           blend));
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(bitmap);
}

bool near_colour(COLORREF a, COLORREF b, int tolerance)
{
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

TEST(skin_bitmaps, load_as_32_bit_dib_sections_of_their_sizes)
{
    // one or more of every kind of picture the views and dialogs load
    const expected_bitmap_t table[] = {
        {236, 80, 70},  {272, 80, 70},   {273, 5, 24},    {274, 24, 21},   {288, 23, 21},  {335, 184, 50},
        {323, 31, 21},  {351, 48, 48},   {354, 48, 48},   {356, 70, 24},   {358, 70, 24},  {340, 64, 64},
        {341, 460, 2},  {348, 130, 24},  {290, 450, 120}, {462, 450, 120}, {467, 450, 120}, {300, 520, 100},
        {412, 520, 100}, {455, 520, 100}, {293, 18, 2},   {297, 470, 70},  {295, 48, 48},  {302, 520, 20},
        {303, 160, 60}, {307, 80, 22},   {310, 5, 40},    {363, 7, 21},    {365, 38, 32},  {364, 16, 16},
        {369, 106, 27}, {470, 220, 100}, {474, 65, 20},   {475, 16, 16},   {331, 80, 22},  {332, 2, 160},
    };
    for (const auto& expected : table) {
        SCOPED_TRACE(expected.id);
        HBITMAP bitmap = load_skin_bitmap(expected.id);
        ASSERT_NE(bitmap, nullptr);
        DIBSECTION dib = {};
        ASSERT_EQ(GetObjectW(bitmap, sizeof dib, &dib), static_cast<int>(sizeof dib)) << "not a DIB section";
        EXPECT_EQ(dib.dsBm.bmWidth, expected.width);
        EXPECT_EQ(dib.dsBm.bmHeight, expected.height);
        EXPECT_EQ(dib.dsBm.bmBitsPixel, 32);
        DeleteObject(bitmap);
    }
}

TEST(skin_bitmaps, blend_by_their_own_alpha)
{
    // the error icon over the message box's light-blue body: the corners
    // keep the body's colour, the middle of the disc is red, and the white
    // cross shows
    const COLORREF body = RGB(0xE2, 0xF0, 0xFD);
    pixel_canvas_c canvas(48, 48, body);
    draw_alpha(canvas.dc(), 351, 0, 0);
    EXPECT_EQ(canvas.at(0, 0), body);
    EXPECT_EQ(canvas.at(47, 47), body);
    COLORREF disc = canvas.at(10, 24);
    EXPECT_GT(GetRValue(disc), 180);
    EXPECT_LT(GetGValue(disc), 120);
    EXPECT_TRUE(near_colour(canvas.at(24, 24), RGB(255, 255, 255), 8));
}

TEST(skin_bitmaps, caption_buttons_stay_on_the_band_until_hovered)
{
    // normal: the band shows around the glyph; hover of close: red
    const COLORREF band = RGB(0x15, 0x50, 0x92);
    pixel_canvas_c canvas(50, 21, band);
    draw_alpha(canvas.dc(), 286, 0, 0);
    draw_alpha(canvas.dc(), 287, 25, 0);
    EXPECT_EQ(canvas.at(1, 1), band);
    COLORREF hover = canvas.at(27, 2);
    EXPECT_GT(GetRValue(hover), 180);
    EXPECT_LT(GetBValue(hover), 100);
}

TEST(skin_icons, load_at_the_system_sizes_with_alpha)
{
    for (int id : {128, 373}) {
        for (int size : {16, 32, 48}) {
            SCOPED_TRACE(testing::Message() << "icon " << id << " at " << size);
            HICON icon = static_cast<HICON>(
                LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
            ASSERT_NE(icon, nullptr);
            ICONINFO info = {};
            ASSERT_TRUE(GetIconInfo(icon, &info));
            BITMAP colour = {};
            GetObjectW(info.hbmColor, sizeof colour, &colour);
            EXPECT_EQ(colour.bmWidth, size);
            EXPECT_EQ(colour.bmHeight, size);

            // drawn over white: the corner stays white, the left of the square is blue
            pixel_canvas_c canvas(size, size, RGB(255, 255, 255));
            EXPECT_TRUE(DrawIconEx(canvas.dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL));
            EXPECT_EQ(canvas.at(0, 0), RGB(255, 255, 255));
            COLORREF middle = canvas.at(size / 8, size / 2);
            EXPECT_GT(GetBValue(middle), GetRValue(middle) + 40);

            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(icon);
        }
    }
}

} // namespace
