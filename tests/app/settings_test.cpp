// The settings store over the in-memory registry and (Windows build) the
// real registry of the Wine prefix; each test keeps its three keys below a
// key of its own and removes it afterwards.
#include "app/settings.h"
#include "registry_targets.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tdu;
using tdu::test::registry_target_t;
using tdu::test::utf16_bytes;
namespace fs = std::filesystem;

namespace {

constexpr int64_t clock_seconds = 1700004600;  // 2023-11-14 23:30:00 UTC
int64_t fixed_clock() { return clock_seconds; }
const char16_t today[] = u"2023-11-14";

class SettingsTest : public testing::TestWithParam<registry_target_t> {
protected:
    void SetUp() override
    {
        registry = GetParam().make();
        base = test::unique_test_key(testing::UnitTest::GetInstance()->current_test_info()->name());
        // The program's folder does not exist yet: the store creates the
        // default folders with their parents.
        program_folder = (temp.path() / "Program Files" / "Tavrill" / "").u16string();
    }
    void TearDown() override { registry->delete_tree(base); }

    // A store whose keys lie below `base`\`sub`.
    std::unique_ptr<settings_store_t> make_store(const u16& sub = u"")
    {
        auto store = std::make_unique<settings_store_t>(settings_store_t{
            *registry, GetParam().folders(), program_folder, program_folder + u"TavrillDriverUpdater.exe",
            fixed_clock});
        u16 root = base + (sub.empty() ? u"" : u"\\" + sub);
        store->keys = {root + u"\\Settings", root + u"\\Init", root + u"\\Run"};
        return store;
    }
    std::unique_ptr<registry_key_c> key(const u16& path)
    {
        std::unique_ptr<registry_key_c> k;
        EXPECT_EQ(registry->create_key(path, key_read_write, k, nullptr), reg_ok);
        return k;
    }
    void put(registry_key_c& k, const char16_t* name, uint32_t type, const std::string& bytes, size_t unstored = 0)
    {
        ASSERT_EQ(test::set_raw(k, name, type, bytes, unstored), reg_ok);
    }
    // The value as stored: its type and bytes, or type reg_none when absent.
    std::pair<uint32_t, std::string> stored(const u16& path, const char16_t* name)
    {
        auto k = key(path);
        uint32_t type = reg_none, size = 0;
        if (k->query_value(name, &type, nullptr, &size) != reg_ok) return {reg_none, {}};
        std::string bytes(size, '\0');
        EXPECT_EQ(k->query_value(name, &type, bytes.data(), &size), reg_ok);
        return {type, bytes};
    }
    std::pair<uint32_t, std::string> text_value(u16view text) { return {reg_sz, utf16_bytes(u16(text) + u'\0')}; }
    std::pair<uint32_t, std::string> dword_value(uint32_t n)
    {
        return {reg_dword, std::string(reinterpret_cast<const char*>(&n), 4)};
    }
    bool is_folder(const u16& path) { return fs::is_directory(fs::path(path)); }

    test::temp_dir_c temp;
    std::shared_ptr<registry_c> registry;
    u16 base;
    u16 program_folder;
};

} // namespace

TEST_P(SettingsTest, FirstRunWritesEveryValueWithTheInstallersDefaultLanguage)
{
    auto store = make_store();
    app_settings_t s;
    ASSERT_TRUE(settings_load(*store, s));

    const u16 download = program_folder + u"download", backup = program_folder + u"backup";
    EXPECT_EQ(u16(s.language), u"Nederlands");  // no installer key: code 9
    EXPECT_EQ(u16(s.install_date), today);
    EXPECT_EQ(u16(s.active_download_path), download);
    EXPECT_EQ(u16(s.download_path), download);
    EXPECT_EQ(u16(s.backup_path), backup);
    EXPECT_EQ(s.autorun, 0);
    EXPECT_EQ(s.scan_offline, 0);
    EXPECT_EQ(s.close_to_tray, 1);
    EXPECT_EQ(s.scheduled_scan, 0);
    EXPECT_EQ(s.restore_point, 1);

    const u16& k = store->keys.settings;
    EXPECT_EQ(stored(k, u"download_path"), text_value(download));
    EXPECT_EQ(stored(k, u"backup_path"), text_value(backup));
    EXPECT_EQ(stored(k, u"language"), text_value(u"Nederlands"));
    EXPECT_EQ(stored(k, u"install_date"), text_value(today));
    EXPECT_EQ(stored(k, u"autorun"), dword_value(0));
    EXPECT_EQ(stored(k, u"scan_offline"), dword_value(0));
    EXPECT_EQ(stored(k, u"close_to_tray"), dword_value(1));
    EXPECT_EQ(stored(k, u"scheduled_scan"), dword_value(0));
    EXPECT_EQ(stored(k, u"restore_point"), dword_value(1));
    EXPECT_EQ(stored(store->keys.run, run_value_name).first, reg_none);

    // The installer's key is created empty when it was absent.
    uint32_t disposition = 0;
    std::unique_ptr<registry_key_c> init;
    registry->create_key(store->keys.installer, key_read, init, &disposition);
    EXPECT_EQ(disposition, reg_opened_existing_key);

    EXPECT_TRUE(is_folder(download));
    EXPECT_TRUE(is_folder(backup));
}

