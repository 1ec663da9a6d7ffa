#include "ui/dialogs/config_window.h"

#include "app/language_keys.h"
#include "common/win32_text.h"
#include "ui/model/config_dialog_model.h"
#include "ui/model/language_layout.h"
#include "ui/resources/dialog_ids.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/win/gdi_handle.h"
#include "ui/dialogs/view_box.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <string_view>

namespace tdu {

namespace {

constexpr COLORREF label_colour = RGB(0x8C, 0xB3, 0xD6);

struct label_t {
    language_key_t key;
    int x, y;
};
const label_t labels[] = {
    {lang::config_download_path, 93, 32}, {lang::config_backup_path, 93, 86},
    {lang::config_close_option, 95, 150}, {lang::config_startup_option, 95, 210},
    {lang::config_scan_option, 340, 150}, {lang::config_scheduled_task, 340, 210},
    {lang::config_language, 95, 268},     {lang::config_driver_folder, 340, 268},
};

// Languages with longer labels keep the left column at the template's size
// and move the divider right.
bool long_labels(const language_table_t& table)
{
    return language_layout(language_code(table)).settings_long_labels;
}

} // namespace

config_window_c::config_window_c(config_services_t services)
    : ui_window_c(30), services_(std::move(services)), frame_brush_(CreateSolidBrush(label_colour))
{
}

config_window_c::~config_window_c()
{
    button_images_.reset();
}

int config_window_c::run(HWND owner)
{
    INT_PTR result = run_modal(owner, IDD_SETTINGS);
    return result < 0 ? 0 : static_cast<int>(result);
}

u16 config_window_c::field_text(int id) const
{
    HWND field = GetDlgItem(hwnd(), id);
    int length = field ? GetWindowTextLengthW(field) : 0;
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(field, text.data(), length + 1);
    return u16(reinterpret_cast<const char16_t*>(text.data()), static_cast<size_t>(got > 0 ? got : 0));
}

void config_window_c::set_up()
{
    auto close = std::make_unique<system_button_c<config_window_c>>();
    close->create(GetModuleHandleW(nullptr), skin::dialog_close, skin::dialog_close_hover, skin::dialog_close_pressed,
                  frame_width, frame_height, frame_width + 31, frame_height + 21, u"close");
    close->set_action(this, &config_window_c::on_cancel);
    add_caption_button(std::move(close));

    // The title in the interface language (the template's is English).
    const u16& title = language_text(services_.language, lang::config_title);
    if (!title.empty()) SetWindowTextW(hwnd(), wide(title.c_str()));

    // 1. The four bitmap buttons and their texts.
    const int image_ids[3] = {skin::settings_button, skin::settings_button_pushed, skin::settings_button_hover};
    button_images_.reset(make_skin_image_list(image_ids, 3, 80, 22));
    const struct {
        int id;
        language_key_t key;
    } buttons[5] = {{config_id::download_browse, lang::top_download},
                    {config_id::backup_browse, lang::top_backup},
                    {config_id::driver_folder_browse, lang::config_choose_folder},
                    {IDOK, lang::btn_ok},
                    {IDCANCEL, lang::btn_cancel}};
    for (int i = 0; i < 5; ++i) {
        HWND button = GetDlgItem(hwnd(), buttons[i].id);
        if (!button) continue;
        buttons_[i].attach(button);
        buttons_[i].set_image_list(button_images_.get());
        buttons_[i].set_images(0, 1, 2);
        buttons_[i].set_font(skin_font(font_verdana_8));
        buttons_[i].set_text_colour(colour::white);
        SetWindowTextW(button, wide(language_text(services_.language, buttons[i].key).c_str()));
    }
    divider_.load(skin::settings_divider);
    SetWindowPos(hwnd(), nullptr, 0, 0, dialog_width, dialog_height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    // 2. The boxes' texts and the language list.
    const struct {
        int id;
        language_key_t key;
    } boxes[5] = {{config_id::close_to_tray, lang::config_close_to_system_tray},
                  {config_id::autorun, lang::config_start_when_windows_startup},
                  {config_id::scan_offline, lang::config_scan_non_present_devices},
                  {config_id::scheduled_scan, lang::config_enable_scheduled_automatic_scan},
                  {config_id::update_check, lang::config_update_check}};
    for (const auto& b : boxes) {
        SetDlgItemTextW(hwnd(), b.id, wide(language_text(services_.language, b.key).c_str()));
        SendDlgItemMessageW(hwnd(), b.id, WM_SETFONT, reinterpret_cast<WPARAM>(skin_font(font_verdana_8)), FALSE);
    }
    HWND list = GetDlgItem(hwnd(), config_id::language);
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(skin_font(font_verdana_8)), FALSE);
    for (const u16& name : services_.language.language_names)
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(name.c_str())));
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(services_.language.current_index), 0);

    // 3. The folders; 4. the boxes (values outside 0 .. 2 reset first).
    config_form_t form = config_form_from(services_.settings);
    bool fields_set = true;
    for (int id : {config_id::download_path, config_id::backup_path, config_id::driver_folder}) {
        HWND field = GetDlgItem(hwnd(), id);
        SendMessageW(field, WM_SETFONT, reinterpret_cast<WPARAM>(skin_font(font_verdana_8)), FALSE);
        SendMessageW(field, EM_LIMITTEXT, 0, 0);
        const u16& text = id == config_id::download_path ? form.download_path
                          : id == config_id::backup_path ? form.backup_path
                                                         : form.driver_folder;
        if (fields_set && !SetWindowTextW(field, wide(text.c_str()))) {
            MessageBeep(static_cast<UINT>(-1));
            SetFocus(field);
            fields_set = false;
        }
    }
    if (fields_set) {
        CheckDlgButton(hwnd(), config_id::autorun, form.autorun ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(hwnd(), config_id::scan_offline, form.scan_offline ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(hwnd(), config_id::scheduled_scan, form.scheduled_scan ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(hwnd(), config_id::update_check, form.update_check ? BST_CHECKED : BST_UNCHECKED);
    }
    CheckDlgButton(hwnd(), config_id::close_to_tray, form.close_to_tray ? BST_CHECKED : BST_UNCHECKED);

    // 5. The places.
    place_controls();
    RECT mine, owner_rect;
    GetWindowRect(hwnd(), &mine);
    HWND owner = GetWindow(hwnd(), GW_OWNER);
    if (owner && IsWindowVisible(owner) && GetWindowRect(owner, &owner_rect)) {
        int x = owner_rect.left + ((owner_rect.right - owner_rect.left) - dialog_width) / 2;
        int y = owner_rect.top + ((owner_rect.bottom - owner_rect.top) - dialog_height) / 2;
        SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    apply_window_region();
}

void config_window_c::place_controls()
{
    const bool keep_size = long_labels(services_.language);
    const struct {
        int id, x, y, width, height;
    } places[] = {
        {config_id::download_path, 100, 58, 350, 18},   {config_id::backup_path, 100, 110, 350, 18},
        {config_id::download_browse, 468, 54, 80, 22},  {config_id::backup_browse, 468, 105, 80, 22},
        {config_id::close_to_tray, 95, 170, 205, 16},   {config_id::autorun, 95, 230, 205, 16},
        {config_id::scan_offline, 340, 170, 0, 0},      {config_id::scheduled_scan, 340, 230, 0, 0},
        {config_id::update_check, 340, 248, 0, 0},
        {config_id::language, 95, 290, 205, 200},       {IDCANCEL, 155, 360, 80, 22},
        {IDOK, 375, 360, 80, 22},
        {config_id::driver_folder, 345, 294, 160, 18},  {config_id::driver_folder_browse, 518, 290, 80, 22},
    };
    for (const auto& p : places) {
        HWND control = GetDlgItem(hwnd(), p.id);
        if (!control) continue;
        UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        const bool left_box = p.id == config_id::close_to_tray || p.id == config_id::autorun;
        if (p.width == 0 || (left_box && keep_size)) flags |= SWP_NOSIZE;
        SetWindowPos(control, nullptr, p.x, p.y, p.width, p.height, flags);
    }
}

bool config_window_c::process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result)
{
    if (ui_process_message(message, w, l, result)) return true;
    switch (message) {
    case WM_INITDIALOG:
        set_up();
        result = TRUE;
        return true;
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(hwnd(), &client);
        FillRect(reinterpret_cast<HDC>(w), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        result = 1;
        return true;
    }
    case WM_PAINT: {
        paint_dc_t dc(hwnd());
        paint(dc.get());
        return true;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(w);
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        return true;
    }
    case WM_COMMAND:
        switch (LOWORD(w)) {
        case IDOK: on_ok(); break;
        case IDCANCEL: on_cancel(); break;
        case config_id::download_browse: browse(config_id::download_path); break;
        case config_id::backup_browse: browse(config_id::backup_path); break;
        case config_id::driver_folder_browse: browse(config_id::driver_folder); break;
        case config_id::scheduled_scan:
            if (HIWORD(w) == BN_CLICKED) on_scheduled_clicked();
            break;
        default: return false;
        }
        return true;
    default:
        return false;
    }
}

void config_window_c::paint(HDC dc)
{
    for (int id : {config_id::download_path, config_id::backup_path, config_id::driver_folder}) {
        HWND field = GetDlgItem(hwnd(), id);
        RECT r;
        if (!field || !GetWindowRect(field, &r)) continue;
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&r), 2);
        OffsetRect(&r, -2, -2);
        InflateRect(&r, 5, 3);
        FrameRect(dc, &r, frame_brush_.get());
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, label_colour);
    {
        selected_object_t font(dc, skin_font(font_verdana_8_bold));
        for (const label_t& label : labels) {
            const u16& text = language_text(services_.language, label.key);
            TextOutW(dc, label.x, label.y, wide(text.c_str()), static_cast<int>(text.size()));
        }
    }
    divider_.draw_at(dc, long_labels(services_.language) ? 320 : 300, 140);
}

