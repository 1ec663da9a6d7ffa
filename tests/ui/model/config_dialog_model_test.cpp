// The settings dialog's OK and Cancel and the weekly-scan box.
#include "ui/model/config_dialog_model.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace tdu;

namespace {

const std::vector<u16> names = {u"English", u"Deutsch", u"日本語"};

// Folders that exist on the test's imagined machine.
bool exists(u16view path)
{
    static const std::set<u16> folders = {u"C:\\dl", u"C:\\bk", u"D:\\new"};
    return folders.count(u16(path)) != 0;
}

app_settings_t saved()
{
    app_settings_t s;
    u16 dl = u"C:\\dl", bk = u"C:\\bk";
    std::copy(dl.begin(), dl.end(), s.download_path);
    std::copy(bk.begin(), bk.end(), s.backup_path);
    return s;
}

} // namespace

TEST(ConfigDialogModel, OkRefusesMissingAndOverlongFoldersAndChangesNothing)
{
    const u16 long_folder(config_path_max_chars + 1, u'a');
    const u16 longest(config_path_max_chars, u'a');
    struct row {
        u16 download, backup;
        config_ok_t::kind_t kind;
        int field;
        std::string message;  // each refusal says what is wrong with which field
    };
    const u16 path_312(312, u'b');  // a path as long as one a user pasted
    const row rows[] = {
        {u"C:\\dl", u"C:\\bk", config_ok_t::apply, 0, "btn_ok"},
        {u"C:\\missing", u"C:\\bk", config_ok_t::invalid_folder, config_id::download_path,
         "config_invalid_download_path"},
        {u"C:\\dl", u"C:\\missing", config_ok_t::invalid_folder, config_id::backup_path, "config_invalid_backup_path"},
        {u"", u"C:\\bk", config_ok_t::invalid_folder, config_id::download_path, "config_invalid_download_path"},
        {u"C:\\dl", u"", config_ok_t::invalid_folder, config_id::backup_path, "config_invalid_backup_path"},
        {long_folder, u"C:\\bk", config_ok_t::too_long, config_id::download_path, "config_path_too_long"},
        {u"C:\\dl", long_folder, config_ok_t::too_long, config_id::backup_path, "config_path_too_long"},
        {path_312, u"C:\\bk", config_ok_t::too_long, config_id::download_path, "config_path_too_long"},
        // 259 characters is the longest a setting holds; here it names no folder.
        {longest, u"C:\\bk", config_ok_t::invalid_folder, config_id::download_path, "config_invalid_download_path"},
    };
    for (const auto& r : rows) {
        config_form_t f;
        f.download_path = r.download;
        f.backup_path = r.backup;
        config_ok_t out = config_ok(f, saved(), 0, names, exists);
        EXPECT_EQ(out.kind, r.kind) << r.download.size() << " " << r.backup.size();
        EXPECT_EQ(out.field, r.field);
        EXPECT_EQ(std::string(out.message.name), r.message);
        EXPECT_FALSE(out.language_notice);
    }
}

TEST(ConfigDialogModel, OkAppliesEveryBox)
{
    app_settings_t s = saved();
    config_form_t f = config_form_from(s);
    f.download_path = u"D:\\new";
    f.autorun = true;
    f.scan_offline = true;
    f.scheduled_scan = true;
    EXPECT_TRUE(f.update_check) << "the weekly version look is on by default";
    f.update_check = false;
    config_ok_t out = config_ok(f, s, 0, names, exists);
    ASSERT_EQ(out.kind, config_ok_t::apply);
    EXPECT_EQ(u16(out.settings.download_path), u"D:\\new");
    EXPECT_EQ(u16(out.settings.active_download_path), u16(s.active_download_path))
        << "the folder in use changes at the next start";
    EXPECT_EQ(u16(out.settings.backup_path), u"C:\\bk");
    EXPECT_EQ(out.settings.autorun, 1);
    EXPECT_EQ(out.settings.scan_offline, 1);
    EXPECT_EQ(out.settings.scheduled_scan, 1);
    EXPECT_EQ(out.settings.update_check, 0);
    EXPECT_EQ(u16(out.settings.language), u"English");
}

