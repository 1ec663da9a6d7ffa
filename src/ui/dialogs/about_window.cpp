#include "ui/dialogs/about_window.h"

#include "app/language.h"
#include "app/language_format.h"
#include "app/language_keys.h"
#include "common/win32_text.h"
#include "ui/dialogs/view_box.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/resources/dialog_ids.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/skin/wrapped_text.h"
#include "ui/win/memory_paint.h"
#include "tdu_version.h"

#include <shellapi.h>

namespace tdu {

namespace {

constexpr char16_t version_text[] = u"" TDU_VERSION_TEXT;

void text_at(HDC dc, int x, int y, const u16& text)
{
    TextOutW(dc, x, y, wide(text.c_str()), static_cast<int>(text.size()));
}

} // namespace

// Shown when update\update.exe is not beside the program, in every language.
const char16_t updater_missing_text[] = u"The updater (update\\update.exe) was not found beside the program.";

u16 about_information_text()
{
    return format_language_text(language_text(lang::about_info1),
                                {version_text, ascii_to_utf16(__DATE__), ascii_to_utf16(__TIME__)}, 1023);
}

about_window_c::about_window_c(u16 program_folder)
    : ui_window_c(100), program_folder_(program_folder.empty() ? running_program_folder() : std::move(program_folder)),
      band_brush_(CreateSolidBrush(colour::band))
{
}

about_window_c::~about_window_c()
{
    button_images_.reset();
}

int about_window_c::run(HWND owner)
{
    INT_PTR result = run_modal(owner, IDD_ABOUT);
    return result < 0 ? 0 : static_cast<int>(result);
}

u16 about_window_c::updater_path() const { return program_folder_ + u"update\\update.exe"; }

void about_window_c::set_up()
{
    auto close = std::make_unique<system_button_c<about_window_c>>();
    close->create(GetModuleHandleW(nullptr), skin::dialog_close, skin::dialog_close_hover, skin::dialog_close_pressed,
                  frame_width, frame_height, frame_width + 31, frame_height + 21, u"close");
    close->set_action(this, &about_window_c::close_box);
    add_caption_button(std::move(close));

    icon_.load(skin::about_icon);
    separator_.reset(skin_image_c(skin::about_separator).make_pattern_brush());
    const int image_ids[3] = {skin::about_button, skin::about_button_pushed, skin::about_button_hover};
    button_images_.reset(make_skin_image_list(image_ids, 3, 130, 24));
    const int ids[2] = {IDOK, IDCANCEL};
    const POINT places[2] = {{340, 210}, {340, 250}};
    for (int i = 0; i < 2; ++i) {
        HWND button = GetDlgItem(hwnd(), ids[i]);
        if (!button) continue;
        buttons_[i].attach(button);
        buttons_[i].set_image_list(button_images_.get());
        buttons_[i].set_images(0, 1, 2);
        buttons_[i].set_font(skin_font(font_verdana_8));
        buttons_[i].set_text_colour(colour::white);
        SetWindowPos(button, nullptr, places[i].x, places[i].y, 130, 24, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const u16& check = language_text(lang::about_btn_check);
    if (!check.empty()) SetDlgItemTextW(hwnd(), IDOK, wide(check.c_str()));

    SetWindowPos(hwnd(), nullptr, 0, 0, dialog_width, dialog_height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT mine, owner_rect;
    GetWindowRect(hwnd(), &mine);
    HWND owner = GetWindow(hwnd(), GW_OWNER);
    if (owner && GetWindowRect(owner, &owner_rect)) {
        int x = owner_rect.left + ((owner_rect.right - owner_rect.left) - dialog_width) / 2;
        int y = owner_rect.top + ((owner_rect.bottom - owner_rect.top) - dialog_height) / 2;
        SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    apply_window_region();
}

void about_window_c::check_for_updates()
{
    // Closing as if it had started would leave the user waiting for an
    // updater that never comes.
    if (open_updater(hwnd(), program_folder_)) end_dialog(1);
}

u16 running_program_folder()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    u16 folder(reinterpret_cast<const char16_t*>(path), n);
    size_t slash = folder.find_last_of(u'\\');
    return slash == u16::npos ? u16() : folder.substr(0, slash + 1);
}

bool open_updater(HWND owner, const u16& program_folder)
{
    const u16 path = program_folder + u"update\\update.exe";
    if (GetFileAttributesW(wide(path.c_str())) == INVALID_FILE_ATTRIBUTES) {
        show_view_box(owner, updater_missing_text, box_style_t::error);
        return false;
    }
    ShellExecuteW(owner, nullptr, wide(path.c_str()), nullptr, nullptr, SW_SHOWNORMAL);
    return true;
}

bool about_window_c::process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result)
{
    if (ui_process_message(message, w, l, result)) return true;
    switch (message) {
    case WM_INITDIALOG:
        set_up();
        result = TRUE;
        return true;
    case WM_ERASEBKGND:
        erase_dialog_band_with_box(hwnd(), reinterpret_cast<HDC>(w), band_brush_.get(), RECT{15, 85, 470, 185});
        result = 1;
        return true;
    case WM_PAINT: {
        paint_dc_t dc(hwnd());
        paint(dc.get());
        return true;
    }
    case WM_COMMAND:
        if (LOWORD(w) == IDOK) check_for_updates();
        if (LOWORD(w) == IDCANCEL) end_dialog(2);
        return true;
    default:
        return false;
    }
}

void about_window_c::paint(HDC dc)
{
    SetBkMode(dc, TRANSPARENT);
    selected_object_t font(dc, skin_font(font_verdana_8));
    SetTextColor(dc, colour::white);
    text_at(dc, 15, 5, language_text(lang::about_copyright));
    text_at(dc, 15, 65, language_text(lang::about_information));
    SetTextColor(dc, RGB(0, 0, 0));
    RECT box{15 + 5, 85 + 10, 470 - 5, 185 - 10};
    draw_wrapped_text(dc, about_information_text(), box, 6, 0);
}

void about_window_c::draw_band_content(HDC dc, const RECT&)
{
    draw_window_title(dc, 10, 10);
    icon_.draw_at(dc, 20, 30);
    {
        selected_object_t font(dc, skin_font(font_arial_25_bold));
        int old_mode = SetBkMode(dc, TRANSPARENT);
        COLORREF old_colour = SetTextColor(dc, colour::white);
        text_at(dc, 90, 49, language_text(lang::about_name));
        SetTextColor(dc, old_colour);
        SetBkMode(dc, old_mode);
    }
    RECT separator{5, 98, 490, 100};
    if (separator_) FillRect(dc, &separator, separator_.get());
}

} // namespace tdu
