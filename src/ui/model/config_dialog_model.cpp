#include "ui/model/config_dialog_model.h"

#include <algorithm>

namespace tdu {

namespace {

int32_t checked_value(int32_t& stored)
{
    if (stored < 0 || stored > 2) stored = 0;
    return stored;
}

void copy_text(char16_t* field, size_t capacity, u16view text)
{
    const size_t n = std::min(text.size(), capacity - 1);
    std::copy_n(text.data(), n, field);
    field[n] = 0;
}

} // namespace

config_form_t config_form_from(app_settings_t& s)
{
    config_form_t f;
    f.download_path = s.download_path;
    f.backup_path = s.backup_path;
    f.driver_folder = s.driver_folder;
    f.autorun = checked_value(s.autorun) != 0;
    f.scan_offline = checked_value(s.scan_offline) != 0;
    f.scheduled_scan = checked_value(s.scheduled_scan) != 0;
    f.update_check = s.update_check != 0;
    f.close_to_tray = s.close_to_tray != 0;
    return f;
}

int32_t close_to_tray_after_ok(bool ticked, int32_t before)
{
    if (!ticked) return 0;
    return before == 0 ? 1 : before;
}

config_ok_t config_ok(const config_form_t& form, const app_settings_t& current, int32_t current_language_index,
                      const std::vector<u16>& language_names, const std::function<bool(u16view)>& is_folder)
{
    config_ok_t out;
    // A text too long for the setting is refused before it is looked up: it
    // could never be stored whole, and a cut path would name another folder.
    const std::pair<int, const u16*> fields[] = {{config_id::download_path, &form.download_path},
                                                 {config_id::backup_path, &form.backup_path},
                                                 {config_id::driver_folder, &form.driver_folder}};
    for (const auto& [id, text] : fields) {
        if (text->size() > config_path_max_chars) {
            out.kind = config_ok_t::too_long;
            out.field = id;
            out.message = lang::config_path_too_long;
            return out;
        }
        if (id == config_id::driver_folder && text->empty()) continue;
        if (text->empty() || !is_folder(*text)) {
            out.kind = config_ok_t::invalid_folder;
            out.field = id;
            out.message = id == config_id::download_path ? lang::config_invalid_download_path
                          : id == config_id::backup_path ? lang::config_invalid_backup_path
                                                         : lang::config_invalid_driver_folder;
            return out;
        }
    }

    out.settings = current;
    app_settings_t& s = out.settings;
    copy_text(s.download_path, settings_path_chars, form.download_path);
    copy_text(s.backup_path, settings_path_chars, form.backup_path);
    copy_text(s.driver_folder, settings_path_chars, form.driver_folder);
    s.autorun = form.autorun ? 1 : 0;
    s.scan_offline = form.scan_offline ? 1 : 0;
    s.scheduled_scan = form.scheduled_scan ? 1 : 0;
    s.update_check = form.update_check ? 1 : 0;
    if (form.language_index != current_language_index && form.language_index >= 0 &&
        static_cast<size_t>(form.language_index) < language_names.size()) {
        copy_text(s.language, settings_language_chars, language_names[static_cast<size_t>(form.language_index)]);
        out.language_notice = true;
    }
    s.close_to_tray = close_to_tray_after_ok(form.close_to_tray, current.close_to_tray);
    out.kind = config_ok_t::apply;
    return out;
}

scheduled_click_t scheduled_scan_clicked(bool now_ticked)
{
    if (now_ticked) return {true, true, true};
    return {false, false, false};
}

std::optional<bool> config_cancel_trigger(bool box_ticked, int32_t saved_scheduled_scan)
{
    const bool saved = saved_scheduled_scan != 0;
    if (box_ticked == saved) return std::nullopt;
    return saved;
}

} // namespace tdu
