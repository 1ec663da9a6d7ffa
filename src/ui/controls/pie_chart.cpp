#include "ui/controls/pie_chart.h"

#include "common/win32_text.h"
#include "ui/model/pie_geometry.h"

#include <algorithm>
// GDI+ needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>
#include <gdiplus.h>

namespace tdu {

namespace {

const wchar_t pie_chart_class[] = L"tdu_pie_chart";
int gdiplus_users = 0;
ULONG_PTR gdiplus_token = 0;

Gdiplus::Color shaded(uint32_t argb, float factor)
{
    auto channel = [factor](uint32_t c) { return static_cast<BYTE>(std::min(255.0f, static_cast<float>(c) * factor)); };
    return Gdiplus::Color(static_cast<BYTE>(argb >> 24), channel((argb >> 16) & 0xFF), channel((argb >> 8) & 0xFF),
                          channel(argb & 0xFF));
}

} // namespace

gdiplus_session_t::gdiplus_session_t()
{
    if (gdiplus_users == 0) {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&gdiplus_token, &input, nullptr) != Gdiplus::Ok) return;
    }
    ++gdiplus_users;
    started_ = true;
}

gdiplus_session_t::~gdiplus_session_t()
{
    if (!started_) return;
    if (--gdiplus_users == 0) Gdiplus::GdiplusShutdown(gdiplus_token);
}

CPieChart::CPieChart() = default;

CPieChart::~CPieChart()
{
    // The window goes before GDI+ ends.
    if (hwnd_ && IsWindow(hwnd_)) {
        HWND window = hwnd_;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        DestroyWindow(window);
    }
    cache_.reset();
    delete gdiplus_;
}