void config_window_c::browse(int field)
{
    BROWSEINFOW info{};
    info.hwndOwner = GetActiveWindow();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (!chosen) return;
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(chosen, path)) SetDlgItemTextW(hwnd(), field, path);
    CoTaskMemFree(chosen);
}

void config_window_c::on_scheduled_clicked()
{
    const bool ticked = IsDlgButtonChecked(hwnd(), config_id::scheduled_scan) == BST_CHECKED;
    scheduled_click_t action = scheduled_scan_clicked(ticked);
    // Failures are silent: the box and the setting stay as the user set them.
    if (action.create) schedule_task_create(services_.scheduler, services_.program_path);
    schedule_task_enable(services_.scheduler, action.trigger_on);
    if (action.edit) schedule_task_edit(services_.scheduler, hwnd());
}

void config_window_c::on_ok()
{
    config_form_t form;
    form.download_path = field_text(config_id::download_path);
    form.backup_path = field_text(config_id::backup_path);
    form.driver_folder = field_text(config_id::driver_folder);
    form.close_to_tray = IsDlgButtonChecked(hwnd(), config_id::close_to_tray) == BST_CHECKED;
    form.autorun = IsDlgButtonChecked(hwnd(), config_id::autorun) == BST_CHECKED;
    form.scan_offline = IsDlgButtonChecked(hwnd(), config_id::scan_offline) == BST_CHECKED;
    form.scheduled_scan = IsDlgButtonChecked(hwnd(), config_id::scheduled_scan) == BST_CHECKED;
    form.update_check = IsDlgButtonChecked(hwnd(), config_id::update_check) == BST_CHECKED;
    LRESULT selected = SendDlgItemMessageW(hwnd(), config_id::language, CB_GETCURSEL, 0, 0);
    form.language_index = selected == CB_ERR ? services_.language.current_index : static_cast<int32_t>(selected);

    config_ok_t out = config_ok(form, services_.settings, services_.language.current_index,
                                services_.language.language_names,
                                [](u16view path) { return PathIsDirectoryW(wide(u16(path).c_str())) != FALSE; });
    switch (out.kind) {
    case config_ok_t::invalid_folder:
    case config_ok_t::too_long:
        // Nothing is applied (a cut path would name another folder): the box
        // over the dialog says what is wrong, then the field takes the focus.
        show_view_box(hwnd(), language_text(services_.language, out.message), box_style_t::warning);
        SetFocus(GetDlgItem(hwnd(), out.field));
        return;
    case config_ok_t::apply:
        break;
    }
    services_.settings = out.settings;
    if (out.language_notice) {
        services_.language.current_index = form.language_index;
        show_view_box(hwnd(), language_text(services_.language, lang::config_language_change_notice),
                      box_style_t::information);
    }
    settings_save(services_.store, services_.settings);
    end_dialog(1);
}

void config_window_c::on_cancel()
{
    const bool ticked = IsDlgButtonChecked(hwnd(), config_id::scheduled_scan) == BST_CHECKED;
    if (std::optional<bool> back = config_cancel_trigger(ticked, services_.settings.scheduled_scan))
        schedule_task_enable(services_.scheduler, *back);
    end_dialog(2);
}

} // namespace tdu
