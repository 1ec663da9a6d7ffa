#include "ui/views/download_panel.h"

#include "ui/model/language_layout.h"
#include "ui/model/main_window_state.h"
#include "ui/views/results_messages.h"
#include "app/language.h"
#include "app/language_keys.h"
#include "app/language_format.h"
#include "common/win32_text.h"
#include "results/results_model.h"
#include "ui/resources/dialog_ids.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/skin/skin_image.h"
#include "ui/dialogs/view_box.h"
#include "ui/win/memory_paint.h"
#include "ui/win/popup_menu.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace tdu {

namespace {

constexpr COLORREF class_text_colour = RGB(0x47, 0x82, 0xC3);
constexpr COLORREF whql_colour = RGB(0xCB, 0x90, 0x09);
constexpr COLORREF state_colour = RGB(0x38, 0xAD, 0x00);
// A state text that tells of a failure (a download or an installation that
// did not succeed) stands out from the green of the others.
constexpr COLORREF failure_colour = RGB(0xD0, 0x1E, 0x1E);
constexpr COLORREF no_update_background = RGB(0xF4, 0xF6, 0xFB);
constexpr COLORREF frame_colour = RGB(0xE6, 0xEA, 0xF3);

// Black is the status icons' transparent colour.
const skin_image_c& status_icon(row_icon_t icon)
{
    static skin_image_c no_driver(skin::results_no_driver), up_to_date(skin::results_up_to_date),
        out_of_date(skin::results_out_of_date);
    static const bool keyed = [] {
        for (skin_image_c* image : {&no_driver, &up_to_date, &out_of_date}) image->set_transparent(RGB(0, 0, 0));
        return true;
    }();
    (void)keyed;
    switch (icon) {
    case row_icon_t::no_driver: return no_driver;
    case row_icon_t::up_to_date: return up_to_date;
    default: return out_of_date;
    }
}

u16 date_line_text(const device_t& device, const driver_offer_t* offer)
{
    u16view installed(device.driver_date, u16_length(device.driver_date));
    u16view offered = offer ? u16view(offer->date, u16_length(offer->date)) : u16view(u"0000-00-00");
    date_line_t line = date_line(installed, offered);
    std::vector<u16> args{u16(installed)};
    if (line.arguments == 2) args.push_back(u16(offered));
    return format_language_text(language_text(line.key), args, 127);
}

void draw_text_in(HDC dc, const u16& text, RECT r, UINT format)
{
    DrawTextW(dc, wide(text.c_str()), static_cast<int>(text.size()), &r, format);
}

// The row button's label font: Verdana 8 pt bold, or the first smaller
// skin font in which the label fits the 80-pixel button ("Herunterladen").
HFONT button_font_for(HWND window, const u16& label)
{
    client_dc_t dc(window);
    skin_font_t chosen =
        first_fitting_font(dc.get(), {font_verdana_8_bold, font_verdana_8, font_arial_8}, {{label, 74}});
    return skin_font(chosen);
}

UINT system_track_menu(HMENU menu, POINT screen, HWND owner)
{
    return static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, screen.x, screen.y, 0, owner, nullptr));
}

} // namespace

download_panel_c::download_panel_c(const offer_group_t& group, panel_context_t& context)
    : view_run_host_c(timer_id), group_(group), context_(context)
{
    background_brush_.reset(CreateSolidBrush(background()));
    frame_brush_.reset(CreateSolidBrush(frame_colour));
    progress_.set_colours(RGB(0x93, 0xBA, 0xE8), RGB(0xB4, 0xD5, 0xD5));
}

download_panel_c::~download_panel_c()
{
    if (hwnd()) KillTimer(hwnd(), timer_id);
}

int download_panel_c::height_for(const panel_context_t& context, int devices)
{
    return row_height(context.class_line, context.device_line, std::max(devices, 1));
}

