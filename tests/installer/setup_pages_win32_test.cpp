// The setup program and the uninstaller with their pages, clicked through
// under Wine the way a user does: the language page offers the eleven
// languages, the finish page offers to start the program, and the
// uninstaller's question removes the user's data only when answered No.
#include "setup_machine_win32.h"

#include "app/endpoints.h"
#include "app/settings.h"
#include "common/program_title.h"
#include "common/win32_text.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
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

// A message box of the setup or the uninstaller offering `button`; its text
// when it is one, else nothing.
std::optional<std::wstring> message_box_offering(HWND window, int button)
{
    HWND text = GetDlgItem(window, 0xFFFF);
    if (class_of(window) != L"#32770" || !GetDlgItem(window, button) || !text) return std::nullopt;
    return text_of(text);
}

// The language page: a dialog of its own with the list of languages (the
// wizard's pages sit inside the wizard's window).
bool is_language_page(HWND window)
{
    if (FindWindowExW(window, nullptr, L"#32770", nullptr)) return false;
    for (HWND child : descendants(window))
        if (class_of(child) == L"ComboBox") return true;
    return false;
}

// Runs `exe` with `arguments` until its first message box with an OK button:
// the language page is answered with `language_page_button` on the way, the
// box's text kept and OK clicked. Returns the exit status; `shown` gets the
// text (empty when no box came).
int first_ok_box(const std::wstring& exe, const std::wstring& arguments, int language_page_button,
                 std::wstring& shown)
{
    return click_through(exe, arguments, [&](HWND window) {
        if (is_language_page(window)) {
            click(window, language_page_button);
            return true;
        }
        if (auto text = message_box_offering(window, IDOK)) {
            shown = *text;
            click(window, IDOK);
            return true;
        }
        return false;
    });
}

// The finish page offers to start the program, ticked; the tests decline,
// so that no copy of the program outlives them. True when it was offered.
bool decline_starting_the_program(HWND window)
{
    for (HWND child : descendants(window)) {
        LONG style = GetWindowLongW(child, GWL_STYLE);
        if (class_of(child) == L"Button" && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX && IsWindowVisible(child) &&
            text_of(child).find(L"Tavrill Driver Updater") != std::wstring::npos &&
            SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED) {
            SendMessageW(child, BM_SETCHECK, BST_UNCHECKED, 0);
            return true;
        }
    }
    return false;
}

// The German text that the program is running.
const std::wstring running_in_german = L"wird gerade ausgeführt";

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
        }
        if (decline_starting_the_program(window)) run_offered = true;
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

