// The settings dialog under Wine with real windows: start-up as the program
// does it (the settings in the prefix's registry), then the dialog run
// modally and driven from inside its loop. What OK saves is read back from
// the registry, the Run entry from the Run key, and the weekly task through
// the Task Scheduler, without the code under test. The language notice and
// the refused folders' messages go to the watched boxes; one refusal is
// shown as the real box over the dialog, answered from inside its own loop.
#include "app/language.h"
#include "app/language_keys.h"
#include "app/settings.h"
#include "program/program.h"
#include "program_start_win32.h"
#include "program_keys_win32.h"
#include "support/test_support.h"
#include "ui/dialogs/config_window.h"
#include "ui/model/config_dialog_model.h"
#include "ui/skin/fonts.h"
#include "ui/dialogs/view_box.h"
#include "window_test_support.h"
#include "win/screenshot_support.h"

#include <windows.h>
#include <mstask.h>
#include <objbase.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace tdu;
using namespace tdu::test;
namespace fs = std::filesystem;

namespace {

const wchar_t settings_key[] = L"Software\\Tavrill Driver Updater";
const wchar_t run_key[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t task_name[] = L"Tavrill Driver Updater";

class program_environment_t : public ::testing::Environment {
public:
    void SetUp() override
    {
        test::reset_program_keys(true);
        test::apply_screenshot_language();
        ASSERT_EQ(test::start_window_program(failure), 0) << failure;
    }
    void TearDown() override
    {
        program_exit();
        test::reset_program_keys(false);
        HKEY run;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, run_key, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
            RegDeleteValueW(run, L"Tavrill Driver Updater");
            RegCloseKey(run);
        }
    }
    std::string failure;
};

const auto* const environment_registered = ::testing::AddGlobalTestEnvironment(new program_environment_t);

DWORD read_number(const wchar_t* name)
{
    DWORD value = 0xFFFFFFFF, size = sizeof value;
    RegGetValueW(HKEY_CURRENT_USER, settings_key, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

std::wstring read_text(const wchar_t* key, const wchar_t* name)
{
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"<none>";
    return value;
}

ITaskScheduler* open_scheduler()
{
    ITaskScheduler* scheduler = nullptr;
    CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                     reinterpret_cast<void**>(&scheduler));
    return scheduler;
}

// The first trigger's flags as the scheduler holds them; -1 without a task.
int task_trigger_flags()
{
    int flags = -1;
    ITaskScheduler* scheduler = open_scheduler();
    if (!scheduler) return flags;
    ITask* task = nullptr;
    if (SUCCEEDED(scheduler->Activate(task_name, IID_ITask, reinterpret_cast<IUnknown**>(&task)))) {
        ITaskTrigger* trigger = nullptr;
        if (SUCCEEDED(task->GetTrigger(0, &trigger))) {
            TASK_TRIGGER t{};
            t.cbTriggerSize = sizeof t;
            if (SUCCEEDED(trigger->GetTrigger(&t))) flags = static_cast<int>(t.rgFlags);
            trigger->Release();
        }
        task->Release();
    }
    scheduler->Release();
    return flags;
}

void delete_task()
{
    if (ITaskScheduler* scheduler = open_scheduler()) {
        scheduler->Delete(task_name);
        scheduler->Release();
    }
}

// What the program's dialog edits and where it saves it.
config_services_t program_services()
{
    settings_store_t& store = program_settings_store();
    return {settings, store, win32_task_scheduler(), language_table, store.program_path};
}

// The dialog by its title in the interface language.
HWND settings_dialog() { return FindWindowW(L"#32770", wide(language_text(lang::config_title).c_str())); }

// A file beside the test program (the language file is copied there).
std::wstring program_folder_file(const wchar_t* name)
{
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n);
    return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

// Runs the dialog; `steps` run one after another from inside its loop (and
// from inside any box it opens), each once its window is there.
class dialog_driver_t {
public:
    using step_t = std::function<bool()>;  // true: done, go to the next step
    explicit dialog_driver_t(std::vector<step_t> steps) : steps_(std::move(steps)) { current() = this; }
    ~dialog_driver_t() { current() = nullptr; }

    int run(config_window_c& dialog)
    {
        UINT_PTR timer = SetTimer(nullptr, 0, 100, &dialog_driver_t::tick);
        int result = dialog.run(nullptr);
        KillTimer(nullptr, timer);
        return result;
    }
    size_t steps_left() const { return steps_.size() - next_; }

private:
    static dialog_driver_t*& current()
    {
        static dialog_driver_t* value = nullptr;
        return value;
    }
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD)
    {
        dialog_driver_t* d = current();
        if (!d || d->busy_ || d->next_ >= d->steps_.size()) return;
        d->busy_ = true;  // a step may open a box whose loop ticks again
        size_t at = d->next_;
        if (d->steps_[at]()) d->next_ = std::max(d->next_, at + 1);
        d->busy_ = false;
    }
    std::vector<step_t> steps_;
    size_t next_ = 0;
    bool busy_ = false;
};

void click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void set_field(HWND dialog, int id, const std::wstring& text) { SetDlgItemTextW(dialog, id, text.c_str()); }

class ConfigWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        delete_task();
        set_box_observer([this](u16view text, box_style_t style) {
            boxes.push_back(u16(text));
            styles.push_back(style);
            return box_result_t::accepted;
        });
        saved = settings;
        saved_language = language_table.current_index;
        fs::create_directories(download.path() / "new");
    }
    void TearDown() override
    {
        set_box_observer({});
        settings = saved;
        language_table.current_index = saved_language;
        settings_save(program_settings_store(), settings);
        delete_task();
    }

    // A step that acts once the dialog is up.
    static dialog_driver_t::step_t on_dialog(std::function<void(HWND)> action)
    {
        return [action] {
            HWND d = settings_dialog();
            if (!d) return false;
            action(d);
            return true;
        };
    }

    app_settings_t saved;
    int32_t saved_language = 0;
    test::temp_dir_c download;
    std::vector<u16> boxes;
    std::vector<box_style_t> styles;
};

} // namespace

