// The setup program and the uninstaller with their pages, clicked through
// under Wine the way a user does: the language page offers the eleven
// languages, the finish page offers to start the program, and the
// uninstaller's question removes the user's data only when answered No.
#include "setup_machine_win32.h"

#include "app/settings.h"
#include "common/win32_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

using namespace tdu;
using namespace tdu::test;

namespace {

struct windows_of_t {
    DWORD process;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_top_level(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<windows_of_t*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->process && IsWindowVisible(window)) search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK collect_children(HWND window, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

std::vector<HWND> descendants(HWND window)
{
    std::vector<HWND> all;
    EnumChildWindows(window, collect_children, reinterpret_cast<LPARAM>(&all));
    return all;
}

std::wstring text_of(HWND window)
{
    wchar_t text[1024] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

std::wstring class_of(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// A click on button `id` of `dialog`, as the dialog sees it.
void click(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Runs a program with pages: every 300 ms `step` sees each visible window
// of the process that takes input and answers true when it clicked
// something (the next look then waits a little longer for the page to
// change). The exit status, or -1 after 90 s.
int click_through(const std::wstring& exe, const std::wstring& arguments, const std::function<bool(HWND)>& step)
{
    PROCESS_INFORMATION pi = start_process(exe, arguments);
    if (!pi.hProcess) return -1;
    DWORD deadline = GetTickCount() + 90000;
    while (static_cast<LONG>(deadline - GetTickCount()) > 0) {
        if (WaitForSingleObject(pi.hProcess, 300) == WAIT_OBJECT_0) break;
        windows_of_t search{pi.dwProcessId, {}};
        EnumWindows(collect_top_level, reinterpret_cast<LPARAM>(&search));
        for (HWND window : search.found) {
            if (!IsWindowEnabled(window)) continue;  // a message box is in front of it
            if (step(window)) {
                Sleep(700);
                break;
            }
        }
    }
    int code = wait_for_exit(pi.hProcess, 0);
    if (code == -1) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    return code;
}

// Clicks a page's main button (Next, Install, Uninstall, Close, Finish)
// once it may be clicked, and once per page: each page is a dialog of its
// own inside the window. A page is clicked at the second look, when it has
// been shown with everything on it, and never again, so a page that is slow
// to go never takes the click meant for the next one.
struct page_clicker_t {
    HWND seen = nullptr;
    HWND clicked = nullptr;

    bool operator()(HWND window)
    {
        HWND next = GetDlgItem(window, IDOK);
        if (!next || !IsWindowEnabled(next) || !IsWindowVisible(next)) return false;
        HWND page = FindWindowExW(window, nullptr, L"#32770", nullptr);
        if (!page || !IsWindowVisible(page) || page == clicked) return false;
        if (page != seen) {
            seen = page;
            return false;
        }
        clicked = page;
        click(window, IDOK);
        return true;
    }
};

class SetupPages : public testing::Test {
protected:
    void SetUp() override { remove_every_trace(); }
    void TearDown() override { remove_every_trace(); }

    const fs::path folder = installed_folder();
};

TEST_F(SetupPages, TheLanguagePageOffersTheElevenLanguagesAndTheChoiceReachesTheProgram)
{
    std::set<std::wstring> offered;
    bool run_offered = false;
    page_clicker_t next_page;
    const std::wstring wanted = wide(installer_language_name(6));  // 日本語
    int status = click_through(TDU_SETUP_EXE, L"", [&](HWND window) {
        for (HWND child : descendants(window)) {
            // The language page: a list of names, each in its own script.
            if (class_of(child) == L"ComboBox" && offered.empty()) {
                LRESULT count = SendMessageW(child, CB_GETCOUNT, 0, 0);
                LRESULT pick = -1;
                for (LRESULT i = 0; i < count; ++i) {
                    wchar_t name[64] = {};
                    if (SendMessageW(child, CB_GETLBTEXTLEN, i, 0) < 64)
                        SendMessageW(child, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
                    offered.insert(name);
                    if (name == wanted) pick = i;
                }
                if (pick < 0) return false;
                SendMessageW(child, CB_SETCURSEL, pick, 0);
                click(window, IDOK);
                return true;
            }
            // The finish page offers to start the program, ticked; the test
            // declines, so that no copy of the program outlives it.
            LONG style = GetWindowLongW(child, GWL_STYLE);
            if (class_of(child) == L"Button" && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX && IsWindowVisible(child) &&
                text_of(child).find(L"Tavrill Driver Updater") != std::wstring::npos &&
                SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                run_offered = true;
                SendMessageW(child, BM_SETCHECK, BST_UNCHECKED, 0);
            }
        }
        return next_page(window);
    });
    ASSERT_EQ(status, 0);

    std::set<std::wstring> languages;
    for (uint32_t code = 1; code <= 11; ++code) languages.insert(wide(installer_language_name(code)));
    EXPECT_EQ(offered, languages);
    EXPECT_TRUE(run_offered);

    EXPECT_EQ(read_reg_dword(HKEY_CURRENT_USER, wide(installer_key_path), L"language"), 6u);
    EXPECT_TRUE(fs::exists(folder / L"TavrillDriverUpdater.exe"));
    // The setup ran in Japanese: so do its Start menu entries.
    EXPECT_TRUE(fs::exists(start_menu_folder() / L"Tavrill Driver Updater のアンインストール.lnk"));
    // The desktop shortcut is offered, not chosen for the user.
    EXPECT_FALSE(fs::exists(desktop_shortcut()));
}

TEST_F(SetupPages, AnsweringNoToKeepingTheDataRemovesItButNotAFolderElsewhere)
{
    ASSERT_EQ(run_and_wait(TDU_SETUP_EXE, L"/S /LANG=1"), 0);
    const std::wstring settings_key = wide(settings_key_path);
    // Data the program keeps in its folder, a download folder the user
    // moved into a subfolder of it, and a backup folder outside it, named
    // through "..".
    const fs::path outside = program_files_folder() / L"TDU backups";
    const std::vector<fs::path> removed = {folder / L"backup\\a.zip", folder / L"download\\b.zip",
                                           folder / L"backup.xml", folder / L"setup.dat",
                                           folder / L"my downloads\\c.zip"};
    for (const fs::path& file : removed) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "data";
    }
    fs::create_directories(outside);
    std::ofstream(outside / L"d.zip") << "data";
    write_reg_text(HKEY_CURRENT_USER, settings_key, L"download_path", (folder / L"my downloads").wstring());
    write_reg_text(HKEY_CURRENT_USER, settings_key, L"backup_path", folder.wstring() + L"\\..\\TDU backups");

    std::wstring question;
    page_clicker_t next_page;
    // Run in place ("_?="), so that the test waits for the uninstaller
    // itself; the folder then still holds uninstall.exe.
    int status = click_through((folder / L"uninstall.exe").wstring(), L"_?=" + folder.wstring(), [&](HWND window) {
        if (GetDlgItem(window, IDNO)) {
            question = text_of(GetDlgItem(window, 0xFFFF));
            EXPECT_EQ(GetWindowLongW(GetDlgItem(window, IDYES), GWL_STYLE) & BS_DEFPUSHBUTTON, BS_DEFPUSHBUTTON)
                << "keeping the data is the default answer";
            click(window, IDNO);
            return true;
        }
        return next_page(window);
    });
    ASSERT_EQ(status, 0);
    EXPECT_NE(question.find(L"Keep your settings"), std::wstring::npos) << narrow(question);

    EXPECT_FALSE(reg_key_exists(HKEY_CURRENT_USER, settings_key));
    for (const fs::path& file : removed) EXPECT_FALSE(fs::exists(file)) << narrow(file.wstring());
    EXPECT_FALSE(fs::exists(folder / L"download"));
    EXPECT_FALSE(fs::exists(folder / L"my downloads"));
    EXPECT_TRUE(fs::exists(outside / L"d.zip"));

    std::error_code ignored;
    fs::remove_all(outside, ignored);
}

} // namespace