HWND download_panel_c::create_row(HWND list, int top, int width)
{
    register_class(class_name);
    int height = height_for(context_, static_cast<int>(group_.devices.size()));
    return create(class_name, list, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, top, width,
                  height);
}

COLORREF download_panel_c::background() const
{
    return group_.no_update ? no_update_background : colour::white;
}

row_layout_t download_panel_c::layout() const
{
    RECT client{};
    if (hwnd()) GetClientRect(hwnd(), &client);
    return row_layout(client.right, context_.class_line, context_.device_line,
                      static_cast<int32_t>(std::max<size_t>(group_.devices.size(), 1)),
                      language_layout(context_.language_code).row_state_text_extra_left);
}

void download_panel_c::on_create()
{
    row_layout_t l = layout();
    // The button's rectangle is measured from the right edge: 20 to 100
    // pixels in.
    button_.create(GetModuleHandleW(nullptr), skin::row_button, skin::row_button + 1, skin::row_button + 2, 20,
                   l.button.top, 100, l.button.bottom, u"");
    button_.set_action(this, &download_panel_c::button_clicked);
    tick_box_ = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX | BS_NOTIFY, l.tick.left,
                                l.tick.top, l.tick.right - l.tick.left, l.tick.bottom - l.tick.top, hwnd(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(tick_box_id)),
                                GetModuleHandleW(nullptr), nullptr);
    // The row may start its timer at once (its package is downloading), so
    // the window exists first.
    row_ = std::make_unique<download_row_c>(download_row_input_for(group_), *context_.sessions, *context_.install,
                                            *this);
    refresh();
}

void download_panel_c::refresh()
{
    if (!row_) return;
    const u16& label = language_text(row_->button_text_key());
    if (label != button_.text || !button_.font) {
        button_.text = label;
        button_.font = button_font_for(hwnd(), label);
    }
    // The row's name, for screen readers and for tools that watch the
    // program from outside: its class and its state.
    u16 name = group_.devices.empty() ? u16() : group_class_text(*group_.devices.front()) + u": ";
    name += state_text();
    if (name != name_) {
        name_ = name;
        SetWindowTextW(hwnd(), wide(name_.c_str()));
    }
    progress_.set_expected_size(static_cast<int32_t>(row_->expected_size));
    progress_.set_bytes_done(static_cast<int32_t>(row_->bytes_done));
    SetPropW(hwnd(), download_state_property,
             reinterpret_cast<HANDLE>(static_cast<INT_PTR>(row_->session().state())));
}

RECT download_panel_c::button_rect() const
{
    RECT client{};
    GetClientRect(hwnd(), &client);
    return RECT{client.right - button_.rect.right, button_.rect.top, client.right - button_.rect.left,
                button_.rect.bottom};
}

u16 download_panel_c::state_text() const
{
    if (!row_) return u16();
    const row_status_t status = row_->status();
    if (status.argument.empty()) return language_text(status.text);
    return format_language_text(language_text(status.text), {utf8_to_utf16(status.argument)}, 127);
}

bool download_panel_c::process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result)
{
    switch (message) {
    case WM_CREATE:
        on_create();
        result = 0;
        return true;
    case WM_DESTROY:
        RemovePropW(hwnd(), download_state_property);
        return false;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT:
        paint_window_buffered(hwnd(), [this](HDC dc, const RECT& client) { paint(dc, client); });
        return true;
    case WM_TIMER:
        if (w != timer_id || !row_) return false;
        row_->timer_tick();
        return true;
    case WM_MOUSEMOVE:
        on_pointer(0, l);
        return true;
    case WM_LBUTTONDOWN:
        on_pointer(1, l);
        return true;
    case WM_LBUTTONUP:
        on_pointer(2, l);
        return true;
    case WM_MOUSELEAVE:
        tracking_leave_ = false;
        on_pointer(0, MAKELPARAM(-1, -1));
        return true;
    case WM_CONTEXTMENU:
        on_context_menu(l);
        return true;
    case WM_COMMAND:
        if (LOWORD(w) == tick_box_id && HIWORD(w) == BN_CLICKED) {
            if (row_) row_->ticked = Button_GetCheck(tick_box_) == BST_CHECKED;
        } else if (l == 0 && HIWORD(w) == 0) {  // a menu command sent to the row
            run_command(LOWORD(w));
        }
        return true;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        SetBkColor(reinterpret_cast<HDC>(w), background());
        result = reinterpret_cast<LRESULT>(background_brush_.get());
        return true;
    case wm_tick_all:
        on_tick_all(w != 0);
        return true;
    case wm_download_all:
        if (row_) row_->download_all();
        return true;
    default:
        return false;
    }
}

