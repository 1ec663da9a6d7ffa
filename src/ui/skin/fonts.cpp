#include "ui/skin/fonts.h"

namespace tdu {

namespace {

struct font_spec_t {
    const wchar_t* face;
    int points;
    int weight;
};

// In the order of skin_font_t.
const font_spec_t font_specs[skin_font_count] = {
    {L"Arial", 8, FW_NORMAL},    {L"Arial", 11, FW_NORMAL},   {L"Arial", 15, FW_NORMAL},
    {L"Arial", 16, FW_NORMAL},   {L"Arial", 18, FW_NORMAL},   {L"Arial", 18, FW_BOLD},
    {L"Arial", 25, FW_BOLD},     {L"Verdana", 8, FW_NORMAL},  {L"Verdana", 8, FW_NORMAL},
    {L"Verdana", 10, FW_NORMAL}, {L"Verdana", 8, FW_BOLD},    {L"Verdana", 9, FW_BOLD},
    {L"Verdana", 10, FW_BOLD},   {L"verdana", 12, FW_BOLD},   {L"verdana", 12, FW_NORMAL},
    {L"verdana", 14, FW_NORMAL}, {L"verdana", 16, FW_NORMAL}, {L"verdana", 18, FW_NORMAL},
    {L"verdana", 22, FW_NORMAL}, {L"verdana", 25, FW_NORMAL}, {L"verdana", 16, FW_BOLD},
};

HFONT fonts[skin_font_count] = {};

HFONT make_font(const font_spec_t& spec)
{
    return CreateFontW(skin_font_height(spec.points), 0, 0, 0, spec.weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, spec.face);
}

} // namespace

int skin_font_height(int points) { return -MulDiv(points, 96, 72); }

bool create_skin_fonts()
{
    bool all = true;
    for (int i = 0; i < skin_font_count; ++i) {
        if (!fonts[i]) fonts[i] = make_font(font_specs[i]);
        if (!fonts[i]) all = false;
    }
    return all;
}

void destroy_skin_fonts()
{
    for (HFONT& f : fonts) {
        if (f) DeleteObject(f);
        f = nullptr;
    }
}

HFONT skin_font(skin_font_t font)
{
    if (font < 0 || font >= skin_font_count) return nullptr;
    if (!fonts[font]) fonts[font] = make_font(font_specs[font]);
    return fonts[font];
}

SIZE skin_text_size(HDC dc, skin_font_t font, u16view text)
{
    HGDIOBJ old = SelectObject(dc, skin_font(font));
    SIZE size{};
    GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    return size;
}

skin_font_t first_fitting_font(HDC dc, std::initializer_list<skin_font_t> fonts,
                               std::initializer_list<text_room_t> texts)
{
    skin_font_t chosen = font_verdana_8;
    for (skin_font_t font : fonts) {
        chosen = font;
        bool fits = true;
        for (const text_room_t& t : texts) fits = fits && skin_text_size(dc, font, t.text).cx <= t.room;
        if (fits) break;
    }
    return chosen;
}

} // namespace tdu