TEST_F(ConfigWindow, OkSavesEveryBoxAndTheRunEntryToTheRegistry)
{
    const std::wstring new_download = (download.path() / "new").wstring();
    const int other = language_table.current_index == 1 ? 2 : 1;  // a language other than the current one
    config_window_c dialog(program_services());
    dialog_driver_t driver({on_dialog([&](HWND d) {
        EXPECT_EQ(IsDlgButtonChecked(d, config_id::close_to_tray), BST_CHECKED) << "close_to_tray starts at 1";
        set_field(d, config_id::download_path, new_download);
        click(d, config_id::autorun);
        click(d, config_id::scan_offline);
        click(d, config_id::close_to_tray);
        SendDlgItemMessageW(d, config_id::language, CB_SETCURSEL, static_cast<WPARAM>(other), 0);
        click(d, IDOK);
    })});
    EXPECT_EQ(driver.run(dialog), 1);
    EXPECT_EQ(read_text(settings_key, L"download_path"), new_download);
    EXPECT_EQ(read_number(L"autorun"), 1u);
    EXPECT_EQ(read_number(L"scan_offline"), 1u);
    EXPECT_EQ(read_number(L"close_to_tray"), 0u);
    EXPECT_EQ(read_number(L"scheduled_scan"), 0u);
    EXPECT_EQ(read_text(settings_key, L"language"), wide(language_table.language_names.at(static_cast<size_t>(other)).c_str()));
    EXPECT_EQ(read_text(run_key, L"Tavrill Driver Updater"), wide(program_settings_store().program_path.c_str()));
    EXPECT_NE(u16(settings.active_download_path), u16(new_download.begin(), new_download.end()))
        << "the folder in use changes at the next start";
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], language_text(lang::config_language_change_notice));
    EXPECT_EQ(styles[0], box_style_t::information);

    // Again, with the start at logon cleared and the language as it is now:
    // no notice, and the Run entry goes.
    config_window_c again(program_services());
    dialog_driver_t second({on_dialog([&](HWND d) {
        EXPECT_EQ(SendDlgItemMessageW(d, config_id::language, CB_GETCURSEL, 0, 0), other);
        click(d, config_id::autorun);
        click(d, IDOK);
    })});
    EXPECT_EQ(second.run(again), 1);
    EXPECT_EQ(boxes.size(), 1u) << "the notice shows once";
    EXPECT_EQ(read_number(L"autorun"), 0u);
    EXPECT_EQ(read_text(run_key, L"Tavrill Driver Updater"), L"<none>");
}

