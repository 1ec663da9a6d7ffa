#include "ui/views/download_window.h"

#include "ui/views/results_messages.h"
#include "app/language.h"
#include "app/language_keys.h"
#include "app/language_format.h"
#include "backup/update_backup.h"
#include "common/win32_text.h"
#include "devices/device_class.h"
#include "ui/dialogs/ignored_window.h"
#include "ui/model/language_layout.h"
#include "ui/model/results_view_model.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/skin/skin_image.h"
#include "ui/skin/wrapped_text.h"
#include "ui/dialogs/view_box.h"
#include "ui/win/memory_paint.h"

#include <windowsx.h>

#include <algorithm>

namespace tdu {

namespace {

constexpr COLORREF side_bar_colour = RGB(0xF4, 0xF7, 0xFC);
constexpr COLORREF selector_text_colour = RGB(0x47, 0x83, 0xC3);
// Below the chart box (which ends at 370): the FAQ link, then the WHQL note.
constexpr int faq_top = 378;
constexpr int whql_top = 404;
// To the view itself: apply the ignore list a row's menu left in
// pending_ignore_ (the row that asked is gone by then).
constexpr UINT wm_apply_pending_ignore = WM_APP + 20;

u16 count_text(language_key_t key, int64_t value)
{
    return format_language_text(language_text(key), {decimal_text(value)}, 63);
}

void text_at(HDC dc, int x, int y, const u16& text)
{
    TextOutW(dc, x, y, wide(text.c_str()), static_cast<int>(text.size()));
}

int text_width(HDC dc, skin_font_t font, const u16& text) { return skin_text_size(dc, font, text).cx; }

// A line's height in `font`: that of "abcdefg".
int line_height(HDC dc, skin_font_t font) { return skin_text_size(dc, font, u"abcdefg").cy; }

HWND make_radio(HWND parent, int id, language_key_t label, DWORD extra)
{
    HWND radio = CreateWindowExW(0, L"BUTTON", wide(language_text(label).c_str()),
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON | extra, 0, 0, 10, 10,
                                 parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(radio, WM_SETFONT, reinterpret_cast<WPARAM>(skin_font(font_verdana_8)), FALSE);
    return radio;
}

// The IDs of a row's devices, as the backup records them.
std::vector<u16> group_device_ids(const offer_group_t& group)
{
    std::vector<u16> ids;
    for (const device_t* device : group.devices) ids.push_back(u16(device->device_id, u16_length(device->device_id)));
    return ids;
}

} // namespace

download_window_c::download_window_c(std::function<results_services_t()> services)
    : view_run_host_c(rollback_timer_id), services_factory_(std::move(services))
{
}

download_window_c::~download_window_c()
{
    // The rows go before the services they point to.
    list_.remove_all_rows();
}

HWND download_window_c::create_view(HWND parent, const RECT& rect)
{
    register_class(class_name);
    return create(class_name, parent, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
}

void download_window_c::on_create()
{
    services_.emplace(services_factory_());
    context_.sessions = services_->sessions;
    context_.install = &services_->install;
    context_.language_code = language_code(language_table);
    context_.ignore_group = [this](const offer_group_t& group) {
        if (!services_ || !services_->ignored_offers) return;
        pending_ignore_ = list_with_row(group);
        PostMessageW(hwnd(), wm_apply_pending_ignore, 0, 0);
    };
    context_.can_roll_back = [this](const offer_group_t& group) {
        if (!services_ || !services_->backup) return false;
        backup_services_t backup = services_->backup();
        return can_roll_back(backup, group_device_ids(group));
    };
    context_.roll_back = [this](const offer_group_t& group) {
        if (!services_ || !services_->backup) return;
        backup_services_t backup = services_->backup();
        start_rollback(rollback_, group_device_ids(group), *this, backup);
    };
    {
        client_dc_t dc(hwnd());
        context_.class_line = line_height(dc.get(), font_verdana_9_bold);
        context_.device_line = line_height(dc.get(), font_arial_8);
    }

    RECT client;
    GetClientRect(hwnd(), &client);
    list_.create(hwnd(), list_id, 0, header_height + selector_height, std::max<int>(0, client.right - side_bar),
                 std::max<int>(0, client.bottom - header_height - selector_height - download_all_window_c::height));
    SetWindowLongPtrW(list_.hwnd(), GWL_STYLE,
                      GetWindowLongPtrW(list_.hwnd(), GWL_STYLE) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);

    best_ = make_radio(hwnd(), best_id, lang::download_cbb_best, WS_GROUP);
    latest_ = make_radio(hwnd(), latest_id, lang::download_cbb_latest, 0);
    Button_SetCheck(best_, BST_CHECKED);

    chart_.create(hwnd(), 0, 0, 0, 228, 109);
    // The chart lies in the white chart box.
    chart_.set_background(colour::white);
    chart_.set_label(false);
    chart_.set_inclination(35);
    chart_.set_depth(50);

    faq_.create(hwnd(), 0, 0, 0, 120, 19);
    faq_.set_label(language_text(lang::sidebar_see_faq));
    faq_.set_font(skin_font(font_verdana_8));
    faq_.set_address(faq_page_url(language_table));

    bottom_.create_bar(hwnd(), 0, 0, std::max<int>(0, client.right - side_bar));
    bottom_.ignored_link().on_click = [this] { show_ignored_list(); };
    bottom_.set_ignored_count(ignored_count());

    header_tile_.reset(skin_image_c(skin::results_header_tile).make_pattern_brush());
    side_bar_brush_.reset(CreateSolidBrush(side_bar_colour));
    frame_brush_.reset(CreateSolidBrush(colour::frame));
    edge_brush_.reset(CreateSolidBrush(colour::side_bar_edge));
    // The legend's icons, in the legend's order; black is transparent.
    const int icons[4] = {skin::results_out_of_date, skin::results_no_driver, skin::results_up_to_date,
                          skin::results_total};
    for (int i = 0; i < 4; ++i) {
        legend_icons_[i].load(icons[i]);
        legend_icons_[i].set_transparent(RGB(0, 0, 0));
    }
    layout(client.right, client.bottom);
}

void download_window_c::layout(int width, int height)
{
    const int list_width = std::max(0, width - side_bar);
    const int list_top = header_height + selector_height;
    MoveWindow(list_.hwnd(), 0, list_top, list_width,
               std::max(0, height - list_top - download_all_window_c::height), TRUE);
    MoveWindow(bottom_.hwnd(), 0, height - download_all_window_c::height, list_width, download_all_window_c::height,
               TRUE);

    // The radio circle and the gap before the label.
    const int circle = GetSystemMetrics(SM_CXMENUCHECK) + 6;
    int best_text = 0, latest_text = 0, faq_width = 0;
    {
        client_dc_t dc(hwnd());
        best_text = text_width(dc.get(), font_verdana_8, language_text(lang::download_cbb_best)) + circle;
        latest_text = text_width(dc.get(), font_verdana_8, language_text(lang::download_cbb_latest)) + circle;
        faq_width = std::min(side_bar - 20,
                             text_width(dc.get(), font_verdana_8, language_text(lang::sidebar_see_faq)) + 4);
    }
    kind_selector_t k = kind_selector(width, best_text, latest_text,
                                      language_layout(context_.language_code).kind_selector_extra_left);
    MoveWindow(best_, k.best.left, k.best.top, k.best.right - k.best.left, k.best.bottom - k.best.top, TRUE);
    MoveWindow(latest_, k.latest.left, k.latest.top, k.latest.right - k.latest.left,
               k.latest.bottom - k.latest.top, TRUE);

    MoveWindow(chart_.hwnd(), width - 239, 121, 228, 109, TRUE);
    // Right under the chart box, its right edge on the box's, as wide as
    // its text: the link and the WHQL note below it never overlap.
    MoveWindow(faq_.hwnd(), width - 10 - faq_width, faq_top, faq_width, 19, TRUE);
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void download_window_c::load_scan_result(std::shared_ptr<const scan_outcome_t> result)
{
    // The rows of the old result go first: they point into it.
    list_.remove_all_rows();
    grouping_.groups.clear();
    result_ = std::move(result);
    context_.class_images =
        result_ ? reinterpret_cast<HIMAGELIST>(class_image_list(result_->inventory)) : nullptr;
    rebuild_rows();
    // Shown now: counted with the chart and the report; hidden: counted for
    // the main window's announcement, the rest follows on show.
    if (IsWindowVisible(hwnd()))
        on_show();
    else
        update_counts();
}

void download_window_c::rebuild_rows()
{
    list_.remove_all_rows();
    if (!services_ || !result_) return;
    grouping_ = result_rows(result_->inventory, kind_);
    RECT client;
    GetClientRect(list_.hwnd(), &client);
    for (const offer_group_t& group : grouping_.groups) {
        auto panel = std::make_unique<download_panel_c>(group, context_, result_);
        if (!panel->create_row(list_.hwnd(), list_.content_height(), client.right)) continue;
        int height = download_panel_c::height_for(context_, static_cast<int>(group.devices.size()));
        list_.add_row(std::move(panel), height);
    }
}

size_t download_window_c::ignored_count() const
{
    return services_ && services_->ignored_offers ? services_->ignored_offers->size() : 0;
}

ignored_offers_t download_window_c::list_with_row(const offer_group_t& group) const
{
    ignored_offers_t list = *services_->ignored_offers;
    for (ignored_offer_t& e : group_ignore_entries(group)) ignore_offer(list, std::move(e));
    return list;
}

void download_window_c::show_ignored_list()
{
    if (!services_ || !services_->ignored_offers) return;
    std::optional<ignored_offers_t> changed =
        show_ignored_offers(GetAncestor(hwnd(), GA_ROOT), *services_->ignored_offers);
    if (changed) apply_ignored_offers(*changed);
}

void download_window_c::apply_ignored_offers(const ignored_offers_t& list)
{
    if (!services_ || !services_->change_ignored_offers || !result_) return;
    std::shared_ptr<const scan_outcome_t> ranked = services_->change_ignored_offers(list, *result_);
    bottom_.set_ignored_count(ignored_count());
    if (!ranked) return;
    list_.remove_all_rows();
    grouping_.groups.clear();
    result_ = std::move(ranked);
    rebuild_rows();
    // The same answer counted again; the diagnostic report went with the
    // scan's first showing and is not sent again.
    update_counts();
    update_chart();
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void download_window_c::select_kind(offer_kind_t kind)
{
    Button_SetCheck(best_, kind == offer_kind_t::best ? BST_CHECKED : BST_UNCHECKED);
    Button_SetCheck(latest_, kind == offer_kind_t::latest ? BST_CHECKED : BST_UNCHECKED);
    if (kind != kind_) {
        kind_ = kind;
        rebuild_rows();
        InvalidateRect(hwnd(), nullptr, FALSE);
    }
    SetFocus(list_.hwnd());
}

void download_window_c::on_show()
{
    if (!result_ || !services_) return;
    update_counts();
    update_chart();
    send_diagnostic_report(grouping_.groups, counts_, result_->inventory, services_->machine);
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void download_window_c::update_chart()
{
    chart_.clear_slices();
    chart_.set_pie_rect(RECT{60, 20, 165, 100});
    chart_.add_slice(language_text(lang::sidebar_out_of_date), counts_.out_of_date, 0xFFFF0000);
    chart_.add_slice(language_text(lang::sidebar_no_driver), counts_.no_driver, 0xFFFFFF00);
    chart_.add_slice(language_text(lang::sidebar_up_to_date), counts_.up_to_date, 0xFF16CD1F);
}

void download_window_c::update_counts()
{
    if (!result_) return;
    // Always over the best offers, whichever kind the rows show.
    counts_ = result_counts(result_->inventory);
    // The counts are also the view's name, for screen readers (and for the
    // tests and the demo that look at the program from outside).
    counts_name_ = count_text(lang::sidebar_out_of_date, counts_.out_of_date) + u"; " +
                   count_text(lang::sidebar_no_driver, counts_.no_driver) + u"; " +
                   count_text(lang::sidebar_up_to_date, counts_.up_to_date);
    u16 name = update_notice_.empty() ? counts_name_ : counts_name_ + u"; " + update_notice_;
    SetWindowTextW(hwnd(), wide(name.c_str()));
}

void download_window_c::set_update_notice(u16 text)
{
    update_notice_ = std::move(text);
    u16 name = update_notice_.empty() ? counts_name_ : counts_name_ + u"; " + update_notice_;
    SetWindowTextW(hwnd(), wide(name.c_str()));
    RECT client;
    GetClientRect(hwnd(), &client);
    RECT header{0, 0, client.right, header_height};
    InvalidateRect(hwnd(), &header, FALSE);
}

RECT download_window_c::update_notice_rect(int width)
{
    return RECT{width - side_bar + 10, 4, width - 10, header_height - 4};
}

void download_window_c::forward_to_rows(UINT message, WPARAM w)
{
    for (HWND row = GetWindow(list_.hwnd(), GW_CHILD); row; row = GetWindow(row, GW_HWNDNEXT))
        SendMessageW(row, message, w, 0);
}

void download_window_c::on_download_all()
{
    if (list_.rows().empty()) return;
    bool yes = show_view_box(hwnd(), language_text(lang::download_all_warning), box_style_t::yes_no) ==
               box_result_t::accepted;
    if (yes) forward_to_rows(wm_download_all, 0);
}

bool download_window_c::process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result)
{
    switch (message) {
    case WM_CREATE:
        on_create();
        result = 0;
        return true;
    case WM_SIZE:
        layout(LOWORD(l), HIWORD(l));
        return true;
    case WM_SHOWWINDOW:
        if (w) on_show();
        return false;
    case WM_SETFOCUS:
        SetFocus(list_.hwnd());
        return true;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT:
        paint_window_buffered(hwnd(), [this](HDC dc, const RECT& client) { paint(dc, client); });
        return true;
    case WM_COMMAND:
        if ((LOWORD(w) == best_id || LOWORD(w) == latest_id) && HIWORD(w) == BN_CLICKED &&
            reinterpret_cast<HWND>(l) != nullptr)
            select_kind(LOWORD(w) == best_id ? offer_kind_t::best : offer_kind_t::latest);
        return true;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        HDC dc = reinterpret_cast<HDC>(w);
        SetTextColor(dc, selector_text_colour);
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        return true;
    }
    case wm_tick_all:
        forward_to_rows(wm_tick_all, w);
        return true;
    case WM_TIMER:
        if (w != rollback_timer_id) return false;
        if (services_ && services_->backup) {
            backup_services_t backup = services_->backup();
            rollback_tick(rollback_, *this, backup);
        } else {
            stop_timer();
        }
        return true;
    case wm_download_all:
        on_download_all();
        return true;
    case WM_LBUTTONUP: {
        RECT client;
        GetClientRect(hwnd(), &client);
        RECT notice = update_notice_rect(client.right);
        POINT at{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
        if (update_notice_.empty() || !PtInRect(&notice, at)) return false;
        if (on_update_notice_click) on_update_notice_click();
        return true;
    }
    case WM_SETCURSOR: {
        if (update_notice_.empty() || LOWORD(l) != HTCLIENT) return false;
        POINT at;
        GetCursorPos(&at);
        ScreenToClient(hwnd(), &at);
        RECT client;
        GetClientRect(hwnd(), &client);
        RECT notice = update_notice_rect(client.right);
        if (!PtInRect(&notice, at)) return false;
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        result = TRUE;
        return true;
    }
    case wm_apply_pending_ignore:
        if (pending_ignore_) {
            ignored_offers_t list = std::move(*pending_ignore_);
            pending_ignore_.reset();
            apply_ignored_offers(list);
        }
        return true;
    default:
        return false;
    }
}

void download_window_c::paint(HDC dc, const RECT& client)
{
    const int width = client.right, height = client.bottom;
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT header{0, 0, width, header_height};
    if (header_tile_) FillRect(dc, &header, header_tile_.get());
    RECT side{width - side_bar, header_height, width, height};
    FillRect(dc, &side, side_bar_brush_.get());
    RECT edge{width - side_bar, header_height, width - side_bar + 1, height};
    FillRect(dc, &edge, edge_brush_.get());
    RECT line1{0, header_height - 1, width - side_bar, header_height};
    RECT line2{0, header_height + selector_height - 1, width - side_bar, header_height + selector_height};
    FillRect(dc, &line1, frame_brush_.get());
    FillRect(dc, &line2, frame_brush_.get());
    SetBkMode(dc, TRANSPARENT);

    static const skin_image_c header_icon(skin::results_header_icon);
    header_icon.draw_at(dc, 15, 4);
    results_header_t h = results_header(counts_.out_of_date);
    const u16& headline = language_text(h.key);
    const skin_font_t header_font =
        language_layout(context_.language_code).results_small_header ? font_verdana_12 : font_verdana_14;
    SetTextColor(dc, colour::white);
    {
        selected_object_t font(dc, skin_font(header_font));
        text_at(dc, 58, 8, headline);
    }
    if (h.shows_number) {
        int x = 58 + text_width(dc, header_font, headline) + 5;
        selected_object_t font(dc, skin_font(font_verdana_14));
        SetTextColor(dc, RGB(0xFF, 0xFF, 0x00));
        text_at(dc, x, 7, decimal_text(counts_.out_of_date));
    }
    if (!update_notice_.empty()) {
        // Two lines at most, in the header's part above the side bar, as
        // a link: in the number's yellow.
        selected_object_t font(dc, skin_font(font_verdana_8));
        SetTextColor(dc, RGB(0xFF, 0xFF, 0x00));
        RECT notice = update_notice_rect(width);
        draw_wrapped_text(dc, update_notice_, notice, 0, DT_LEFT | DT_NOPREFIX);
    }
    paint_side_bar(dc, width);
}

void download_window_c::paint_side_bar(HDC dc, int width)
{
    auto framed_box = [&](RECT r) {
        FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        FrameRect(dc, &r, frame_brush_.get());
    };
    framed_box(RECT{width - 240, 40 + 8, width - 10, 110});
    framed_box(RECT{width - 240, 120, width - 10, 370});

    // The score: its title, and the number below in red or green.
    const bool small_title = language_layout(context_.language_code).results_small_score_title;
    SetTextColor(dc, RGB(0, 0, 0));
    {
        selected_object_t font(dc, skin_font(small_title ? font_verdana_8 : font_verdana_10));
        RECT title{width - 250, 58, width, 75};
        DrawTextW(dc, wide(language_text(lang::sidebar_score).c_str()), -1, &title,
                  DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    const int32_t score = result_score(counts_);
    {
        selected_object_t font(dc, skin_font(font_verdana_12_bold));
        SetTextColor(dc, score_is_low(score) ? RGB(0xFF, 0, 0) : RGB(0x16, 0xB0, 0x1F));
        RECT number{width - 250, 80, width, 100};
        u16 text = decimal_text(score);
        DrawTextW(dc, wide(text.c_str()), -1, &number, DT_CENTER | DT_SINGLELINE);
    }

    // The legend under the chart.
    legend_t legend = results_legend(counts_, static_cast<int32_t>(device_nodes()));
    SetTextColor(dc, RGB(0, 0, 0));
    selected_object_t font(dc, skin_font(font_verdana_8));
    for (int i = 0; i < 4; ++i) {
        const int y = 260 + 20 * i;
        legend_icons_[i].draw_at(dc, width - 209, y);
        text_at(dc, width - 209 + 16 + 8, y + 1, count_text(legend.entries[i].key, legend.entries[i].value));
    }

    RECT note{width - 235, whql_top, width - 15, whql_top + 100};
    draw_wrapped_text(dc, language_text(lang::sidebar_whql), note, 8, DT_LEFT | DT_NOPREFIX);
}

} // namespace tdu
