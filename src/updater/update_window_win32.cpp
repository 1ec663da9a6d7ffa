#include "updater/update_window_win32.h"

#include "app/app_messages.h"
#include "app/language.h"
#include "app/language_keys.h"
#include "common/win32_text.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/resources/dialog_ids.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/skin_ids.h"
#include "ui/skin/wrapped_text.h"
#include "ui/win/memory_paint.h"
#include "updater/update_window.h"
#include "service/update_client.h"

#include <commctrl.h>

#include <thread>

namespace tdu {

namespace {

constexpr UINT poll_ms = 200;

// The worker's body: the check, and with `install` the update after it.
void run_job(std::shared_ptr<update_job_t> job, u16 program_folder, std::vector<answer_key_t> keys,
             update_result_t checked, bool install)
{
    win32_update_actions_c actions(program_folder, job->progress);
    if (install) {
        job->result = install_update(actions, checked);
        job->close_refusal = actions.close_refusal();
    } else {
        job->result = check_for_update(actions, updater_arch(), keys);
    }
    job->done.store(1);
}

void text_at(HDC dc, int x, int y, const u16& text)
{
    TextOutW(dc, x, y, wide(text.c_str()), static_cast<int>(text.size()));
}

} // namespace

update_window_c::update_window_c(u16 program_folder, std::vector<answer_key_t> keys)
    : ui_window_c(100), program_folder_(std::move(program_folder)), keys_(std::move(keys)),
      band_brush_(CreateSolidBrush(colour::band))
{
}

update_window_c::~update_window_c()
{
    button_images_.reset();
}

int update_window_c::run()
{
    run_modal(nullptr, IDD_ABOUT);
    return exit_code_;
}

void update_window_c::set_up()
{
    // Never the program's own title: the program's main window is found by it.
    SetWindowTextW(hwnd(), wide(language_text(lang::update_title).c_str()));
    auto close = std::make_unique<system_button_c<update_window_c>>();
    close->create(GetModuleHandleW(nullptr), skin::dialog_close, skin::dialog_close_hover, skin::dialog_close_pressed,
                  frame_width, frame_height, frame_width + 31, frame_height + 21, u"close");
    close->set_action(this, &update_window_c::close_box);
    add_caption_button(std::move(close));

    icon_.load(skin::about_icon);
    separator_.reset(skin_image_c(skin::about_separator).make_pattern_brush());
    progress_.set_background(colour::white);
    progress_.set_tile(skin_image_c(skin::scan_progress_tile).make_pattern_brush());
    const int image_ids[3] = {skin::about_button, skin::about_button_pushed, skin::about_button_hover};
    button_images_.reset(make_skin_image_list(image_ids, 3, 130, 24));
    const int ids[2] = {IDOK, IDCANCEL};
    const POINT places[2] = {{200, 215}, {340, 215}};
    const language_key_t labels[2] = {lang::update_btn_install, lang::update_btn_close};
    for (int i = 0; i < 2; ++i) {
        HWND button = GetDlgItem(hwnd(), ids[i]);
        if (!button) continue;
        buttons_[i].attach(button);
        buttons_[i].set_image_list(button_images_.get());
        buttons_[i].set_images(0, 1, 2);
        buttons_[i].set_font(skin_font(font_verdana_8));
        buttons_[i].set_text_colour(colour::white);
        SetWindowPos(button, nullptr, places[i].x, places[i].y, 130, 24, SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowTextW(button, wide(language_text(labels[i]).c_str()));
    }
    SetWindowPos(hwnd(), nullptr, 0, 0, dialog_width, dialog_height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Centred on the screen's work area.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(hwnd(), nullptr, work.left + ((work.right - work.left) - dialog_width) / 2,
                 work.top + ((work.bottom - work.top) - dialog_height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    apply_window_region();
    start_job(false);
}

void update_window_c::start_job(bool install)
{
    job_ = std::make_shared<update_job_t>();
    phase_ = install ? update_phase_t::installing : update_phase_t::checking;
    std::thread(run_job, job_, program_folder_, keys_, checked_, install).detach();
    SetTimer(hwnd(), poll_timer_id, poll_ms, nullptr);
    poll();
}

void update_window_c::poll()
{
    if (!job_) return;
    bool done = job_->done.load() != 0;
    if (done) {
        KillTimer(hwnd(), poll_timer_id);
        update_result_t r = job_->result;
        exit_code_ = update_exit_code(r.outcome);
        if (phase_ == update_phase_t::checking) {
            checked_ = r;
            phase_ = update_phase_t::checked;
        } else {
            phase_ = update_phase_t::finished;
        }
        show(update_window_view(language_table, phase_, r, update_step_t::checking, 0, 0));
        job_.reset();
        return;
    }
    const update_progress_t& p = job_->progress;
    show(update_window_view(language_table, phase_, checked_, static_cast<update_step_t>(p.step.load()),
                            p.bytes_done.load(), p.expected_size.load()));
}

void update_window_c::show(const update_view_t& view)
{
    view_ = view;
    ShowWindow(GetDlgItem(hwnd(), IDOK), view.install_button ? SW_SHOW : SW_HIDE);
    EnableWindow(GetDlgItem(hwnd(), IDCANCEL), view.close_enabled);
    progress_.set_fraction(view.progress);
    RECT box{15, 10, 485, 195};
    InvalidateRect(hwnd(), &box, TRUE);
}

void update_window_c::close_box()
{
    if (!view_.close_enabled) return;
    // A download stops; its bytes stay for the next run to resume.
    if (job_) job_->progress.stop_requested.store(1);
    end_dialog(0);
}

void update_window_c::install_clicked()
{
    if (phase_ != update_phase_t::checked || checked_.outcome != update_outcome_t::newer_available) return;
    start_job(true);
}

bool update_window_c::process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result)
{
    if (ui_process_message(message, w, l, result)) return true;
    switch (message) {
    case WM_INITDIALOG:
        set_up();
        result = TRUE;
        return true;
    case WM_ERASEBKGND:
        erase_dialog_band_with_box(hwnd(), reinterpret_cast<HDC>(w), band_brush_.get(), RECT{15, 10, 485, 195});
        result = 1;
        return true;
    case WM_PAINT: {
        paint_dc_t dc(hwnd());
        paint(dc.get());
        return true;
    }
    case WM_TIMER:
        if (w == poll_timer_id) poll();
        return true;
    case wm_update_window_state:
        result = MAKELRESULT(static_cast<WORD>(update_window_checking + static_cast<int>(phase_)),
                             static_cast<WORD>(exit_code_));
        return true;
    case WM_COMMAND:
        if (LOWORD(w) == IDOK) install_clicked();
        if (LOWORD(w) == IDCANCEL) close_box();
        return true;
    default:
        return false;
    }
}

void update_window_c::paint(HDC dc)
{
    SetBkMode(dc, TRANSPARENT);
    selected_object_t font(dc, skin_font(font_verdana_10));
    SetTextColor(dc, colour::message_text);
    RECT box{15 + 10, 10 + 15, 485 - 10, 140};
    draw_wrapped_text(dc, view_.text, box, 6, 0);
    if (view_.progress_shown) {
        selected_object_t small(dc, skin_font(font_verdana_8));
        RECT bar{25, 155, 475, 177};
        progress_.draw(dc, bar);
    }
}

void update_window_c::draw_band_content(HDC dc, const RECT&)
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

int run_update_window()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    // The program's texts, in the language of its settings (English fills
    // what a language lacks).
    u16 folder = updater_program_folder();
    u16 ini = folder + language_file_name;
    u16 name = updater_language_name();
    language_load(language_table, ini, name, true);
    language_load(language_table, ini, u"English", false);
    create_skin_fonts();
    int status;
    {
        update_window_c window(folder, configured_answer_keys());
        status = window.run();
    }
    destroy_skin_fonts();
    return status;
}

} // namespace tdu