HWND CPieChart::create(HWND parent, int id, int x, int y, int width, int height)
{
    if (!gdiplus_) gdiplus_ = new gdiplus_session_t;
    register_class(pie_chart_class, 0, nullptr);
    HWND window = window_c::create(pie_chart_class, parent, L"Pie Chart", WS_CHILD | WS_VISIBLE, 0, x, y, width,
                                   height, static_cast<UINT_PTR>(id));
    if (window) {
        // The label list's scroll bar: kept hidden.
        scroll_bar_ = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | SBS_VERT, width - 40, 10, 20,
                                      std::max(0, height - 20), window, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    return window;
}

void CPieChart::changed()
{
    cache_.reset();
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

int CPieChart::client_height() const
{
    RECT r{};
    if (hwnd_) GetClientRect(hwnd_, &r);
    return r.bottom;
}

void CPieChart::set_background(COLORREF colour)
{
    background_ = colour;
    changed();
}

void CPieChart::set_inclination(float degrees)
{
    inclination_ = pie_inclination(degrees);
    changed();
}

void CPieChart::set_depth(float pixels)
{
    depth_ratio_ = pie_depth_ratio(pixels, client_height());
    changed();
}

void CPieChart::set_label(bool on)
{
    labels_ = on;
    changed();
}

void CPieChart::set_pie_rect(const RECT& rect)
{
    pie_rect_ = rect;
    changed();
}

void CPieChart::clear_slices()
{
    slices_.clear();
    changed();
}

void CPieChart::add_slice(u16view label, double value, uint32_t argb)
{
    slice_t s;
    s.label = u16(label);
    s.value = value;
    s.argb = argb;
    slices_.push_back(s);
    std::vector<double> values;
    for (const auto& each : slices_) values.push_back(each.value);
    std::vector<float> shares = pie_shares(values);
    for (size_t i = 0; i < slices_.size(); ++i) slices_[i].share = shares[i];
    changed();
}

void CPieChart::set_explode(size_t slice, float percent)
{
    if (slice >= slices_.size()) return;
    slices_[slice].explode = std::max(0.0f, percent);
    changed();
}

void CPieChart::render(HDC dc, int width, int height) const
{
    using namespace Gdiplus;
    RECT all{0, 0, width, height};
    brush_t background(CreateSolidBrush(background_));
    FillRect(dc, &all, background.get());

    std::vector<float> shares, explode;
    for (const auto& s : slices_) {
        shares.push_back(s.share);
        explode.push_back(s.explode);
    }
    pie_layout_t layout = pie_layout(
        shares, explode, static_cast<float>(pie_rect_.left), static_cast<float>(pie_rect_.top),
        static_cast<float>(pie_rect_.right - pie_rect_.left), static_cast<float>(pie_rect_.bottom - pie_rect_.top),
        inclination_, pie_depth_pixels(depth_ratio_, height));
    if (layout.slices.empty()) return;

    Graphics g(dc);
    g.SetSmoothingMode(SmoothingModeAntiAlias);

    // The side: the part of each slice on the front half (0 to 180 degrees)
    // from the top face's edge down by the depth, a little darker.
    if (layout.depth >= 1.0f) {
        for (size_t i = 0; i < layout.slices.size(); ++i) {
            const pie_slice_geometry_t& s = layout.slices[i];
            float from = std::max(s.start, 0.0f), to = std::min(s.start + s.sweep, 180.0f);
            if (to <= from) continue;
            float x = layout.x + s.offset_x, y = layout.y + s.offset_y;
            GraphicsPath side;
            side.AddArc(x, y, layout.width, layout.height, from, to - from);
            side.AddArc(x, y + layout.depth, layout.width, layout.height, to, from - to);
            side.CloseFigure();
            SolidBrush brush(shaded(slices_[i].argb, 0.72f));
            g.FillPath(&brush, &side);
        }
    }

    // The top faces, with a fine light line between slices.
    Pen separator(Color(160, 255, 255, 255), 1.0f);
    for (size_t i = 0; i < layout.slices.size(); ++i) {
        const pie_slice_geometry_t& s = layout.slices[i];
        if (s.sweep <= 0) continue;
        SolidBrush brush(shaded(slices_[i].argb, 1.0f));
        float x = layout.x + s.offset_x, y = layout.y + s.offset_y;
        g.FillPie(&brush, x, y, layout.width, layout.height, s.start, s.sweep);
        if (s.sweep < 360.0f) g.DrawPie(&separator, x, y, layout.width, layout.height, s.start, s.sweep);
    }

    if (!labels_) return;
    FontFamily family(L"Verdana");
    Font font(&family, static_cast<REAL>(pie_label_points(height)), FontStyleRegular, UnitPoint);
    SolidBrush text(Color(255, 255, 255, 255));
    StringFormat centred;
    centred.SetAlignment(StringAlignmentCenter);
    centred.SetLineAlignment(StringAlignmentCenter);
    for (size_t i = 0; i < layout.slices.size(); ++i) {
        const pie_slice_geometry_t& s = layout.slices[i];
        if (s.sweep <= 0) continue;
        float x, y;
        pie_point(layout, s.middle, 0.62f, x, y);
        u16 label = pie_label_text(slices_[i].share);
        RectF box;
        g.MeasureString(wide(label.c_str()), static_cast<INT>(label.size()), &font, PointF(0, 0), &box);
        RectF place(x + s.offset_x - box.Width / 2, y + s.offset_y - box.Height / 2, box.Width, box.Height);
        g.DrawString(wide(label.c_str()), static_cast<INT>(label.size()), &font, place, &centred, &text);
    }
}

bool CPieChart::process_message(UINT message, WPARAM, LPARAM, LRESULT& result)
{
    switch (message) {
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_SIZE:
        changed();
        return false;
    case WM_PAINT: {
        paint_dc_t dc(hwnd_);
        RECT client;
        GetClientRect(hwnd_, &client);
        memory_dc_t memory(dc.get());
        if (!cache_ || cache_width_ != client.right || cache_height_ != client.bottom) {
            cache_.reset(CreateCompatibleBitmap(dc.get(), std::max(1L, client.right), std::max(1L, client.bottom)));
            cache_width_ = client.right;
            cache_height_ = client.bottom;
            selected_object_t bitmap(memory.get(), cache_.get());
            render(memory.get(), client.right, client.bottom);
        }
        selected_object_t bitmap(memory.get(), cache_.get());
        BitBlt(dc.get(), 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
        result = 0;
        return true;
    }
    default:
        return false;
    }
}

} // namespace tdu
