#include "ui/dialogs/view_box.h"

#include "ui/dialogs/message_window.h"

namespace tdu {

namespace {
box_observer_t& observer()
{
    static box_observer_t value;
    return value;
}
} // namespace

box_result_t show_view_box(HWND owner, u16view text, box_style_t style)
{
    if (observer()) return observer()(text, style);
    return box_result_from_button(show_message_box(owner, text, static_cast<unsigned>(style)));
}

void set_box_observer(box_observer_t o) { observer() = std::move(o); }

} // namespace tdu