TEST_F(ConfigWindow, EachRefusedFolderIsNamedInItsOwnBoxAndNothingIsSaved)
{
    const std::wstring before = read_text(settings_key, L"backup_path");
    const std::wstring missing = (download.path() / "no such folder").wstring();
    const std::wstring existing = (download.path() / "new").wstring();
    // A path as long as one pasted from a deep folder: longer than a setting holds.
    const std::wstring overlong = L"C:\\" + std::wstring(307, L'a') + L"\\b";
    ASSERT_EQ(overlong.size(), 312u);
    struct row {
        const char* what;
        std::wstring download, backup;
        language_key_t message;
        int field;
    };
    const row rows[] = {
        {"a missing download folder", missing, existing, lang::config_invalid_download_path, config_id::download_path},
        {"a missing backup folder", existing, missing, lang::config_invalid_backup_path, config_id::backup_path},
        {"an empty backup folder", existing, L"", lang::config_invalid_backup_path, config_id::backup_path},
        {"a 312-character download path", overlong, existing, lang::config_path_too_long, config_id::download_path},
        {"a 312-character backup path", existing, overlong, lang::config_path_too_long, config_id::backup_path},
    };
    for (const auto& r : rows) {
        boxes.clear();
        styles.clear();
        config_window_c dialog(program_services());
        dialog_driver_t driver({on_dialog([&](HWND d) {
            set_field(d, config_id::download_path, r.download);
            set_field(d, config_id::backup_path, r.backup);
            click(d, config_id::autorun);
            click(d, IDOK);
            EXPECT_TRUE(IsWindow(d)) << r.what << ": the dialog stays";
            EXPECT_EQ(GetFocus(), GetDlgItem(d, r.field)) << r.what << ": the refused field has the focus";
            click(d, IDCANCEL);
        })});
        EXPECT_EQ(driver.run(dialog), 2) << r.what;
        ASSERT_EQ(boxes.size(), 1u) << r.what << ": one box, never a silent beep";
        EXPECT_EQ(boxes[0], language_text(r.message)) << r.what;
        EXPECT_EQ(styles[0], box_style_t::warning) << r.what;
    }
    EXPECT_EQ(read_text(settings_key, L"backup_path"), before);
    EXPECT_EQ(read_number(L"autorun"), static_cast<DWORD>(saved.autorun));
    EXPECT_EQ(u16(settings.backup_path), u16(saved.backup_path));
}

// The box itself: the program's message box, owned by the dialog and
// centred over it, and after it the dialog goes on.
TEST_F(ConfigWindow, TheRefusalBoxIsOwnedByTheDialogAndCentredOnIt)
{
    set_box_observer({});
    HWND box_owner = nullptr, box_seen = nullptr, dialog_seen = nullptr;
    POINT box_centre{}, dialog_centre{};
    config_window_c dialog(program_services());
    dialog_driver_t driver({
        on_dialog([&](HWND d) {
            // Moved away from the screen's middle, so centring on the screen shows.
            SetWindowPos(d, nullptr, 20, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            set_field(d, config_id::backup_path, (download.path() / "no such folder").wstring());
            // The box opens inside this click; the next step looks at it.
            PostMessageW(GetDlgItem(d, IDOK), BM_CLICK, 0, 0);
        }),
        [&] {
            HWND d = settings_dialog();
            HWND box = nullptr;
            for (HWND w = FindWindowW(L"#32770", nullptr); w; w = FindWindowExW(nullptr, w, L"#32770", nullptr))
                if (w != d && IsWindowVisible(w)) box = w;
            if (!d || !box) return false;
            box_seen = box;
            dialog_seen = d;
            box_owner = GetWindow(box, GW_OWNER);
            RECT b{}, o{};
            GetWindowRect(box, &b);
            GetWindowRect(d, &o);
            box_centre = {(b.left + b.right) / 2, (b.top + b.bottom) / 2};
            dialog_centre = {(o.left + o.right) / 2, (o.top + o.bottom) / 2};
            SendMessageW(box, WM_COMMAND, IDOK, 0);
            return true;
        },
        on_dialog([&](HWND d) {
            EXPECT_EQ(GetFocus(), GetDlgItem(d, config_id::backup_path));
            click(d, IDCANCEL);
        }),
    });
    EXPECT_EQ(driver.run(dialog), 2);
    EXPECT_EQ(driver.steps_left(), 0u);
    ASSERT_NE(box_seen, nullptr);
    EXPECT_EQ(box_owner, dialog_seen) << "owned by the dialog";
    EXPECT_LE(std::abs(box_centre.x - dialog_centre.x), 1);
    EXPECT_LE(std::abs(box_centre.y - dialog_centre.y), 1);
}

// In another interface language the dialog's title and its refusals are
// that language's.
TEST_F(ConfigWindow, TitleAndRefusalsAreInTheInterfaceLanguage)
{
    // German, or French where the program already runs in German.
    const bool german_now = language_table.current_index == 1;
    const char16_t* name = german_now ? u"Français" : u"Deutsch";
    const std::wstring expected_title = german_now ? L"Paramètres" : L"Einstellungen";
    language_table_t other;
    const std::wstring file = program_folder_file(L"language.ini");
    ASSERT_EQ(language_load(other, reinterpret_cast<const char16_t*>(file.c_str()), name, true), 0);
    config_services_t services = program_services();
    config_services_t in_other{services.settings, services.store, services.scheduler, other, services.program_path};
    std::wstring title;
    config_window_c dialog(in_other);
    dialog_driver_t driver({[&] {
        HWND d = FindWindowW(L"#32770", expected_title.c_str());
        if (!d) return false;
        wchar_t text[64] = {};
        GetWindowTextW(d, text, 64);
        title = text;
        set_field(d, config_id::download_path, (download.path() / "no such folder").wstring());
        click(d, IDOK);
        click(d, IDCANCEL);
        return true;
    }});
    EXPECT_EQ(driver.run(dialog), 2);
    EXPECT_EQ(title, expected_title);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], language_text(other, lang::config_invalid_download_path));
    EXPECT_NE(boxes[0], language_text(lang::config_invalid_download_path));
}

