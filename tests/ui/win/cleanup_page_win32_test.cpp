// The backup view's clean-up page under Wine with real windows: the backup
// machine imported into the prefix's registry, the clean-up fixture store
// in the prefix's driver store with its published INFs in the Windows "inf"
// folder, and a stand-in pnputil.exe (a copy of this test) in the system
// folder that appends each command line to a record and deletes the
// published INF, as pnputil does. The prefix's own version (Windows 7)
// takes "pnputil -d". The message boxes are watched instead of opened.
#include "app/language.h"
#include "app/language_format.h"
#include "app/language_keys.h"
#include "app/settings.h"
#include "backup/driver_store.h"
#include "backup/store_platform.h"
#include "common/win32_text.h"
#include "devices/device.h"
#include "devices/device_scan.h"
#include "devices/machine_registry.h"
#include "prefix_store_win32.h"
#include "program/global_services.h"
#include "program/program.h"
#include "program_keys_win32.h"
#include "program_start_win32.h"
#include "support/child_process_win32.h"
#include "support/test_support.h"
#include "ui/views/backup_window.h"
#include "ui/views/cleanup_page.h"
#include "ui/dialogs/view_box.h"
#include "win/screenshot_support.h"
#include "window_test_support.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

using namespace tdu;
using namespace tdu::test;
namespace fs = std::filesystem;

namespace {


// The fixture's packages, the stand-in and the machine in the prefix for
// the life of the object.
class prefix_cleanup_store_c {
public:
    prefix_cleanup_store_c()
    {
        fs::path inf = fs::path(windows_folder()) / "inf";
        for (const auto& entry : fs::directory_iterator(cleanup_fixture() / "inf")) {
            fs::copy_file(entry.path(), inf / entry.path().filename(), fs::copy_options::overwrite_existing);
            created_.push_back(inf / entry.path().filename());
        }
        fs::path repository = fs::path(system_folder()) / "DriverStore" / "FileRepository";
        if (!fs::exists(repository)) {
            fs::create_directories(repository);
            created_.push_back(repository);
        }
        for (const auto& entry : fs::directory_iterator(cleanup_fixture() / "System32" / "DriverStore" / "FileRepository")) {
            fs::copy(entry.path(), repository / entry.path().filename(),
                     fs::copy_options::recursive | fs::copy_options::overwrite_existing);
            created_.push_back(repository / entry.path().filename());
        }
        fs::path pnputil = fs::path(system_folder()) / "pnputil.exe";
        fs::copy_file(own_path(), pnputil, fs::copy_options::overwrite_existing);
        created_.push_back(pnputil);
    }
    ~prefix_cleanup_store_c()
    {
        std::error_code ec;
        for (const fs::path& p : created_) fs::remove_all(p, ec);
    }

private:
    std::vector<fs::path> created_;
};

class program_environment_t : public ::testing::Environment {
public:
    void SetUp() override
    {
        // A first start, in the screenshots' language when one is asked for.
        reset_program_keys(true);
        apply_screenshot_language();
        ASSERT_EQ(start_window_program(failure,
                                       [] {
                                           init_driver_store(driver_store, os_version_number(environment.version_info),
                                                             win32_store_platform());
                                       }),
                  0)
            << failure;
        scan_progress_t progress;
        // The views look devices up in the latest scan's result.
        auto scanned = make_scan_outcome(class_images());
        ASSERT_TRUE(device_scan(scanned->inventory, win32_setup_api(), progress));
        set_latest_scan(std::move(scanned));
    }
    void TearDown() override
    {
        program_exit();
        reset_program_keys(false);
    }
    std::string failure;
};

class CleanupPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_box_observer([this](u16view text, box_style_t) {
            boxes.push_back(u16(text));
            return box_result_t::accepted;
        });
        copy_field(settings.backup_path, settings_path_chars, program_path(dir.path() / "backup"));
        SetEnvironmentVariableW(pnputil_record_variable, (dir.path() / "pnputil_calls.txt").wstring().c_str());
        frame = CreateWindowExW(0, L"STATIC", L"views", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, 900, 560,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(frame, nullptr);
        ASSERT_NE(backup.create_view(frame, RECT{0, 0, 900, 560}), nullptr);
        ShowWindow(backup.hwnd(), SW_SHOW);
        pump_messages(100);
    }
    void TearDown() override
    {
        pump_until([&] { return !backup.cleanup_page().run_working(); }, 30000);
        DestroyWindow(frame);
        set_box_observer({});
    }