// Answered No, the uninstaller removes what the program made and nothing
// else: installed into a folder that already held the user's files, those
// stay, and so do the folders holding them.
TEST_F(SetupPages, AnsweringNoToKeepingTheDataRemovesOnlyWhatTheProgramMade)
{
    const fs::path chosen = L"C:\\Tools";
    const fs::path mine = chosen / L"backup\\mine.txt";
    fs::create_directories(mine.parent_path());
    std::ofstream(mine) << "the user's own";
    ASSERT_EQ(run_and_wait(TDU_SETUP_EXE, L"/S /LANG=1 /D=" + chosen.wstring()), 0);

    const std::wstring settings_key = wide(settings_key_path);
    const std::wstring digest = L"0123456789abcdef0123456789abcdef";
    // The program's: the archives the catalogue names, downloads named by
    // the digest of their link (one still incomplete), the catalogue, the
    // list of installed links, and a download folder the user moved into a
    // subfolder. Not the program's: the user's file in "backup", a note in
    // "download", and a backup folder outside, named through "..".
    const fs::path outside = program_files_folder() / L"TDU backups";
    const std::vector<fs::path> removed = {chosen / L"backup\\oem12.inf_x86_1a2b3c.zip",
                                           chosen / L"backup\\ACME LAN.zip",
                                           chosen / (L"download\\" + digest + L".zip"),
                                           chosen / (L"download\\" + digest + L".exe.tmp"),
                                           chosen / (L"my downloads\\" + digest),
                                           chosen / L"backup.xml", chosen / L"setup.dat"};
    const std::vector<fs::path> kept = {mine, chosen / L"download\\notes.txt",
                                        chosen / L"download\\0123456789abcdef.zip", outside / L"d.zip"};
    for (const fs::path& file : removed) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "data";
    }
    for (const fs::path& file : kept) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "kept";
    }
    std::ofstream(chosen / L"backup.xml", std::ios::binary)
        << "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<velmor>\r\n\t<driver>\r\n\t\t<file>\r\n"
           "\t\t\t<![CDATA[oem12.inf_x86_1a2b3c.zip]]>\r\n\t\t</file>\r\n\t\t<date>2013-04-02</date>\r\n"
           "\t\t<devices />\r\n\t</driver>\r\n\t<driver>\r\n\t\t<file>\r\n\t\t\t<![CDATA[ACME LAN.zip]]>\r\n"
           "\t\t</file>\r\n\t</driver>\r\n\t<driver>\r\n\t\t<file>\r\n\t\t\t<![CDATA[..\\mine.txt]]>\r\n"
           "\t\t</file>\r\n\t</driver>\r\n</velmor>\r\n";
    write_reg_text(HKEY_CURRENT_USER, settings_key, L"download_path", (chosen / L"my downloads").wstring());
    write_reg_text(HKEY_CURRENT_USER, settings_key, L"backup_path", chosen.wstring() + L"\\..\\Program Files\\TDU backups");
    write_reg_text(HKEY_LOCAL_MACHINE, wide(machine_endpoints_key), wide(machine_endpoints_value), L"http://127.0.0.1:1/");

    std::wstring question;
    page_clicker_t next_page;
    // Run in place ("_?="), so that the test waits for the uninstaller
    // itself.
    int status = click_through((chosen / L"uninstall.exe").wstring(), L"_?=" + chosen.wstring(), [&](HWND window) {
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
    EXPECT_FALSE(read_reg_text(HKEY_LOCAL_MACHINE, wide(machine_endpoints_key), wide(machine_endpoints_value)));
    for (const fs::path& file : removed) EXPECT_FALSE(fs::exists(file)) << narrow(file.wstring());
    for (const fs::path& file : kept) EXPECT_TRUE(fs::exists(file)) << narrow(file.wstring());
    EXPECT_FALSE(fs::exists(chosen / L"my downloads"));
    EXPECT_FALSE(fs::exists(chosen / L"TavrillDriverUpdater.exe"));
    EXPECT_TRUE(gone_soon(chosen / L"uninstall.exe"));
    EXPECT_FALSE(reg_key_exists(HKEY_LOCAL_MACHINE, uninstall_key));

    std::error_code ignored;
    fs::remove_all(outside, ignored);
    fs::remove_all(chosen, ignored);
}

// The program may be started while the pages are shown: the setup looks
// again right before it writes the first file and asks, in the language
// chosen, to close it (Retry) or to stop (Cancel, exit status 2), instead
// of failing on the program's file and reporting success without it.
TEST_F(SetupPages, TheSetupAsksToCloseTheProgramInTheChosenLanguageBeforeWritingAnyFile)
{
    // Running from the start: asked once the German pages are up.
    HANDLE mutex = CreateMutexW(nullptr, TRUE, wide(program_title));
    ASSERT_TRUE(mutex);
    std::wstring asked;
    int status = click_through(TDU_SETUP_EXE, L"/LANG=2", [&](HWND window) {
        if (auto text = message_box_offering(window, IDRETRY)) {
            asked = *text;
            click(window, IDCANCEL);
            return true;
        }
        if (is_language_page(window)) {
            click(window, IDOK);
            return true;
        }
        return false;
    });
    CloseHandle(mutex);
    EXPECT_EQ(status, 2);
    EXPECT_NE(asked.find(running_in_german), std::wstring::npos) << narrow(asked);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_FALSE(reg_key_exists(HKEY_LOCAL_MACHINE, uninstall_key));

    // Started after the welcome page: asked before the first file; Retry
    // while it still runs asks again, Retry once it has ended installs.
    mutex = nullptr;
    asked.clear();
    int asked_times = 0;
    int pages = 0;
    page_clicker_t next_page;
    status = click_through(TDU_SETUP_EXE, L"/LANG=2", [&](HWND window) {
        if (auto text = message_box_offering(window, IDRETRY)) {
            asked = *text;
            if (++asked_times == 2) {
                CloseHandle(mutex);
                mutex = nullptr;
            }
            click(window, IDRETRY);
            return true;
        }
        if (is_language_page(window)) {
            click(window, IDOK);
            return true;
        }
        decline_starting_the_program(window);
        bool clicked = next_page(window);
        if (clicked && ++pages == 1) mutex = CreateMutexW(nullptr, TRUE, wide(program_title));
        return clicked;
    });
    if (mutex) CloseHandle(mutex);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(asked_times, 2);
    EXPECT_NE(asked.find(running_in_german), std::wstring::npos) << narrow(asked);
    EXPECT_TRUE(fs::exists(folder / L"TavrillDriverUpdater.exe"));
    EXPECT_EQ(read_reg_dword(HKEY_CURRENT_USER, wide(installer_key_path), L"language"), 2u);
}

// The uninstaller, started before the program, looks again right before it
// removes anything: Cancel there leaves the program installed, with its
// entry, and ends with exit status 2 instead of "completed".
TEST_F(SetupPages, TheUninstallerRemovesNothingWhenTheProgramWasStartedMeanwhile)
{
    ASSERT_EQ(run_and_wait(TDU_SETUP_EXE, L"/S /LANG=2 /DESKTOP"), 0);
    HANDLE mutex = nullptr;
    std::wstring asked;
    page_clicker_t next_page;
    int status = click_through((folder / L"uninstall.exe").wstring(), L"_?=" + folder.wstring(), [&](HWND window) {
        if (auto text = message_box_offering(window, IDRETRY)) {
            asked = *text;
            click(window, IDCANCEL);
            return true;
        }
        if (GetDlgItem(window, IDNO)) {
            click(window, IDYES);
            return true;
        }
        if (!mutex && FindWindowExW(window, nullptr, L"#32770", nullptr))
            mutex = CreateMutexW(nullptr, TRUE, wide(program_title));
        return next_page(window);
    });
    if (mutex) CloseHandle(mutex);
    EXPECT_EQ(status, 2);
    EXPECT_NE(asked.find(running_in_german), std::wstring::npos) << narrow(asked);
    for (const wchar_t* name : {L"TavrillDriverUpdater.exe", L"tdu-cli.exe", L"language.ini", L"uninstall.exe"})
        EXPECT_TRUE(fs::exists(folder / name)) << narrow(name);
    EXPECT_TRUE(reg_key_exists(HKEY_LOCAL_MACHINE, uninstall_key));
    EXPECT_TRUE(fs::exists(desktop_shortcut()));
    EXPECT_TRUE(reg_key_exists(HKEY_CURRENT_USER, wide(installer_key_path)));
}

// "/?" shows the switches and the exit statuses, and installs nothing.
TEST_F(SetupPages, TheHelpSwitchShowsTheSwitchesAndInstallsNothing)
{
    std::wstring shown;
    // a language page would mean no help was shown: go no further
    int status = first_ok_box(TDU_SETUP_EXE, L"/?", IDCANCEL, shown);
    EXPECT_EQ(status, 0);
    for (const wchar_t* part : {L"/S", L"/LANG=n", L"/DESKTOP", L"/D=folder", L"last on the line", L"0 installed",
                                L"1 cancelled", L"2 refused", L"0 removed"})
        EXPECT_NE(shown.find(part), std::wstring::npos) << narrow(part) << " in: " << narrow(shown);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_FALSE(reg_key_exists(HKEY_CURRENT_USER, wide(installer_key_path)));
}

// The welcome page shows the picture drawn from the program's artwork: the
// product mark's green arrow where the installer system's own picture is
// black.
TEST_F(SetupPages, TheWelcomePageShowsTheProgramsPicture)
{
    COLORREF arrow = CLR_INVALID;
    HWND seen = nullptr;
    int status = click_through(TDU_SETUP_EXE, L"/LANG=1", [&](HWND window) {
        if (is_language_page(window)) {
            click(window, IDOK);
            return true;
        }
        if (GetDlgItem(window, IDYES)) {  // "Are you sure you want to quit?"
            click(window, IDYES);
            return true;
        }
        HWND page = FindWindowExW(window, nullptr, L"#32770", nullptr);
        if (!page || arrow != CLR_INVALID) return false;
        for (HWND child : descendants(page)) {
            if (class_of(child) != L"Static" || (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP ||
                !IsWindowVisible(child))
                continue;
            if (seen != child) {  // read at the second look, once drawn
                seen = child;
                return false;
            }
            // What the screen shows there; the point is the arrow's middle
            // in the 164 x 314 picture, wherever the control scales it.
            RECT area{};
            GetWindowRect(child, &area);
            HDC screen = GetDC(nullptr);
            arrow = GetPixel(screen, area.left + (area.right - area.left) * 82 / 164,
                             area.top + (area.bottom - area.top) * 96 / 314);
            ReleaseDC(nullptr, screen);
            click(window, IDCANCEL);
            return true;
        }
        return false;
    });
    EXPECT_NE(status, 0) << "cancelled";
    ASSERT_NE(arrow, CLR_INVALID) << "no picture on the welcome page";
    // (94, 224, 110) in the picture; a little room for the display's depth.
    EXPECT_NEAR(GetRValue(arrow), 94, 12);
    EXPECT_NEAR(GetGValue(arrow), 224, 12);
    EXPECT_NEAR(GetBValue(arrow), 110, 12);
    EXPECT_FALSE(fs::exists(folder));
}

// Installing again, the language page offers the installed copy's language.
TEST_F(SetupPages, TheLanguagePageOffersTheInstalledCopysLanguage)
{
    ASSERT_EQ(run_and_wait(TDU_SETUP_EXE, L"/S /LANG=4"), 0);
    std::wstring offered;
    int status = click_through(TDU_SETUP_EXE, L"", [&](HWND window) {
        if (!is_language_page(window)) return false;
        for (HWND child : descendants(window)) {
            if (class_of(child) != L"ComboBox") continue;
            LRESULT chosen = SendMessageW(child, CB_GETCURSEL, 0, 0);
            wchar_t name[64] = {};
            if (chosen >= 0 && SendMessageW(child, CB_GETLBTEXTLEN, chosen, 0) < 64)
                SendMessageW(child, CB_GETLBTEXT, chosen, reinterpret_cast<LPARAM>(name));
            offered = name;
        }
        click(window, IDCANCEL);
        return true;
    });
    EXPECT_EQ(status, 1);
    EXPECT_EQ(offered, wide(installer_language_name(4)));  // Français
}

// Where a tree view item's text is drawn, asked of the tree's own process
// (the message takes and fills a RECT in that process's memory).
RECT item_text_rect(HWND tree, HTREEITEM item)
{
    RECT rect{};
    DWORD id = 0;
    GetWindowThreadProcessId(tree, &id);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
    if (!process) return rect;
    void* remote = VirtualAllocEx(process, nullptr, sizeof rect, MEM_COMMIT, PAGE_READWRITE);
    if (remote) {
        std::memcpy(&rect, &item, sizeof item);  // in: the item; out: its text's rectangle
        WriteProcessMemory(process, remote, &rect, sizeof rect, nullptr);
        if (!SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(remote))) rect = RECT{};
        else ReadProcessMemory(process, remote, &rect, sizeof rect, nullptr);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return rect;
}

// The components page shows the desktop shortcut's label whole, in every
// language: the tree has no horizontal scroll bar, so a longer text is cut.
TEST_F(SetupPages, TheDesktopShortcutsLabelFitsInEveryLanguage)
{
    for (uint32_t code = 1; code <= 11; ++code) {
        SCOPED_TRACE(narrow(wide(installer_language_name(code))));
        RECT text{};
        RECT client{};
        page_clicker_t next_page;
        click_through(TDU_SETUP_EXE, L"/LANG=" + std::to_wstring(code), [&](HWND window) {
            if (is_language_page(window)) {
                click(window, IDOK);
                return true;
            }
            if (GetDlgItem(window, IDYES)) {  // "Are you sure you want to quit?"
                click(window, IDYES);
                return true;
            }
            HWND page = FindWindowExW(window, nullptr, L"#32770", nullptr);
            HWND tree = nullptr;
            if (page)
                for (HWND child : descendants(page))
                    if (class_of(child) == L"SysTreeView32" && IsWindowVisible(child)) tree = child;
            if (!tree) return next_page(window);
            if (text.right != 0) return false;
            auto first = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
            auto desktop = reinterpret_cast<HTREEITEM>(
                SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(first)));
            if (!desktop) return false;
            text = item_text_rect(tree, desktop);
            GetClientRect(tree, &client);
            click(window, IDCANCEL);
            return true;
        });
        ASSERT_GT(text.right, 0) << "no components page";
        EXPECT_LE(text.right, client.right) << "the label is cut";
    }
    EXPECT_FALSE(fs::exists(folder));
}

// With pages, a /D folder that cannot be used is named in a message in the
// chosen language, and nothing is installed (exit status 2).
TEST_F(SetupPages, AnUnusableFolderSwitchIsExplainedInTheChosenLanguage)
{
    std::wstring shown;
    int status = first_ok_box(TDU_SETUP_EXE, L"/LANG=2 /D=Tools\\TDU", IDOK, shown);
    EXPECT_EQ(status, 2);
    EXPECT_NE(shown.find(L"Dieser Ordner kann nicht"), std::wstring::npos) << narrow(shown);
    EXPECT_NE(shown.find(L"Tools\\TDU"), std::wstring::npos) << narrow(shown);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_FALSE(reg_key_exists(HKEY_LOCAL_MACHINE, uninstall_key));
}

} // namespace