TEST_P(SettingsTest, FirstRunTakesTheInstallersLanguageCode)
{
    struct row {
        const char* what;
        uint32_t type;
        std::string bytes;  // empty with reg_none: no value
        u16 language;
    };
    auto code = [](uint32_t n) { return std::string(reinterpret_cast<const char*>(&n), 4); };
    const row rows[] = {
        {"missing", reg_none, "", u"Nederlands"},
        {"1", reg_dword, code(1), u"English"},
        {"2", reg_dword, code(2), u"Deutsch"},
        {"3", reg_dword, code(3), u"Español"},
        {"4", reg_dword, code(4), u"Français"},
        {"5", reg_dword, code(5), u"Italiano"},
        {"6", reg_dword, code(6), u"日本語"},
        {"7", reg_dword, code(7), u"简体中文"},
        {"8", reg_dword, code(8), u"繁體中文"},
        {"10", reg_dword, code(10), u"Português"},
        {"11", reg_dword, code(11), u"العربية"},
        {"0 keeps the default", reg_dword, code(0), u"English"},
        {"12 keeps the default", reg_dword, code(12), u"English"},
        {"a text counts as missing", reg_sz, utf16_bytes(u"6"), u"Nederlands"},
        {"a short binary counts as missing", reg_binary, std::string(1, '\x06'), u"Nederlands"},
    };
    int n = 0;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        auto store = make_store(ascii_to_utf16("row" + std::to_string(n++)));
        if (r.type != reg_none) put(*key(store->keys.installer), u"language", r.type, r.bytes);
        app_settings_t s;
        ASSERT_TRUE(settings_load(*store, s));
        EXPECT_EQ(u16(s.language), r.language);
        EXPECT_EQ(stored(store->keys.settings, u"language"), text_value(r.language));
    }
}

TEST_P(SettingsTest, ExistingKeyLoadsEveryValueAndKeepsTheInstallersKeyUnread)
{
    auto store = make_store();
    const u16 download = (temp.path() / "Pakete" / "neu").u16string();
    const u16 backup = (temp.path() / "Sicherung").u16string();
    {
        auto k = key(store->keys.settings);
        reg_set_dword(*k, u"autorun", 1);
        reg_set_dword(*k, u"scan_offline", 1);
        reg_set_dword(*k, u"close_to_tray", 2);
        reg_set_dword(*k, u"scheduled_scan", 1);
        reg_set_dword(*k, u"restore_point", 0);
        reg_set_string(*k, u"download_path", download);
        put(*k, u"backup_path", reg_expand_sz, utf16_bytes(backup + u'\0'));
        reg_set_string(*k, u"language", u"Deutsch");
        reg_set_string(*k, u"install_date", u"2015-04-07");
        reg_set_dword(*key(store->keys.installer), u"language", 6);
    }
    app_settings_t s;
    ASSERT_TRUE(settings_load(*store, s));
    EXPECT_EQ(s.autorun, 1);
    EXPECT_EQ(s.scan_offline, 1);
    EXPECT_EQ(s.close_to_tray, 2);
    EXPECT_EQ(s.scheduled_scan, 1);
    EXPECT_EQ(s.restore_point, 0);
    EXPECT_EQ(u16(s.active_download_path), download);
    EXPECT_EQ(u16(s.download_path), download);
    EXPECT_EQ(u16(s.backup_path), backup);
    EXPECT_EQ(u16(s.language), u"Deutsch");
    EXPECT_EQ(u16(s.install_date), u"2015-04-07");
    EXPECT_EQ(stored(store->keys.settings, u"install_date"), text_value(u"2015-04-07"));
    // Loading does not touch the Run entry; only a save does.
    EXPECT_EQ(stored(store->keys.run, run_value_name).first, reg_none);
    EXPECT_TRUE(is_folder(download));
    EXPECT_TRUE(is_folder(backup));
}