TEST_F(ConfigWindow, TheWeeklyBoxMakesAndSwitchesTheTaskAndCancelPutsItBack)
{
    ASSERT_EQ(task_trigger_flags(), -1) << "no task before";
    config_window_c dialog(program_services());
    int after_check = -2, after_clear = -2;
    dialog_driver_t driver({on_dialog([&](HWND d) {
        click(d, config_id::scheduled_scan);
        after_check = task_trigger_flags();
        click(d, config_id::scheduled_scan);
        after_clear = task_trigger_flags();
        click(d, config_id::scheduled_scan);  // a second check makes no second task
        click(d, IDCANCEL);
    })});
    EXPECT_EQ(driver.run(dialog), 2);
    EXPECT_EQ(after_check, 0) << "created and switched on";
    EXPECT_EQ(after_clear, 4) << "switched off, not deleted";
    EXPECT_EQ(task_trigger_flags(), 4) << "Cancel puts the saved setting (off) back";
    EXPECT_EQ(read_number(L"scheduled_scan"), 0u);

    // OK keeps it on; cleared and cancelled, the trigger goes on again.
    config_window_c on(program_services());
    dialog_driver_t ok({on_dialog([&](HWND d) {
        click(d, config_id::scheduled_scan);
        click(d, IDOK);
    })});
    EXPECT_EQ(ok.run(on), 1);
    EXPECT_EQ(read_number(L"scheduled_scan"), 1u);
    EXPECT_EQ(task_trigger_flags(), 0);
    config_window_c off(program_services());
    dialog_driver_t cancel({on_dialog([&](HWND d) {
        click(d, config_id::scheduled_scan);
        EXPECT_EQ(task_trigger_flags(), 4);
        click(d, IDCANCEL);
    })});
    EXPECT_EQ(cancel.run(off), 2);
    EXPECT_EQ(task_trigger_flags(), 0);
    EXPECT_EQ(read_number(L"scheduled_scan"), 1u);
}

// The README's picture of the dialog (only when asked, see
// screenshot_support.h).
TEST_F(ConfigWindow, Screenshot)
{
    if (screenshot_folder().empty()) GTEST_SKIP() << "TDU_SCREENSHOTS names no folder";
    bool saved = false;
    config_window_c dialog(program_services());
    dialog_driver_t driver({
        [] {
            HWND d = settings_dialog();
            if (!d || !IsWindowVisible(d)) return false;
            SetWindowPos(d, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE);
            return true;
        },
        [] { return true; },  // one tick for the dialog to paint
        on_dialog([&](HWND d) {
            saved = save_screenshot(d, L"settings");
            click(d, IDCANCEL);
        }),
    });
    EXPECT_EQ(driver.run(dialog), 2);
    EXPECT_TRUE(saved);
}

// The README's picture of the program's message box with a long text, the
// close-to-tray warning, shown whole (only when asked, see
// screenshot_support.h).
TEST_F(ConfigWindow, MessageBoxScreenshot)
{
    if (screenshot_folder().empty()) GTEST_SKIP() << "TDU_SCREENSHOTS names no folder";
    set_box_observer({});
    bool saved_picture = false;
    while_dialog_up_t shoot([&](HWND box) {
        SetWindowPos(box, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE);
        pump_messages(200);
        saved_picture = save_screenshot(box, L"message_box");
        SendMessageW(box, WM_COMMAND, IDOK, 0);
    });
    show_view_box(nullptr, language_text(lang::system_tray_warning), box_style_t::information);
    EXPECT_TRUE(shoot.ran());
    EXPECT_TRUE(saved_picture);
}