    std::vector<std::string> rows()
    {
        std::vector<std::string> out;
        HWND list = backup.cleanup_page().list();
        int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t text[256] = {};
            LVITEMW item{};
            item.iSubItem = 0;
            item.pszText = text;
            item.cchTextMax = 256;
            SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            out.push_back(utf16_to_utf8(u16ptr(text)));
        }
        return out;
    }
    void tick(int row)
    {
        LVITEMW item{};
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(2);
        SendMessageW(backup.cleanup_page().list(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
    }
    std::vector<std::string> calls()
    {
        fs::path record = dir.path() / "pnputil_calls.txt";
        return fs::exists(record) ? text_lines(read_file(record)) : std::vector<std::string>();
    }

    temp_dir_c dir;
    HWND frame = nullptr;
    backup_window_c backup{[] { return program_backup_services(); }};
    std::vector<u16> boxes;
};

} // namespace

TEST_F(CleanupPage, ListsTheSupersededPackagesAndRemovesTheTickedOnesAfterBackingThemUp)
{
    SendMessageW(backup.cleanup_button(), BM_CLICK, 0, 0);
    pump_messages(100);
    cleanup_page_c& page = backup.cleanup_page();
    ASSERT_TRUE(IsWindowVisible(page.hwnd()));
    EXPECT_FALSE(IsWindowVisible(backup.tree().hwnd()));
    EXPECT_EQ(rows(), (std::vector<std::string>{"acmelan.inf (oem901.inf)", "qxprint.inf (oem906.inf)",
                                                "vsnd.inf (oem902.inf)"}));
    EXPECT_EQ(SendMessageW(page.back_up_box(), BM_GETCHECK, 0, 0), BST_CHECKED);

    // Nothing ticked: said, nothing started.
    SendMessageW(page.remove_button(), BM_CLICK, 0, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], language_text(lang::cleanup_no_package));
    EXPECT_FALSE(page.run_working());

    tick(0);
    tick(2);
    save_screenshot(frame, L"cleanup");
    SendMessageW(page.remove_button(), BM_CLICK, 0, 0);
    EXPECT_TRUE(page.run_working());
    ASSERT_TRUE(pump_until([&] { return !page.run_working(); }, 60000)) << "the removal did not end";
    std::string pnputil = utf16_to_utf8(environment.windows_folder) + "\\System32\\pnputil.exe";
    EXPECT_EQ(calls(), (std::vector<std::string>{"\"" + pnputil + "\" -d oem901.inf", "\"" + pnputil + "\" -d oem902.inf"}));
    EXPECT_TRUE(fs::exists(dir.path() / "backup" / "acmelan.inf-2.0.0.1.zip"));
    EXPECT_TRUE(fs::exists(dir.path() / "backup" / "vsnd.inf-6.0.1.5.zip"));
    // The end, with the space of both store folders and published INFs.
    uint64_t freed = 0;
    for (const char* folder_name : {"acmelan.inf_amd64_0a0a0001", "vsnd.inf_amd64_0b0b0001"})
        for (const auto& f : fs::directory_iterator(cleanup_fixture() / "System32" / "DriverStore" / "FileRepository" / folder_name))
            freed += fs::file_size(f.path());
    for (const char* name : {"oem901.inf", "oem902.inf"}) freed += fs::file_size(cleanup_fixture() / "inf" / name);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[1], language_text(lang::cleanup_confirm));
    EXPECT_EQ(boxes[2], format_language_text(language_text(lang::cleanup_completed), {size_text(freed)}, 1024));
    // The list shows what is left.
    EXPECT_EQ(rows(), std::vector<std::string>{"qxprint.inf (oem906.inf)"});

    SendMessageW(page.back_button(), BM_CLICK, 0, 0);
    pump_messages(50);
    EXPECT_FALSE(IsWindowVisible(page.hwnd()));
    EXPECT_TRUE(IsWindowVisible(backup.tree().hwnd()));
}

int main(int argc, char** argv)
{
    if (_wcsicmp(fs::path(own_path()).filename().wstring().c_str(), L"pnputil.exe") == 0) return run_pnputil_stand_in();
    machine_registry_c registry(load_machine(data_dir() / "backup" / "backup_machine.ini"));
    if (!registry.ok()) {
        std::fprintf(stderr, "machine not imported: %s\n", registry.error().c_str());
        return 1;
    }
    prefix_cleanup_store_c store;
    testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new program_environment_t);
    return RUN_ALL_TESTS();
}