TEST_P(SettingsTest, ExistingKeyWithoutADateGetsTodayWrittenAtOnce)
{
    struct row {
        const char* what;
        bool write_date;
        u16 date;
    };
    const row rows[] = {
        {"no install_date", false, u""},
        {"the initial 0000-00-00", true, u"0000-00-00"},
    };
    int n = 0;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        auto store = make_store(ascii_to_utf16("row" + std::to_string(n++)));
        {
            auto k = key(store->keys.settings);
            reg_set_string(*k, u"language", u"Italiano");
            if (r.write_date) reg_set_string(*k, u"install_date", r.date);
        }
        app_settings_t s;
        ASSERT_TRUE(settings_load(*store, s));
        EXPECT_EQ(u16(s.install_date), today);
        EXPECT_EQ(stored(store->keys.settings, u"install_date"), text_value(today));
        // Values that are missing keep their defaults and are not written.
        EXPECT_EQ(u16(s.language), u"Italiano");
        EXPECT_EQ(s.close_to_tray, 1);
        EXPECT_EQ(u16(s.download_path), program_folder + u"download");
        EXPECT_EQ(stored(store->keys.settings, u"close_to_tray").first, reg_none);
    }
}

TEST_P(SettingsTest, BadValuesKeepTheirDefaultsAndLoseNothingElse)
{
    auto store = make_store();
    {
        auto k = key(store->keys.settings);
        put(*k, u"autorun", reg_sz, utf16_bytes(u"1"));                     // wrong type
        put(*k, u"close_to_tray", reg_dword, std::string("\x00\x00", 2));   // wrong size
        put(*k, u"scheduled_scan", reg_binary, std::string("\x01\0\0\0", 4));
        reg_set_dword(*k, u"scan_offline", 1);                                   // fine
        reg_set_string(*k, u"download_path", u16(300, u'x'));                    // too long
        put(*k, u"backup_path", reg_sz, utf16_bytes(u"C:\\unterminated!"), 2);  // no zero
        put(*k, u"language", reg_binary, utf16_bytes(u"Deutsch\0"));         // wrong type
        reg_set_string(*k, u"install_date", u"2020-01-02");                      // fine
    }
    app_settings_t s;
    ASSERT_TRUE(settings_load(*store, s));
    EXPECT_EQ(s.autorun, 0);
    EXPECT_EQ(s.close_to_tray, 1);
    EXPECT_EQ(s.scheduled_scan, 0);
    EXPECT_EQ(s.scan_offline, 1);
    EXPECT_EQ(u16(s.active_download_path), program_folder + u"download");
    EXPECT_EQ(u16(s.download_path), program_folder + u"download");
    EXPECT_EQ(u16(s.backup_path), program_folder + u"backup");
    EXPECT_EQ(u16(s.language), u"English");
    EXPECT_EQ(u16(s.install_date), u"2020-01-02");
}

TEST_P(SettingsTest, RunEntryExistsExactlyWhileAutorunIsOn)
{
    auto store = make_store();
    app_settings_t s;
    ASSERT_TRUE(settings_load(*store, s));

    s.autorun = 1;
    ASSERT_TRUE(settings_save(*store, s));
    EXPECT_EQ(stored(store->keys.run, run_value_name), text_value(store->program_path));
    EXPECT_EQ(stored(store->keys.settings, u"autorun"), dword_value(1));

    // Another program's entry in the same key stays.
    reg_set_string(*key(store->keys.run), u"Other", u"C:\\other.exe");
    s.autorun = 0;
    ASSERT_TRUE(settings_save(*store, s));
    EXPECT_EQ(stored(store->keys.run, run_value_name).first, reg_none);
    EXPECT_EQ(stored(store->keys.run, u"Other"), text_value(u"C:\\other.exe"));
    // Removing an entry that is not there is no error.
    EXPECT_TRUE(settings_set_run_entry(*store, false));
}

TEST_P(SettingsTest, DownloadFolderChangeIsSavedButThisRunKeepsItsFolder)
{
    auto store = make_store();
    app_settings_t s;
    ASSERT_TRUE(settings_load(*store, s));
    const u16 loaded = s.active_download_path;
    const u16 changed = (temp.path() / "elsewhere").u16string();

    copy_field(s.download_path, settings_path_chars, changed);
    ASSERT_TRUE(settings_save(*store, s));
    EXPECT_EQ(u16(s.active_download_path), loaded);
    EXPECT_EQ(stored(store->keys.settings, u"download_path"), text_value(changed));

    // The next start uses it.
    auto next = make_store();
    app_settings_t t;
    ASSERT_TRUE(settings_load(*next, t));
    EXPECT_EQ(u16(t.active_download_path), changed);
    EXPECT_EQ(u16(t.download_path), changed);
    EXPECT_TRUE(is_folder(changed));
}

