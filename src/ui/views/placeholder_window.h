#pragma once
// A view the main window can already switch to whose content comes later
// (the backup and the restore views): a white page with its title.
#include "app/language_keys.h"
#include "ui/win/window.h"

namespace tdu {

class placeholder_window_c : public window_c<placeholder_window_c> {
public:
    static constexpr wchar_t class_name[] = L"TavrillPlaceholderView";

    // `title_key`: the language key of the page's title.
    explicit placeholder_window_c(language_key_t title_key) : title_key_(title_key) {}

    HWND create_view(HWND parent, const RECT& rect);
    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);
    // Whether a run of the view works now (a backup or a restore): none yet.
    bool run_working() const { return false; }

private:
    language_key_t title_key_;
};

} // namespace tdu