void download_panel_c::on_pointer(int event, LPARAM l)
{
    POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
    RECT client;
    GetClientRect(hwnd(), &client);
    bool over = button_.hit_test(p, client);
    bool fire = false, changed = false;
    switch (event) {
    case 0: changed = button_single_move(button_.state, over); break;
    case 1: changed = button_single_down(button_.state, over); break;
    default: changed = button_single_up(button_.state, over, fire); break;
    }
    if (event == 1 && over) SetCapture(hwnd());
    if (event == 2 && GetCapture() == hwnd()) ReleaseCapture();
    if (event == 0 && over && !tracking_leave_) {
        // Told when the pointer leaves the row, so the hover image goes.
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd(), 0};
        tracking_leave_ = TrackMouseEvent(&track) != FALSE;
    }
    if (changed) {
        RECT r = button_rect();
        InvalidateRect(hwnd(), &r, FALSE);
    }
    if (fire) button_.fire();
}

// The row's actions end with the host's redraw, which takes the new texts.
void download_panel_c::button_clicked()
{
    if (row_) row_->click();
}

void download_panel_c::on_tick_all(bool ticked)
{
    if (!row_ || !row_->tick_all(ticked)) return;
    Button_SetCheck(tick_box_, ticked ? BST_CHECKED : BST_UNCHECKED);
}

menu_t download_panel_c::make_context_menu(POINT client) const
{
    RECT button = button_rect();
    if (PtInRect(&button, client)) return {};
    menu_t bar(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ROW_MENU)));
    if (!bar) return {};
    // The popup outlives the menu bar it came from.
    menu_t owned(GetSubMenu(bar.get(), 0));
    if (!owned) return {};
    RemoveMenu(bar.get(), 0, MF_BYPOSITION);
    HMENU popup = owned.get();
    u16 download = button_.text.substr(0, 31);
    struct label_t {
        UINT id;
        u16 text;
    };
    const label_t labels[] = {
        {row_menu_download, download},
        {row_menu_settings, language_text(lang::menu_settings)},
        {row_menu_information, language_text(lang::menu_information)},
        {row_menu_remove, language_text(lang::menu_remove)},
        {row_menu_open_location, language_text(lang::menu_open_location)},
        {row_menu_ignore, language_text(lang::menu_ignore_update)},
        {row_menu_roll_back, language_text(lang::menu_roll_back)},
    };
    for (const label_t& label : labels)
        ModifyMenuW(popup, label.id, MF_BYCOMMAND | MF_STRING, label.id, wide(label.text.c_str()));
    if (row_ && !row_->remove_enabled()) EnableMenuItem(popup, row_menu_remove, MF_BYCOMMAND | MF_GRAYED);
    // Only a row whose device the program updated (and backed up first)
    // can be rolled back.
    if (!context_.can_roll_back || !context_.roll_back || !context_.can_roll_back(group_))
        DeleteMenu(popup, row_menu_roll_back, MF_BYCOMMAND);
    return owned;
}