TEST_P(SettingsTest, IgnoreListSurvivesARestartAndBadStoredFormsLoseNothingElse)
{
    auto store = make_store();
    app_settings_t s;
    ASSERT_TRUE(settings_load(*store, s));
    EXPECT_TRUE(s.ignored_offers.empty());

    ASSERT_TRUE(ignore_offer(s.ignored_offers, {u"PCI\\VEN_8086&DEV_100E", u"8.4.13.0", u"2024-05-01", u"Gigabit\tAdapter"}));
    ASSERT_TRUE(ignore_offer(s.ignored_offers, {u"USBPRINT\\ACME_LASER", u"2.0", u"2023-01-09", u"ACME 日本語"}));
    ASSERT_TRUE(settings_save_ignored_offers(*store, s));
    EXPECT_EQ(stored(store->keys.settings, ignored_offers_value).first, reg_multi_sz);

    auto next = make_store();
    app_settings_t t;
    ASSERT_TRUE(settings_load(*next, t));
    ASSERT_EQ(t.ignored_offers.size(), 2u);
    EXPECT_EQ(t.ignored_offers[0].hardware_id, u"PCI\\VEN_8086&DEV_100E");
    EXPECT_EQ(t.ignored_offers[0].version, u"8.4.13.0");
    EXPECT_EQ(t.ignored_offers[0].date, u"2024-05-01");
    EXPECT_EQ(t.ignored_offers[0].title, u"Gigabit Adapter");  // a TAB inside a field is stored as a space
    EXPECT_EQ(t.ignored_offers[1].title, u"ACME 日本語");

    // Saving every setting keeps the list; an emptied list leaves no value.
    ASSERT_TRUE(settings_save(*next, t));
    EXPECT_EQ(stored(store->keys.settings, ignored_offers_value).first, reg_multi_sz);
    t.ignored_offers.clear();
    ASSERT_TRUE(settings_save_ignored_offers(*next, t));
    EXPECT_EQ(stored(store->keys.settings, ignored_offers_value).first, reg_none);

    // A value of another type is an empty list, and the other settings load.
    put(*key(store->keys.settings), ignored_offers_value, reg_sz, utf16_bytes(u"PCI\\X\t1.0\t2020-01-01\tX"));
    put(*key(store->keys.settings), u"language", reg_sz, utf16_bytes(u16(u"Deutsch") + u'\0'));
    app_settings_t u;
    ASSERT_TRUE(settings_load(*make_store(), u));
    EXPECT_TRUE(u.ignored_offers.empty());
    EXPECT_EQ(u16(u.language), u"Deutsch");
}

