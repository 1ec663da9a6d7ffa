#include "gallery_window.h"

#include "common/win32_text.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/win/memory_paint.h"
#include "tdu_version.h"

#include <cwchar>
#include <string>

namespace tdu::gallery {

namespace {

const wchar_t gallery_class[] = L"tdu_gallery";
const wchar_t row_class[] = L"tdu_gallery_row";

void heading(HDC dc, int x, int y, const wchar_t* text)
{
    selected_object_t font(dc, skin_font(font_verdana_12_bold));
    SetTextColor(dc, colour::heading);
    TextOutW(dc, x, y, text, lstrlenW(text));
}

void fill(HDC dc, const RECT& r, COLORREF c)
{
    brush_t b(CreateSolidBrush(c));
    FillRect(dc, &r, b.get());
}

} // namespace

bool gallery_row_c::open(HWND parent, int number)
{
    number_ = number;
    progress_.set_expected_size(4 * 1024 * 1024);
    progress_.set_bytes_done(number * 512 * 1024);
    register_class(row_class, 0, nullptr);
    return create(row_class, parent, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 10, 10) != nullptr;
}

bool gallery_row_c::process_message(UINT message, WPARAM, LPARAM, LRESULT& result)
{
    if (message == WM_ERASEBKGND) {
        result = 1;
        return true;
    }
    if (message != WM_PAINT) return false;
    paint_dc_t dc(hwnd_);
    RECT client;
    GetClientRect(hwnd_, &client);
    memory_paint_c paint(dc.get(), client);
    HDC m = paint.dc();
    fill(m, client, number_ % 2 ? colour::light_band : colour::white);
    RECT line{client.left, client.bottom - 1, client.right, client.bottom};
    fill(m, line, colour::frame);
    SetBkMode(m, TRANSPARENT);
    {
        selected_object_t font(m, skin_font(font_verdana_10_bold));
        SetTextColor(m, colour::value_text);
        std::wstring name = L"Device " + std::to_wstring(number_ + 1);
        TextOutW(m, 10, 12, name.c_str(), static_cast<int>(name.size()));
    }
    selected_object_t font(m, skin_font(font_verdana_8));
    SetTextColor(m, RGB(0x33, 0x33, 0x33));
    progress_.draw(m, RECT{client.right - 190, 11, client.right - 20, 29});
    result = 0;
    return true;
}

gallery_window_c::gallery_window_c() : ui_window_c(100), strip_brush_(CreateSolidBrush(colour::band)) {}

gallery_window_c::~gallery_window_c()
{
    if (box_images_) ImageList_Destroy(box_images_);
}

bool gallery_window_c::open()
{
    register_class(gallery_class, CS_DBLCLKS, nullptr);
    if (!create(gallery_class, nullptr, L"Tavrill Driver Updater", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                                                                        WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
                                                                        WS_CLIPCHILDREN,
                0, 20, 20, width, height))
        return false;
    tile_.load(skin::caption_tile);
    tile_brush_.reset(tile_.make_pattern_brush());
    band_tile = tile_brush_.get();
    band_tile_height = tile_.height();
    add_band_buttons();
    create_children();
    apply_window_region();
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
    redraw_frame();
    return true;
}

void gallery_window_c::add_band_buttons()
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // Navigation buttons in the states normal, hover, pressed, normal, and
    // one disabled (drawn as normal: the band has no disabled look).
    const struct {
        int first;
        const char16_t* label;
        int state;
    } navigation[] = {{skin::nav_home, u"Home", button_normal},
                      {skin::nav_download, u"Download", button_hover},
                      {skin::nav_backup, u"Backup", button_pressed},
                      {skin::nav_restore, u"Restore", button_normal},
                      {skin::nav_settings, u"Settings", button_normal}};
    const int lefts[] = {10, 92, 174, 256, 338};
    for (int i = 0; i < 5; ++i) {
        auto b = std::make_unique<top_button_c<gallery_window_c>>();
        int left = frame_width + lefts[i];
        b->create(instance, navigation[i].first, navigation[i].first + 1, navigation[i].first + 2, left,
                  frame_height + 23, left + 80, frame_height + 90, navigation[i].label);
        b->font = skin_font(font_verdana_8_bold);
        b->state = navigation[i].state;
        b->set_action(this, &gallery_window_c::nothing);
        add_caption_button(std::move(b));
    }
    // Caption buttons from the right: close (in hover), maximise, minimise, drop-down.
    const struct {
        int first;
        int width;
        int state;
    } captions[] = {{skin::caption_close, 23, button_hover},
                    {skin::caption_maximise, 23, button_normal},
                    {skin::caption_minimise, 24, button_normal},
                    {skin::caption_dropdown, 24, button_normal}};
    for (int i = 0; i < 4; ++i) {
        auto b = std::make_unique<system_button_c<gallery_window_c>>();
        int left = frame_width + 30 * i;
        b->create(instance, captions[i].first, captions[i].first + 1, captions[i].first + 2, left, frame_height,
                  left + captions[i].width, frame_height + 21, u"");
        b->state = captions[i].state;
        b->set_action(this, &gallery_window_c::nothing);
        add_caption_button(std::move(b));
    }
    auto logo = std::make_unique<system_button_c<gallery_window_c>>();
    logo->create(instance, skin::logo, skin::logo, skin::logo, frame_width + 20, frame_height + 40,
                 frame_width + 20 + 184, frame_height + 90, u"");
    add_caption_button(std::move(logo));
}