TEST(ConfigDialogModel, TheDriverFolderIsEmptyForTheServiceOrAnExistingFolder)
{
    struct row {
        u16 folder;
        config_ok_t::kind_t kind;
        std::string message;
    };
    const row rows[] = {
        {u"", config_ok_t::apply, "btn_ok"},
        {u"D:\\new", config_ok_t::apply, "btn_ok"},
        {u"E:\\stick", config_ok_t::invalid_folder, "config_invalid_driver_folder"},
        {u16(300, u'd'), config_ok_t::too_long, "config_path_too_long"},
    };
    for (const auto& r : rows) {
        app_settings_t s = saved();
        config_form_t f = config_form_from(s);
        EXPECT_EQ(f.driver_folder, u"");
        f.driver_folder = r.folder;
        config_ok_t out = config_ok(f, s, 0, names, exists);
        EXPECT_EQ(out.kind, r.kind) << utf16_to_utf8(r.folder);
        EXPECT_EQ(std::string(out.message.name), r.message);
        if (out.kind == config_ok_t::apply) {
            EXPECT_EQ(u16(out.settings.driver_folder), r.folder);
        } else {
            EXPECT_EQ(out.field, config_id::driver_folder);
        }
    }
}

TEST(ConfigDialogModel, CloseToTrayKeepsTheNoticeState)
{
    struct row {
        bool ticked;
        int32_t before, after;
    };
    const row rows[] = {{false, 0, 0}, {false, 1, 0}, {false, 2, 0}, {true, 0, 1}, {true, 1, 1}, {true, 2, 2}};
    for (const auto& r : rows) {
        EXPECT_EQ(close_to_tray_after_ok(r.ticked, r.before), r.after) << r.ticked << " " << r.before;
        app_settings_t s = saved();
        s.close_to_tray = r.before;
        config_form_t f = config_form_from(s);
        EXPECT_EQ(f.close_to_tray, r.before != 0);
        f.close_to_tray = r.ticked;
        EXPECT_EQ(config_ok(f, s, 0, names, exists).settings.close_to_tray, r.after);
    }
}

TEST(ConfigDialogModel, OpeningResetsOnOffValuesOutOfRange)
{
    app_settings_t s = saved();
    s.autorun = 7;
    s.scan_offline = -1;
    s.scheduled_scan = 2;
    config_form_t f = config_form_from(s);
    EXPECT_FALSE(f.autorun);
    EXPECT_FALSE(f.scan_offline);
    EXPECT_TRUE(f.scheduled_scan);
    EXPECT_EQ(s.autorun, 0);
    EXPECT_EQ(s.scan_offline, 0);
    EXPECT_EQ(s.scheduled_scan, 2);
}

TEST(ConfigDialogModel, LanguageChangeNoticeOnlyOnAChange)
{
    app_settings_t s = saved();
    config_form_t f = config_form_from(s);
    f.language_index = 2;
    config_ok_t first = config_ok(f, s, 0, names, exists);
    EXPECT_TRUE(first.language_notice);
    EXPECT_EQ(u16(first.settings.language), u"日本語");
    // The dialog made position 2 the current one: OK again shows nothing.
    config_ok_t again = config_ok(f, first.settings, 2, names, exists);
    EXPECT_FALSE(again.language_notice);
    EXPECT_EQ(u16(again.settings.language), u"日本語");
    // A position outside the list is no language.
    f.language_index = 9;
    EXPECT_FALSE(config_ok(f, s, 0, names, exists).language_notice);
}

TEST(ConfigDialogModel, WeeklyScanClickAndCancel)
{
    scheduled_click_t on = scheduled_scan_clicked(true);
    EXPECT_TRUE(on.create && on.trigger_on && on.edit);
    scheduled_click_t off = scheduled_scan_clicked(false);
    EXPECT_FALSE(off.create || off.trigger_on || off.edit);

    struct row {
        bool box;
        int32_t saved;
        std::optional<bool> put_back;
    };
    const row rows[] = {
        {true, 0, false},  // checked then cancelled: the trigger goes off again
        {false, 1, true},  // cleared then cancelled: on again
        {true, 1, std::nullopt},
        {false, 0, std::nullopt},
    };
    for (const auto& r : rows) EXPECT_EQ(config_cancel_trigger(r.box, r.saved), r.put_back) << r.box << r.saved;
}
