// The backup and restore views under Wine with real windows and real
// clicks, over the backup machine: its devices imported into the prefix's
// registry, its INF files and old-style store (System32\DRVSTORE) in the
// prefix's Windows folder. Before Windows Vista the store is that folder,
// which Wine has, so the tests run in a copy of this program under a name
// whose Wine version is Windows XP, in a folder of its own, with a stand-in
// "DPInst32.exe" (x64: "DPInst64.exe") beside it (another copy) that records its command line.
// The message boxes are watched instead of opened.
#include "app/language.h"
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
#include "program_start_win32.h"
#include "program_keys_win32.h"
#include "support/architecture.h"
#include "support/child_process_win32.h"
#include "support/test_support.h"
#include "ui/skin/fonts.h"
#include "ui/main_window.h"
#include "ui/views/backup_window.h"
#include "ui/views/restore_window.h"
#include "ui/dialogs/view_box.h"
#include "window_test_support.h"
#include "win/screenshot_support.h"
#include "xp_copy_win32.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace tdu;
using namespace tdu::test;
namespace fs = std::filesystem;

namespace {

constexpr wchar_t xp_program_name[] = L"ui_backup_views_xp.exe";
constexpr wchar_t dpinst_record[] = L"dpinst_command_line.txt";

fs::path program_folder() { return fs::path(test::own_path()).parent_path(); }

// Start-up as the window program does it, then the device scan the views
// need before they are shown.
class program_environment_t : public ::testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_EQ(test::start_window_program(failure,
                                             [] {
                                                 init_driver_store(driver_store,
                                                                   os_version_number(environment.version_info),
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
    void TearDown() override { program_exit(); }
    std::string failure;
};

struct box_seen_t {
    u16 text;
    box_style_t style;
};

class BackupViews : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_box_observer([this](u16view text, box_style_t style) {
            boxes.push_back({u16(text), style});
            return box_result_t::accepted;
        });
        frame = CreateWindowExW(0, L"STATIC", L"views", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, 900, 560,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(frame, nullptr);
        RECT client{0, 0, 900, 560};
        ASSERT_NE(backup.create_view(frame, client), nullptr);
        ASSERT_NE(restore.create_view(frame, client), nullptr);
    }
    void TearDown() override
    {
        restore.wait_for_run();
        DestroyWindow(frame);
        set_box_observer({});
    }

    void show(HWND view)
    {
        for (HWND v : {backup.hwnd(), restore.hwnd()}) ShowWindow(v, v == view ? SW_SHOW : SW_HIDE);
        pump_messages(100);
    }

    // A real click on `item`'s box: the point left of its text where the
    // tree's hit test says its state icon is.
    void click_box(const check_tree_c& tree, HTREEITEM item)
    {
        TreeView_EnsureVisible(tree.hwnd(), item);
        RECT text{};
        *reinterpret_cast<HTREEITEM*>(&text) = item;
        ASSERT_TRUE(SendMessageW(tree.hwnd(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&text)));
        const int y = (text.top + text.bottom) / 2;
        POINT box{-1, y};
        for (int x = text.left; x >= 0; --x) {
            TVHITTESTINFO hit{};
            hit.pt = {x, y};
            if (TreeView_HitTest(tree.hwnd(), &hit) == item && (hit.flags & TVHT_ONITEMSTATEICON)) {
                box.x = x - 3;  // inside the box, not on its edge
                break;
            }
        }
        ASSERT_GE(box.x, 0) << "no check box beside the item";
        const bool before = tree.ticked(item);
        ClientToScreen(tree.hwnd(), &box);
        run_input([box] { click_at(box.x, box.y); });
        ASSERT_TRUE(pump_until([&] { return tree.ticked(item) != before; }, 5000)) << "the click missed the box";
        pump_messages(150);  // the posted tick handling
    }

    struct tree_view_t {
        std::vector<check_item_t> items;
        std::vector<HTREEITEM> handles;
    };
    tree_view_t snapshot(const check_tree_c& tree)
    {
        tree_view_t t;
        t.items = tree.snapshot(t.handles);
        return t;
    }

    u16 item_text(const check_tree_c& tree, HTREEITEM item)
    {
        wchar_t text[512] = {};
        TVITEMW tv{};
        tv.mask = TVIF_TEXT | TVIF_HANDLE;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = 512;
        SendMessageW(tree.hwnd(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
        return u16(reinterpret_cast<const char16_t*>(text));
    }

    size_t boxes_with(language_key_t key)
    {
        size_t n = 0;
        for (const box_seen_t& b : boxes) n += b.text == language_text(key);
        return n;
    }

    // Ticks the available root and presses the button twice; returns once
    // the run's end has been shown.
    void back_up_everything()
    {
        show(backup.hwnd());
        tree_view_t t = snapshot(backup.tree());
        ASSERT_FALSE(t.handles.empty());
        click_box(backup.tree(), t.handles[0]);
        SendMessageW(backup.button(), BM_CLICK, 0, 0);
        EXPECT_TRUE(backup.run_working());
        SendMessageW(backup.button(), BM_CLICK, 0, 0);
        ASSERT_TRUE(pump_until([&] { return !backup.run_working(); }, 60000)) << "the backup did not end";
    }

    HWND frame = nullptr;
    backup_window_c backup{[] { return program_backup_services(); }};
    restore_window_c restore{[] { return program_backup_services(); }};
    std::vector<box_seen_t> boxes;
};

} // namespace

TEST_F(BackupViews, AnEmptyCatalogueIsSaidAndARestoreWithNothingTickedStartsNothing)
{
    show(restore.hwnd());
    ASSERT_TRUE(pump_until([&] { return !boxes.empty(); }));
    EXPECT_EQ(boxes[0].text, language_text(lang::restore_no_backup));
    EXPECT_EQ(boxes[0].style, box_style_t::information);
    EXPECT_TRUE(snapshot(restore.tree()).items.empty());

    SendMessageW(restore.button(), BM_CLICK, 0, 0);
    EXPECT_EQ(boxes_with(lang::restore_no_driver), 1u);
    EXPECT_FALSE(restore.run_working());

    show(backup.hwnd());
    SendMessageW(backup.button(), BM_CLICK, 0, 0);
    EXPECT_EQ(boxes_with(lang::backup_no_driver), 1u);
    EXPECT_FALSE(backup.run_working());
}

TEST_F(BackupViews, TheTreeListsThePackagesAndARootTicksThem)
{
    show(backup.hwnd());
    tree_view_t t = snapshot(backup.tree());
    ASSERT_FALSE(t.items.empty());
    EXPECT_EQ(item_text(backup.tree(), t.handles[0]), language_text(lang::backup_available_drivers));
    bool any_inbox = false;
    size_t packages = 0;
    for (const driver_package_t& p : driver_packages) any_inbox |= p.inbox, packages += !p.devices.empty();
    std::vector<size_t> package_items, roots;
    for (size_t i = 0; i < t.items.size(); ++i) {
        if (t.items[i].parent == no_parent)
            roots.push_back(i);
        else if (t.items[t.items[i].parent].parent == no_parent)
            package_items.push_back(i);
        else
            EXPECT_FALSE(t.items[i].has_box) << "a device item carries no box";
    }
    EXPECT_EQ(package_items.size(), packages);
    EXPECT_GE(packages, 2u);
    EXPECT_EQ(roots.size(), any_inbox ? 2u : 1u) << "the inbox root shows only with inbox packages";

    // Ticking the root ticks every package under it.
    click_box(backup.tree(), t.handles[0]);
    t = snapshot(backup.tree());
    for (size_t i : package_items)
        if (t.items[i].parent == 0) EXPECT_TRUE(t.items[i].ticked) << i;
    // Clearing one package clears the root, and the others stay ticked.
    click_box(backup.tree(), t.handles[package_items[0]]);
    t = snapshot(backup.tree());
    EXPECT_FALSE(t.items[0].ticked);
    EXPECT_FALSE(t.items[package_items[0]].ticked);
    EXPECT_TRUE(t.items[package_items[1]].ticked);

    // Selecting a package shows its first device's details.
    TreeView_SelectItem(backup.tree().hwnd(), t.handles[package_items[0]]);
    pump_messages(100);
    // Shown again, the tree is rebuilt and the ticks are gone.
    show(restore.hwnd());
    boxes.clear();
    show(backup.hwnd());
    t = snapshot(backup.tree());
    for (const check_item_t& item : t.items) EXPECT_FALSE(item.ticked);
}

TEST_F(BackupViews, PressingTheButtonTwiceBacksUpEachPackageOnceIntoItsArchive)
{
    back_up_everything();
    EXPECT_EQ(boxes_with(lang::backup_completed), 1u) << "one run, one end";
    EXPECT_EQ(boxes_with(lang::backup_failed), 0u);
    EXPECT_EQ(backup.selected_count(), 2);
    EXPECT_EQ(backup.job().progress.load(), 200);
    EXPECT_FLOAT_EQ(backup.progress_fraction(), 1.0f);

    const fs::path backups = test::fs_path(settings.backup_path);
    EXPECT_TRUE(fs::exists(backups / "ACME-LAN--Gigabit.zip"));
    EXPECT_TRUE(fs::exists(backups / "Vendor-HD-Audio.zip"));
    const std::string catalogue = test::read_file(program_folder() / "backup.xml");
    EXPECT_NE(catalogue.find("ACME-LAN--Gigabit.zip"), std::string::npos) << catalogue;
    EXPECT_NE(catalogue.find("Vendor-HD-Audio.zip"), std::string::npos) << catalogue;
}

TEST_F(BackupViews, TheRestoreViewTicksOneBackupAndRestoresItWithForce)
{
    back_up_everything();
    boxes.clear();
    show(restore.hwnd());
    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(restore.items().size(), 2u);
    EXPECT_EQ(restore.items()[0].text, u"ACME-LAN--Gigabit.zip") << "sorted by their text";
    tree_view_t t = snapshot(restore.tree());
    std::vector<size_t> roots;
    for (size_t i = 0; i < t.items.size(); ++i)
        if (t.items[i].parent == no_parent) roots.push_back(i);
    ASSERT_EQ(roots.size(), 2u);

    // Ticking a second entry clears the first.
    click_box(restore.tree(), t.handles[roots[1]]);
    click_box(restore.tree(), t.handles[roots[0]]);
    t = snapshot(restore.tree());
    EXPECT_TRUE(t.items[roots[0]].ticked);
    EXPECT_FALSE(t.items[roots[1]].ticked);

    const fs::path record = program_folder() / dpinst_record;
    fs::remove(record);
    SendMessageW(restore.button(), BM_CLICK, 0, 0);
    restore.wait_for_run();
    ASSERT_TRUE(pump_until([&] { return !restore.run_working(); }, 30000));
    const fs::path folder = test::fs_path(settings.backup_path) / "ACME-LAN--Gigabit";
    EXPECT_TRUE(fs::exists(folder / "acmelan.inf")) << "unpacked beside the archive";
    // The installer is started, not waited for: give it time to write.
    ASSERT_TRUE(pump_until([&] { return fs::exists(record) && !test::read_file(record).empty(); }, 20000)) << "the driver installer was not started";
    const std::string unpacked = utf16_to_utf8(restore_folder_for(settings.backup_path, u"ACME-LAN--Gigabit.zip"));
    EXPECT_NE(test::read_file(record).find("/SH /F /PATH \"" + unpacked + "\""), std::string::npos)
        << test::read_file(record);
    // The view's timer says what was started.
    ASSERT_TRUE(pump_until([&] { return boxes_with(lang::restore_started) == 1; }, 10000)) << boxes.size() << " boxes";
}

// The README's pictures: the program's window with the backup view mid-run
// and with the restore view (only when asked, see screenshot_support.h).
TEST_F(BackupViews, Screenshots)
{
    if (screenshot_folder().empty()) GTEST_SKIP() << "TDU_SCREENSHOTS names no folder";
    main_window_c window;
    ASSERT_NE(window.create_main_window(), nullptr);
    SetWindowPos(window.hwnd(), HWND_TOP, 0, 0, 960, 640, SWP_SHOWWINDOW);
    window.switch_view(main_view::backup);
    pump_messages(300);
    backup_window_c& view = window.backup_view();
    tree_view_t t = snapshot(view.tree());
    ASSERT_GE(t.handles.size(), 2u);
    click_box(view.tree(), t.handles[0]);
    TreeView_SelectItem(view.tree().hwnd(), t.handles[1]);
    pump_messages(200);
    SendMessageW(view.button(), BM_CLICK, 0, 0);
    EXPECT_TRUE(save_screenshot(window.hwnd(), L"backup"));
    ASSERT_TRUE(pump_until([&] { return !view.run_working(); }, 60000));

    window.switch_view(main_view::restore);
    pump_messages(300);
    restore_window_c& restore_view = window.restore_view();
    t = snapshot(restore_view.tree());
    ASSERT_FALSE(t.handles.empty());
    click_box(restore_view.tree(), t.handles[0]);
    TreeView_SelectItem(restore_view.tree().hwnd(), t.handles[0]);
    pump_messages(200);
    EXPECT_TRUE(save_screenshot(window.hwnd(), L"restore"));
    DestroyWindow(window.hwnd());
    pump_messages(100);
}

namespace {

// The parent: puts the machine and its driver store into the prefix and
// runs the XP copy, passing its result on.
int run_as_xp_copy()
{
    machine_registry_c registry(load_machine(test::data_dir() / "backup" / "backup_machine.ini"));
    if (!registry.ok()) {
        std::fprintf(stderr, "machine not imported: %s\n", registry.error().c_str());
        return 1;
    }
    test::prefix_store_c store;
    return test::run_test_as_xp_copy(xp_program_name);
}

} // namespace

int main(int argc, char** argv)
{
    const std::wstring name = fs::path(test::own_path()).filename().wstring();
    if (_wcsicmp(name.c_str(), tdu::test::this_architecture().driver_installer) == 0) return test::record_command_line(program_folder() / dpinst_record);
    if (_wcsicmp(name.c_str(), xp_program_name) != 0) return run_as_xp_copy();
    testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new program_environment_t);
    return RUN_ALL_TESTS();
}