void gallery_window_c::create_children()
{
    const int ids[3] = {skin::box_button, skin::box_button_pushed, skin::box_button_hover};
    box_images_ = make_skin_image_list(ids, 3, 70, 24);
    const wchar_t* labels[4] = {L"Normal", L"Hover", L"Pressed", L"Disabled"};
    for (int i = 0; i < 4; ++i) {
        image_buttons_[i].create(hwnd_, 100 + i, 20 + 90 * i, 43, 70, 24, labels[i]);
        image_buttons_[i].set_image_list(box_images_);
        // The hover sample shows its hover image as its picture.
        image_buttons_[i].set_images(i == 1 ? 2 : 0, 1, 2);
        image_buttons_[i].set_font(skin_font(font_verdana_9_bold));
        image_buttons_[i].set_text_colour(colour::white);
    }
    SendMessageW(image_buttons_[2].hwnd(), BM_SETSTATE, TRUE, 0);
    EnableWindow(image_buttons_[3].hwnd(), FALSE);

    const char16_t* row_labels[3] = {u"Download", u"Pause", u"Install"};
    RECT client;
    GetClientRect(hwnd_, &client);
    for (int i = 0; i < 3; ++i) {
        // Measured from the right edge of the client area.
        int left = 20 + 100 * i;
        row_buttons_[i].create(GetModuleHandleW(nullptr), skin::row_button, skin::row_button + 1,
                               skin::row_button + 2, client.right - left - 80, 90, client.right - left, 112,
                               row_labels[i]);
        row_buttons_[i].font = skin_font(font_verdana_8_bold);
        row_buttons_[i].state = i;
    }

    progress_high_.set_background(colour::light_band);
    skin_image_c progress_tile(skin::scan_progress_tile);
    progress_high_.set_tile(progress_tile.make_pattern_brush());
    progress_high_.set_fraction(0.999f);
    progress_half_.set_background(colour::light_band);
    progress_half_.set_tile(progress_tile.make_pattern_brush());
    progress_half_.set_fraction(0.45f);
    row_box_.set_expected_size(2 * 1024 * 1024);
    row_box_.set_bytes_done(512 * 1024);

    link_.create(hwnd_, 200, 20, 275, 200, 20);
    link_.set_label(u"Frequently asked questions");
    link_.set_font(skin_font(font_verdana_8));
    visited_link_.create(hwnd_, 201, 240, 275, 200, 20);
    visited_link_.set_label(u"Visited link");
    visited_link_.set_font(skin_font(font_verdana_8));
    visited_link_.open_address = [](const u16&) { return true; };
    visited_link_.set_address(u"about:visited");
    visited_link_.open();

    pie_.create(hwnd_, 300, 450, 35, 280, 260);
    pie_.set_background(colour::white);
    pie_.set_inclination(50);
    pie_.set_depth(18);
    pie_.set_pie_rect(RECT{10, 20, 270, 220});
    pie_.add_slice(u"Out of date", 2, 0xFFE0583C);
    pie_.add_slice(u"No driver", 1, 0xFFF2B233);
    pie_.add_slice(u"Up to date", 4, 0xFF3C8ADB);

    list_.create(hwnd_, 400, 20, 335, 400, 170);
    for (int i = 0; i < 8; ++i) {
        auto row = std::make_unique<gallery_row_c>();
        if (row->open(list_.hwnd(), i)) list_.add_row(std::move(row), 40);
    }
    list_.scroll_to(60);
}

