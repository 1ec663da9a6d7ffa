#include "ui/views/view_run_host.h"

#include "app/language.h"
#include "ui/dialogs/view_box.h"

namespace tdu {

box_result_t view_run_host_c::message_box(language_key_t key, box_style_t style)
{
    return show_view_box(view_window(), language_text(key), style);
}

box_result_t view_run_host_c::message_box_text(u16view text, box_style_t style)
{
    return show_view_box(view_window(), text, style);
}

void view_run_host_c::start_timer()
{
    if (timer_id_) SetTimer(view_window(), timer_id_, run_timer_ms, nullptr);
}

void view_run_host_c::stop_timer()
{
    if (timer_id_) KillTimer(view_window(), timer_id_);
}

void view_run_host_c::redraw()
{
    RedrawWindow(view_window(), nullptr, nullptr, RDW_UPDATENOW | RDW_INVALIDATE);
}

} // namespace tdu