TEST_P(SettingsTest, WeeklyUpdateLookIsOnByDefaultAndItsTimeSurvivesARestart)
{
    {
        auto store = make_store();
        app_settings_t s;
        ASSERT_TRUE(settings_load(*store, s));
        EXPECT_EQ(s.update_check, 1);
        EXPECT_EQ(s.update_check_time, 0);
        EXPECT_EQ(stored(store->keys.settings, u"update_check"), dword_value(1));
        // A time past 2038 (more than 32 bits), written alone.
        s.update_check_time = 4'102'444'800;
        ASSERT_TRUE(settings_save_update_check_time(*store, s));
        s.update_check = 0;
        ASSERT_TRUE(settings_save(*store, s));
    }
    auto store = make_store();
    app_settings_t s;
    ASSERT_TRUE(settings_load(*store, s));
    EXPECT_EQ(s.update_check, 0);
    EXPECT_EQ(s.update_check_time, 4'102'444'800);

    // A stored time that is not a plain number means "never": the next
    // scan looks.
    for (const char16_t* bad : {u"-5", u"12x", u"", u"99999999999999999999"}) {
        reg_set_string(*key(store->keys.settings), u"update_check_time", bad);
        auto again = make_store();
        ASSERT_TRUE(settings_load(*again, s));
        EXPECT_EQ(s.update_check_time, 0) << utf16_to_utf8(bad);
        EXPECT_EQ(s.update_check, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Registries, SettingsTest, testing::ValuesIn(test::registry_targets()),
                         [](const testing::TestParamInfo<registry_target_t>& info) { return info.param.name; });

// Failures of the registry itself, which only the in-memory registry can
// produce on demand.
TEST(SettingsFailures, SettingsKeyThatCannotBeOpenedFailsTheLoad)
{
    memory_registry_c registry;
    registry.deny(settings_key_path);
    test::temp_dir_c temp;
    settings_store_t store{registry, std_folder_ops(), (temp.path() / "").u16string(), u"prog.exe", fixed_clock};
    app_settings_t s;
    EXPECT_FALSE(settings_load(store, s));
    EXPECT_FALSE(settings_save(store, s));
}

TEST(SettingsFailures, AFirstRunWhoseValuesCannotBeWrittenGoesOnWithThemInMemory)
{
    memory_registry_c registry;
    {
        std::unique_ptr<registry_key_c> init;
        ASSERT_EQ(registry.create_key(installer_key_path, key_read_write, init, nullptr), reg_ok);
        reg_set_dword(*init, u"language", 2);
    }
    registry.deny_writes(settings_key_path);
    test::temp_dir_c temp;
    settings_store_t store{registry, std_folder_ops(), (temp.path() / "").u16string(), u"prog.exe", fixed_clock};
    app_settings_t s;
    ASSERT_TRUE(settings_load(store, s));
    EXPECT_TRUE(store.first_run_unwritten);
    EXPECT_EQ(u16(s.language), u"Deutsch");
    EXPECT_EQ(u16(s.install_date), today);
    EXPECT_TRUE(fs::is_directory(fs::path(u16(s.backup_path))));
    EXPECT_FALSE(settings_save(store, s));

    // A first run that writes everything says so too.
    memory_registry_c writable;
    settings_store_t fine{writable, std_folder_ops(), (temp.path() / "").u16string(), u"prog.exe", fixed_clock};
    ASSERT_TRUE(settings_load(fine, s));
    EXPECT_FALSE(fine.first_run_unwritten);
}

TEST(SettingsFailures, RunKeyThatCannotBeOpenedStillSavesTheSettings)
{
    memory_registry_c registry;
    registry.deny(run_key_path);
    test::temp_dir_c temp;
    settings_store_t store{registry, std_folder_ops(), (temp.path() / "").u16string(), u"prog.exe", fixed_clock};
    app_settings_t s;
    ASSERT_TRUE(settings_load(store, s));
    s.autorun = 1;
    s.scan_offline = 1;
    EXPECT_TRUE(settings_save(store, s));
    EXPECT_FALSE(settings_set_run_entry(store, true));
    uint32_t value = 0;
    EXPECT_TRUE(reg_read_dword(*store.key, u"scan_offline", value));
    EXPECT_EQ(value, 1u);
}

TEST(SettingsDefaults, FieldsAndLimits)
{
    app_settings_t s;
    EXPECT_EQ(u16(s.install_date), u"0000-00-00");
    s.autorun = 1;
    s.close_to_tray = 0;
    copy_field(s.language, settings_language_chars, u"Deutsch");
    copy_field(s.install_date, settings_date_chars, u"2001-02-03");
    settings_set_defaults(s, u"C:\\Prog\\");
    EXPECT_EQ(s.autorun, 0);
    EXPECT_EQ(s.close_to_tray, 1);
    EXPECT_EQ(u16(s.language), u"English");
    EXPECT_EQ(u16(s.install_date), u"2001-02-03");  // kept
    EXPECT_EQ(u16(s.download_path), u"C:\\Prog\\download");
    EXPECT_EQ(u16(s.backup_path), u"C:\\Prog\\backup");

    // A program folder near the limit gives a path cut to 259 units.
    settings_set_defaults(s, u16(255, u'p'));
    EXPECT_EQ(u16(s.download_path), u16(255, u'p') + u"down");
}

TEST(SettingsDefaults, InstallDateIsTheUtcDate)
{
    struct row {
        int64_t seconds;
        const char16_t* date;
    };
    const row rows[] = {
        {0, u"1970-01-01"},
        {86399, u"1970-01-01"},
        {-1, u"1969-12-31"},
        {951782400, u"2000-02-29"},
        {1700004600, u"2023-11-14"},
        {4107542399, u"2100-02-28"},
        {253402300799, u"9999-12-31"},
    };
    for (const auto& r : rows) {
        app_settings_t s;
        settings_stamp_install_date(s, r.seconds);
        EXPECT_EQ(u16(s.install_date), r.date) << r.seconds;
    }
}
