// The about dialog under Wine with real clicks on its buttons: the updater
// "update\update.exe" beside the program is started when it is there (a
// stand-in that records its command line), and the dialog says so when it
// is not, instead of closing as if it had started it.
#include "app/language.h"
#include "ui/dialogs/about_window.h"
#include "ui/skin/fonts.h"
#include "ui/dialogs/view_box.h"

#include "support/child_process_win32.h"
#include "support/test_support.h"
#include "tdu_version.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

using namespace tdu;
namespace fs = std::filesystem;

namespace {

// What the test does once the dialog runs: each tick of a thread timer
// takes the next step on the dialog that is open.
std::vector<WPARAM> pending_clicks;
HWND seen_dialog = nullptr;

void CALLBACK click_next(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dialog = FindWindowW(L"#32770", L"About");
    if (!dialog) return;
    seen_dialog = dialog;
    if (pending_clicks.empty()) {
        KillTimer(nullptr, id);
        return;
    }
    WPARAM button = pending_clicks.front();
    pending_clicks.erase(pending_clicks.begin());
    // The button's own click, as the mouse gives it.
    SendMessageW(GetDlgItem(dialog, static_cast<int>(button)), BM_CLICK, 0, 0);
}

int run_with_clicks(about_window_c& about, std::vector<WPARAM> clicks)
{
    pending_clicks = std::move(clicks);
    seen_dialog = nullptr;
    UINT_PTR timer = SetTimer(nullptr, 0, 300, click_next);
    int result = about.run(nullptr);
    KillTimer(nullptr, timer);
    return result;
}

class AboutWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        create_skin_fonts();
        set_box_observer([this](u16view text, box_style_t style) {
            boxes.push_back(u16(text));
            styles.push_back(style);
            return box_result_t::accepted;
        });
    }
    void TearDown() override { set_box_observer({}); }

    u16 folder_of(const test::temp_dir_c& dir) { return test::program_path(dir.path()) + u"\\"; }

    std::vector<u16> boxes;
    std::vector<box_style_t> styles;
};

} // namespace

TEST_F(AboutWindow, WithoutTheUpdaterItSaysSoAndStaysOpen)
{
    test::temp_dir_c dir;
    about_window_c about(folder_of(dir));
    int result = run_with_clicks(about, {IDOK, IDCANCEL});
    ASSERT_NE(seen_dialog, nullptr) << "the dialog did not open";
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], updater_missing_text);
    EXPECT_EQ(styles[0], box_style_t::error);
    EXPECT_EQ(result, 2) << "it stayed open after the box; the second button closed it";
}

TEST_F(AboutWindow, StartsTheUpdaterBesideTheProgramAndEndsWithOne)
{
    test::temp_dir_c dir;
    fs::create_directories(dir.path() / "update");
    fs::copy_file(fs::path(TDU_STAND_IN_INSTALLER), dir.path() / "update" / "update.exe");
    about_window_c about(folder_of(dir));
    EXPECT_EQ(about.updater_path(), folder_of(dir) + u"update\\update.exe");
    int result = run_with_clicks(about, {IDOK});
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(boxes.empty());
    fs::path record = dir.path() / "update" / "update.exe.cmdline";
    const std::string command_line = test::wait_for_record(record.wstring(), 20000);
    ASSERT_FALSE(command_line.empty()) << "the updater was not started";
    EXPECT_NE(command_line.find("update.exe"), std::string::npos);
}

TEST_F(AboutWindow, InformationTextCarriesVersionAndBuildStamp)
{
    language_table_t& t = language_table;
    t.texts["about_info1"] = u"Version: %s\nBuild date: %s %s";
    u16 text = about_information_text();
    EXPECT_EQ(text.rfind(u"Version: " TDU_VERSION_TEXT "\nBuild date: ", 0), 0u) << utf16_to_utf8(text);
    // "Mmm dd yyyy hh:mm:ss", the compiler's stamps.
    EXPECT_EQ(text.size(), std::u16string(u"Version: " TDU_VERSION_TEXT "\nBuild date: ").size() + 11 + 1 + 8);
}
