// Chinese and Japanese interface texts draw as their characters with the
// skin's fonts (Verdana and Arial, bold and regular, made as the skin makes
// them), not as boxes. Under Wine the faces are replaced by fonts without
// CJK glyphs; the prefix links them to a CJK font. The base font itself has
// no such glyph (GetGlyphIndicesW marks it missing), so only what is drawn
// tells: each character must draw, unlike a character that no font has, and
// unlike the next one.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int cell = 48;

struct skin_font_t {
    const char* name;
    const wchar_t* face;
    int points;
    int weight;
};

HFONT make_skin_font(const skin_font_t& spec)
{
    return CreateFontW(-MulDiv(spec.points, 96, 72), 0, 0, 0, spec.weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, spec.face);
}

// The pixels of one character drawn black on white.
std::vector<uint32_t> draw_character(const skin_font_t& spec, wchar_t character)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = cell;
    info.bmiHeader.biHeight = -cell;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC dc = CreateCompatibleDC(nullptr);
    uint32_t* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
    HFONT font = make_skin_font(spec);
    HGDIOBJ old_font = SelectObject(dc, font);
    RECT all = {0, 0, cell, cell};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutW(dc, 4, 4, &character, 1);
    GdiFlush();
    std::vector<uint32_t> pixels(bits, bits + cell * cell);
    SelectObject(dc, old_font);
    DeleteObject(font);
    SelectObject(dc, old_bitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

int inked(const std::vector<uint32_t>& pixels)
{
    int count = 0;
    for (uint32_t p : pixels) count += (p & 0xffffff) != 0xffffff;
    return count;
}

// the skin's faces in both weights, and the common controls' face
const skin_font_t skin_fonts[] = {
    {"Verdana", L"Verdana", 8, FW_NORMAL},  {"Verdana", L"Verdana", 9, FW_BOLD},
    {"verdana", L"verdana", 12, FW_NORMAL}, {"verdana", L"verdana", 16, FW_BOLD},
    {"Arial", L"Arial", 8, FW_NORMAL},      {"Arial", L"Arial", 25, FW_BOLD},
    {"Tahoma", L"Tahoma", 8, FW_NORMAL},    {"Tahoma", L"Tahoma", 8, FW_BOLD},
};

TEST(cjk_text, draws_its_characters_with_every_skin_font)
{
    // Japanese, Simplified and Traditional Chinese, from the language names
    // and the Japanese texts
    const wchar_t characters[] = {L'\x65E5', L'\x672C', L'\x8A9E', L'\x7B80', L'\x9AD4', L'\x30B9'};
    const wchar_t nowhere = L'\xE000';  // private use: no font draws it
    for (const auto& spec : skin_fonts) {
        SCOPED_TRACE(testing::Message() << spec.name << " " << spec.points << " pt, weight " << spec.weight);
        std::vector<uint32_t> missing = draw_character(spec, nowhere);
        std::vector<std::vector<uint32_t>> drawn;
        for (wchar_t c : characters) {
            drawn.push_back(draw_character(spec, c));
            EXPECT_GT(inked(drawn.back()), 0) << "U+" << std::hex << static_cast<int>(c) << " drew nothing";
            EXPECT_NE(drawn.back(), missing) << "U+" << std::hex << static_cast<int>(c) << " drew a box";
        }
        for (size_t i = 0; i + 1 < drawn.size(); ++i) EXPECT_NE(drawn[i], drawn[i + 1]) << "characters " << i;
    }
}

} // namespace
