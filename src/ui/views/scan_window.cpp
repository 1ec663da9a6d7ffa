#include "ui/views/scan_window.h"

#include "app/app_messages.h"
#include "app/language.h"
#include "app/language_keys.h"
#include "common/win32_text.h"
#include "service/local_source.h"
#include "service/update_client.h"
#include "ui/model/language_layout.h"
#include "ui/model/scan_view_layout.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/views/side_bar.h"
#include "ui/dialogs/view_box.h"
#include "ui/win/memory_paint.h"

#include <ctime>

namespace tdu {

namespace {

constexpr COLORREF panel_frame_colour = RGB(0xC3, 0xDA, 0xF5);
constexpr COLORREF waiting_colour = RGB(0xFF, 0x00, 0x00);

void text_at(HDC dc, int x, int y, const u16& text)
{
    TextOutW(dc, x, y, wide(text.c_str()), static_cast<int>(text.size()));
}

// The start time as the user's clock shows it.
u16 local_clock(int64_t seconds)
{
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm* local = std::localtime(&t);
    if (!local) return clock_text(0, 0, 0);
    return clock_text(local->tm_hour, local->tm_min, local->tm_sec);
}

} // namespace

scan_window_c::scan_window_c(std::function<scan_services_t()> services)
    : view_run_host_c(timer_id), services_(std::move(services))
{
}

HWND scan_window_c::create_view(HWND parent, const RECT& rect)
{
    register_class(class_name);
    picture_.load(skin::scan_picture);
    header_.load(skin::scan_header);
    progress_.set_background(colour::band);
    progress_.set_tile(skin_image_c(skin::scan_progress_tile).make_pattern_brush());
    panel_frame_.reset(CreateSolidBrush(panel_frame_colour));
    light_band_.reset(CreateSolidBrush(colour::light_band));
    return create(class_name, parent, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
}

void scan_window_c::restart(int64_t now)
{
    scan_run_restart(run_, now);
    set_source_name(u16());
}

namespace {

// The driver folder the offers come from, if any: the folder beside the
// program shows once the service could not be reached and its run began.
const local_source_t* shown_source()
{
    const update_client_t& client = update_client();
    return client.local_source ? client.local_source.get()
           : client.fallback_source && client.fallback_source->progress.packages_total.load() > 0
               ? client.fallback_source.get()
               : nullptr;
}

} // namespace

u16 scan_window_c::source_line() const
{
    const local_source_t* source = shown_source();
    if (!source) return {};
    return driver_folder_line(language_table, source->folder, source->progress.packages_done.load(),
                              source->progress.packages_total.load());
}

void scan_window_c::update_source_name()
{
    u16 line = source_line();
    if (!line.empty()) set_source_name(line);
}

void scan_window_c::set_source_name(const u16& name)
{
    if (name == source_name_) return;
    source_name_ = name;
    SetWindowTextW(hwnd(), wide(name.c_str()));
}

void scan_window_c::reset_phase() { run_.phase = scan_phase_t::not_started; }

bool scan_window_c::process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result)
{
    switch (message) {
    case WM_CREATE:
        result = 0;
        return true;
    case WM_SIZE:
        layout(LOWORD(l), HIWORD(l));
        return true;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT:
        paint_window_buffered(hwnd(), [this](HDC dc, const RECT& client) { paint(dc, client); });
        return true;
    case WM_TIMER:
        if (w == timer_id) {
            scan_run_tick(run_, services_(), *this);
            if (scanning()) update_source_name();
        }
        return true;
    default:
        return false;
    }
}

void scan_window_c::layout(int width, int height)
{
    RECT measured{0, 0, 0, 0};
    {
        client_dc_t dc(hwnd());
        selected_object_t font(dc.get(), skin_font(font_verdana_9_bold));
        const u16& widest = language_text(lang::scan_status2);
        DrawTextW(dc.get(), wide(widest.c_str()), static_cast<int>(widest.size()), &measured,
                  DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
    }
    line_height_ = measured.bottom > 0 ? measured.bottom : 14;
    layout_rect_t b = scan_text_block(width, height, measured.right, line_height_);
    block_ = RECT{b.left, b.top, b.right, b.bottom};
}

void scan_window_c::paint(HDC dc, const RECT& client)
{
    const int width = client.right, height = client.bottom;
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    draw_side_bar_background(dc, width, height);
    SetBkMode(dc, TRANSPARENT);

    picture_.draw_at(dc, 15, 15);
    header_.draw_at(dc, width - 160 - 260, 15);
    SetTextColor(dc, colour::heading);
    {
        selected_object_t font(dc, skin_font(font_verdana_22));
        text_at(dc, 80, 28, language_text(lang::scan_scanning));
    }
    RECT panel{10, 85, width - 260, height - 60};
    FrameRect(dc, &panel, panel_frame_.get());
    {
        selected_object_t font(dc, skin_font(font_verdana_18));
        text_at(dc, block_.left, block_.top - 60, language_text(lang::scan_scanning_your_computer));
    }

    const scan_progress_t& progress = *run_.progress;
    const int32_t phase = static_cast<int32_t>(run_.phase);
    scan_lines_t lines = scan_status_lines(language_table, phase, local_clock(run_.start_time), run_.start_time, now,
                                           progress.processed_nodes.load(), progress.current_name().value_or(u16()));
    // Offers from a driver folder: the last line says which and how far
    // its index run is.
    bool folder_line = false;
    if (run_.phase == scan_phase_t::asking_service) {
        u16 line = source_line();
        if (!line.empty()) {
            folder_line = true;
            lines.lines[4] = line;
            set_source_name(line);
        }
    }
    layout_rect_t block{block_.left, block_.top, block_.right, block_.bottom};
    layout_rect_t line5{};
    SetTextColor(dc, RGB(0, 0, 0));
    {
        selected_object_t font(dc, skin_font(font_verdana_9_bold));
        for (int i = 1; i <= 5; ++i) {
            layout_rect_t line = scan_line_rect(block, line_height_, i);
            if (i % 2 == 1) {
                layout_rect_t band = scan_line_band(line);
                RECT r{band.left, band.top, band.right, band.bottom};
                FillRect(dc, &r, light_band_.get());
            }
            RECT r{line.left, line.top, line.right, line.bottom};
            const u16& text = lines.lines[i - 1];
            // A folder's path too long for the line loses its middle folders
            // ("C:\...\drivers"), so the counts stay in sight.
            const local_source_t* source = i == 5 && folder_line ? shown_source() : nullptr;
            const u16 fitted =
                source ? fitting_driver_folder_line(
                             language_table, source->folder, source->progress.packages_done.load(),
                             source->progress.packages_total.load(),
                             [dc](const u16& t) {
                                 SIZE size{};
                                 GetTextExtentPoint32W(dc, wide(t.c_str()), static_cast<int>(t.size()), &size);
                                 return static_cast<int>(size.cx);
                             },
                             line.right - line.left)
                       : text;
            DrawTextW(dc, wide(fitted.c_str()), static_cast<int>(fitted.size()), &r,
                      DT_SINGLELINE | DT_EXPANDTABS | DT_NOPREFIX);
            line5 = line;
        }
    }

    if (run_.phase == scan_phase_t::asking_service) {
        layout_rect_t box = scan_waiting_box(width, height, line5);
        RECT r{box.left, box.top, box.right, box.bottom};
        FillRect(dc, &r, light_band_.get());
        r.left += 45;
        SetTextColor(dc, waiting_colour);
        selected_object_t font(dc, skin_font(font_verdana_12_bold));
        u16 text = language_text(lang::scan_waiting) + dot_suffix(now);
        DrawTextW(dc, wide(text.c_str()), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }

    {
        // Every device has been examined while the service is asked; how long
        // its answer takes is unknown, so the bar shows a wait, not 100%.
        if (run_.phase == scan_phase_t::asking_service)
            progress_.set_marquee(static_cast<int64_t>(GetTickCount() / 200));
        else
            progress_.set_fraction(scan_fraction(progress.processed_nodes.load(), progress.total_nodes.load()));
        selected_object_t font(dc, skin_font(font_verdana_8));
        RECT bar{10, height - 40, width - 260, height - 20};
        SetTextColor(dc, RGB(255, 255, 255));
        progress_.draw(dc, bar);
    }

    side_bar_style_t style;
    style.long_labels = language_layout(language_code(language_table)).scan_long_side_bar_labels;
    draw_side_bar(dc, width, style);
}

// The view's name takes the driver folder line's last figures as the run
// ends, however short its wait for the offers was.
void scan_window_c::finished(uint32_t device_nodes)
{
    update_source_name();
    PostMessageW(GetParent(hwnd()), wm_scan_finished, device_nodes, 0);
}

void scan_window_c::show_home()
{
    update_source_name();
    PostMessageW(GetParent(hwnd()), wm_show_home, 0, 0);
}

void scan_window_c::retry() { PostMessageW(GetParent(hwnd()), wm_start_scan, 0, 0); }

} // namespace tdu
