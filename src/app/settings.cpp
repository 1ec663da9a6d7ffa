#include "app/settings.h"

#include <chrono>
#include <cstdio>

namespace tdu {

const char16_t settings_key_path[] = u"SOFTWARE\\Tavrill Driver Updater";
const char16_t installer_key_path[] = u"SOFTWARE\\Tavrill_Driver_Updater_Init";
const char16_t run_key_path[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char16_t run_value_name[] = u"Tavrill Driver Updater";

app_settings_t settings;

namespace {

// The numbers, stored as REG_DWORD values of their own names.
struct number_value_t {
    const char16_t* name;
    int32_t app_settings_t::*field;
};
const number_value_t number_values[] = {
    {u"autorun", &app_settings_t::autorun},
    {u"scan_offline", &app_settings_t::scan_offline},
    {u"close_to_tray", &app_settings_t::close_to_tray},
    {u"scheduled_scan", &app_settings_t::scheduled_scan},
    {u"restore_point", &app_settings_t::restore_point},
    {u"update_check", &app_settings_t::update_check},
};

constexpr size_t time_chars = 24;

long write_update_check_time(registry_key_c& key, int64_t seconds)
{
    return reg_set_string(key, u"update_check_time", ascii_to_utf16(std::to_string(seconds)));
}

// A value that is not a plain non-negative decimal number reads as 0
// (never looked), so the next scan looks.
int64_t read_update_check_time(registry_key_c& key)
{
    char16_t text[time_chars] = {};
    if (!reg_read_string(key, u"update_check_time", text, time_chars)) return 0;
    int64_t value = 0;
    size_t digits = 0;
    for (const char16_t* c = text; *c; ++c, ++digits) {
        if (*c < u'0' || *c > u'9' || digits >= 18) return 0;
        value = value * 10 + (*c - u'0');
    }
    return value;
}

// The installer code taken when the Init key holds no usable "language"
// value: "Nederlands".
constexpr uint32_t installer_default_code = 9;

// Days since 1970-01-01 to year, month and day of the proleptic Gregorian
// calendar, by 400-year eras of 146097 days.
void civil_from_days(int64_t z, int64_t& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
}

void take_installer_language(settings_store_t& store, app_settings_t& s)
{
    std::unique_ptr<registry_key_c> init;
    if (store.registry.create_key(store.keys.installer, key_read, init, nullptr) != reg_ok) return;
    uint32_t code = installer_default_code;
    // Anything but a 4-byte REG_DWORD counts as missing.
    reg_read_dword(*init, u"language", code);
    if (const char16_t* name = installer_language_name(code)) copy_field(s.language, settings_language_chars, name);
}

} // namespace

int64_t system_utc_now()
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

const char16_t* installer_language_name(uint32_t code)
{
    static const char16_t* const names[] = {
        u"English", u"Deutsch", u"Español", u"Français", u"Italiano", u"日本語",
        u"简体中文", u"繁體中文", u"Nederlands", u"Português", u"العربية",
    };
    if (code < 1 || code > 11) return nullptr;
    return names[code - 1];
}

void settings_set_defaults(app_settings_t& s, u16view program_folder)
{
    s.autorun = 0;
    s.scan_offline = 0;
    s.scheduled_scan = 0;
    s.close_to_tray = 1;
    s.restore_point = 1;
    s.update_check = 1;
    s.update_check_time = 0;
    u16 download = u16(program_folder) + u"download";
    copy_field(s.active_download_path, settings_path_chars, download);
    copy_field(s.download_path, settings_path_chars, download);
    copy_field(s.backup_path, settings_path_chars, u16(program_folder) + u"backup");
    s.driver_folder[0] = u'\0';
    copy_field(s.language, settings_language_chars, u"English");
}

void settings_stamp_install_date(app_settings_t& s, int64_t utc_seconds)
{
    int64_t days = utc_seconds / 86400;
    if (utc_seconds % 86400 < 0) --days;
    int64_t y;
    unsigned m, d;
    civil_from_days(days, y, m, d);
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u", static_cast<long long>(y), m, d);
    copy_field(s.install_date, settings_date_chars, ascii_to_utf16(text));
}

bool settings_set_run_entry(settings_store_t& store, bool enabled)
{
    std::unique_ptr<registry_key_c> run;
    if (store.registry.create_key(store.keys.run, key_read_write, run, nullptr) != reg_ok) return false;
    if (enabled)
        reg_set_string(*run, run_value_name, store.program_path);
    else
        run->delete_value(run_value_name);  // a missing value is no error
    return true;
}

bool settings_save(settings_store_t& store, const app_settings_t& s)
{
    if (!store.key && store.registry.create_key(store.keys.settings, key_read_write, store.key, nullptr) != reg_ok)
        return false;
    registry_key_c& key = *store.key;
    bool all_written = true;
    auto check = [&](long rc) { all_written = all_written && rc == reg_ok; };
    check(reg_set_string(key, u"download_path", s.download_path));
    check(reg_set_string(key, u"backup_path", s.backup_path));
    check(reg_set_string(key, u"driver_folder", s.driver_folder));
    check(reg_set_string(key, u"language", s.language));
    check(reg_set_string(key, u"install_date", s.install_date));
    for (const auto& n : number_values) check(reg_set_dword(key, n.name, static_cast<uint32_t>(s.*n.field)));
    check(save_ignored_offers(key, s.ignored_offers));
    check(write_update_check_time(key, s.update_check_time));
    settings_set_run_entry(store, s.autorun != 0);
    return all_written;
}

bool settings_save_ignored_offers(settings_store_t& store, const app_settings_t& s)
{
    if (!store.key && store.registry.create_key(store.keys.settings, key_read_write, store.key, nullptr) != reg_ok)
        return false;
    return save_ignored_offers(*store.key, s.ignored_offers) == reg_ok;
}

bool settings_save_update_check_time(settings_store_t& store, const app_settings_t& s)
{
    if (!store.key && store.registry.create_key(store.keys.settings, key_read_write, store.key, nullptr) != reg_ok)
        return false;
    return write_update_check_time(*store.key, s.update_check_time) == reg_ok;
}

bool settings_load(settings_store_t& store, app_settings_t& s)
{
    settings_set_defaults(s, store.program_folder);
    store.key.reset();
    uint32_t disposition = 0;
    if (store.registry.create_key(store.keys.settings, key_read_write, store.key, &disposition) != reg_ok) return false;

    store.first_run_unwritten = false;
    if (disposition == reg_opened_existing_key) {
        registry_key_c& key = *store.key;
        // A value that is missing, of another type or size, or too long
        // leaves the field's default.
        for (const auto& n : number_values) {
            uint32_t value;
            if (reg_read_dword(key, n.name, value)) s.*n.field = static_cast<int32_t>(value);
        }
        if (reg_read_string(key, u"download_path", s.active_download_path, settings_path_chars))
            copy_field(s.download_path, settings_path_chars, s.active_download_path);
        reg_read_string(key, u"backup_path", s.backup_path, settings_path_chars);
        reg_read_string(key, u"driver_folder", s.driver_folder, settings_path_chars);
        reg_read_string(key, u"language", s.language, settings_language_chars);
        reg_read_string(key, u"install_date", s.install_date, settings_date_chars);
        s.ignored_offers = load_ignored_offers(key);
        s.update_check_time = read_update_check_time(key);
        if (u16view(s.install_date) == u"0000-00-00") {
            settings_stamp_install_date(s, store.utc_now());
            reg_set_string(key, u"install_date", s.install_date);
        }
    } else {
        settings_stamp_install_date(s, store.utc_now());
        take_installer_language(store, s);
        // The key exists, so the settings are usable: a value that cannot be
        // written is no reason to stop start-up.
        store.first_run_unwritten = !settings_save(store, s);
    }

    // Folder creation failures are left to the Parts that use the folders.
    for (const char16_t* folder : {s.active_download_path, s.backup_path})
        if (!store.folders.is_folder(folder)) store.folders.create_folders(folder);
    return true;
}

} // namespace tdu