void download_panel_c::on_context_menu(LPARAM l)
{
    POINT screen{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
    if (screen.x == -1 && screen.y == -1) {
        // From the keyboard: at the row's top-left corner.
        screen = POINT{10, 10};
        ClientToScreen(hwnd(), &screen);
    }
    POINT client = screen;
    ScreenToClient(hwnd(), &client);
    menu_t popup = make_context_menu(client);
    if (!popup) return;
    screen.x = popup_menu_x(screen);
    UINT command = context_.track_menu ? context_.track_menu(popup.get(), screen, hwnd())
                                       : system_track_menu(popup.get(), screen, hwnd());
    if (command) run_command(command);
}

void download_panel_c::run_command(UINT command)
{
    if (!row_) return;
    switch (command) {
    case row_menu_download:
        button_clicked();
        return;
    case row_menu_settings:
        // The main window opens its settings dialog, modal over itself.
        SendMessageW(GetAncestor(hwnd(), GA_ROOT), WM_COMMAND, menu_settings_id, 0);
        return;
    case row_menu_information:
        if (context_.show_information) context_.show_information(GetActiveWindow(), group_);
        return;
    case row_menu_remove:
        if (row_->remove_enabled()) row_->remove();
        return;
    case row_menu_open_location:
        row_->open_location();
        return;
    case row_menu_ignore:
        if (context_.ignore_group) context_.ignore_group(group_);
        return;
    case row_menu_roll_back:
        if (context_.roll_back) context_.roll_back(group_);
        return;
    default:
        return;
    }
}

void download_panel_c::paint(HDC dc, const RECT& client)
{
    const int width = client.right;
    FillRect(dc, &client, background_brush_.get());
    FrameRect(dc, &client, frame_brush_.get());
    SetBkMode(dc, TRANSPARENT);
    if (group_.devices.empty()) return;
    const row_layout_t l = layout();
    const device_t& first = *group_.devices.front();

    if (context_.class_images && first.device_class)
        ImageList_DrawEx(context_.class_images, first.device_class->image_index, dc, 10, 7, 0, 0, background(),
                         CLR_NONE, ILD_NORMAL);
    {
        selected_object_t font(dc, skin_font(font_verdana_9_bold));
        SetTextColor(dc, class_text_colour);
        draw_text_in(dc, group_class_text(first), RECT{32, 8, width - 110, 8 + l.class_line + 2},
                     DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }

    for (size_t i = 0; i < group_.devices.size(); ++i) {
        const device_t& device = *group_.devices[i];
        const int t = l.name_top(static_cast<int32_t>(i));
        status_icon(device_status_icon(device, group_.mode)).draw_at(dc, 8, t);
        SetTextColor(dc, RGB(0, 0, 0));
        {
            selected_object_t font(dc, skin_font(font_verdana_8));
            draw_text_in(dc, u16(device.name, u16_length(device.name)), RECT{35, t, width - 2, t + l.device_line},
                         DT_SINGLELINE | DT_NOPREFIX | DT_WORD_ELLIPSIS);
        }
        selected_object_t font(dc, skin_font(font_arial_8));
        const int d = l.date_top(static_cast<int32_t>(i));
        draw_text_in(dc, date_line_text(device, group_.offer), RECT{35, d, width - 2, d + l.device_line},
                     DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS);
    }

    const int b = l.bottom_line;
    if (group_.offer && group_.offer->sign == 0) {
        selected_object_t font(dc, skin_font(font_arial_8));
        SetTextColor(dc, whql_colour);
        TextOutW(dc, 35, b, L"WHQL", 4);
    }
    {
        selected_object_t font(dc, skin_font(font_verdana_8));
        SetTextColor(dc, class_text_colour);
        progress_.draw(dc, RECT{l.progress.left, l.progress.top, l.progress.right, l.progress.bottom});
        SetTextColor(dc, row_ && row_->status().failure ? failure_colour : state_colour);
        // The state text ends before the row button.
        RECT state{l.state_text_left, b, width - 104, b + l.device_line + 2};
        draw_text_in(dc, state_text(), state, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    button_.draw(dc, client);
}

void download_panel_c::redraw()
{
    refresh();
    if (IsWindowVisible(hwnd())) RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

} // namespace tdu