void gallery_window_c::draw_band_content(HDC dc, const RECT&)
{
    draw_window_title(dc, 30, 8);
    selected_object_t font(dc, skin_font(font_verdana_8_bold));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour::caption_text);
    TextOutW(dc, 195, 8, L"" TDU_VERSION_TEXT, static_cast<int>(std::wcslen(L"" TDU_VERSION_TEXT)));
}

void gallery_window_c::paint_client(HDC dc, const RECT& client)
{
    fill(dc, client, colour::white);
    SetBkMode(dc, TRANSPARENT);
    // The side bar.
    RECT side{client.right - 250, 0, client.right, client.bottom};
    fill(dc, side, colour::side_bar);
    RECT edge{side.left, 0, side.left + 1, client.bottom};
    fill(dc, edge, colour::side_bar_edge);
    heading(dc, side.left + 15, 10, L"Side bar");
    {
        selected_object_t font(dc, skin_font(font_verdana_8));
        const wchar_t* names[] = {L"Out of date:", L"No driver:", L"Up to date:"};
        const wchar_t* values[] = {L"2", L"1", L"4"};
        for (int i = 0; i < 3; ++i) {
            SetTextColor(dc, RGB(0x33, 0x33, 0x33));
            TextOutW(dc, side.left + 15, 40 + 22 * i, names[i], lstrlenW(names[i]));
            SetTextColor(dc, colour::value_text);
            TextOutW(dc, side.left + 130, 40 + 22 * i, values[i], lstrlenW(values[i]));
        }
    }

    heading(dc, 20, 10, L"Buttons");
    RECT strip{10, 35, 390, 75};
    FillRect(dc, &strip, strip_brush_.get());
    for (auto& b : row_buttons_) b.draw(dc, client);

    heading(dc, 20, 125, L"Progress");
    selected_object_t font(dc, skin_font(font_verdana_8_bold));
    SetTextColor(dc, colour::band);
    progress_high_.draw(dc, RECT{20, 152, 420, 172});
    progress_half_.draw(dc, RECT{20, 180, 420, 200});
    SetTextColor(dc, RGB(0x33, 0x33, 0x33));
    row_box_.draw(dc, RECT{20, 210, 220, 228});

    heading(dc, 20, 248, L"Links");
    heading(dc, 20, 308, L"Scrolled list");
    heading(dc, 450, 10, L"Pie chart");
}

bool gallery_window_c::process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result)
{
    if (ui_process_message(message, w, l, result)) return true;
    switch (message) {
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT: {
        paint_dc_t dc(hwnd_);
        RECT client;
        GetClientRect(hwnd_, &client);
        memory_paint_c paint(dc.get(), client);
        paint_client(paint.dc(), client);
        result = 0;
        return true;
    }
    case WM_CTLCOLORBTN:
        result = reinterpret_cast<LRESULT>(strip_brush_.get());
        return true;
    case WM_CTLCOLORSTATIC:
        result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        return true;
    case WM_DESTROY:
        PostQuitMessage(0);
        return false;
    default:
        return false;
    }
}

} // namespace tdu::gallery
