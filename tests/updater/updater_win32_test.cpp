// update.exe under Wine, for real: the build's setup installs the program,
// the stand-in update service offers a setup of the next version, and the
// installed updater checks, refuses what it must and installs the rest.
#include "app/app_messages.h"
#include "app/endpoints.h"
#include "app/settings.h"
#include "common/win32_text.h"
#include "installer/setup_machine_win32.h"
#include "ui/resources/dialog_ids.h"
#include "ui/win/screenshot_support.h"

#include <windows.h>
#include <psapi.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

using namespace tdu;
using namespace tdu::test;

namespace {

const fs::path folder = installed_folder();
const std::wstring machine_key = wide(machine_endpoints_key);
const std::wstring machine_value = wide(machine_endpoints_value);

std::string read_text(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int port_of(const char* variable)
{
    const char* file = std::getenv(variable);
    if (!file) return 0;
    std::string text = read_text(file);
    return std::atoi(text.c_str());
}

// The program's version resource, "a.b.c.d"; empty when unreadable.
std::wstring file_version(const fs::path& exe)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    if (!size) return {};
    std::string data(size, '\0');
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoW(exe.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info)
        return {};
    return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionMS)) +
           L"." + std::to_wstring(HIWORD(info->dwFileVersionLS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionLS));
}

struct run_t {
    int status = -1;
    std::string output;
};

// Runs the installed updater with `arguments`, its output into a file.
run_t run_updater(const std::wstring& arguments, DWORD timeout_ms = 300000)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    fs::path out = fs::path(temp) / L"updater_test_output.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                              0, nullptr);
    run_t r;
    if (file == INVALID_HANDLE_VALUE) return r;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = file;
    si.hStdError = file;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring exe = (folder / L"update" / L"update.exe").wstring();
    std::wstring line = L"\"" + exe + L"\" " + arguments;
    if (CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        r.status = wait_for_exit(pi.hProcess, timeout_ms);
        if (r.status == -1) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(file);
    r.output = read_text(out);
    return r;
}

// Every mirror at one loopback address (none of the shipped hosts is ever
// asked).
void point_mirrors_at(int port)
{
    std::wstring base = L"http://127.0.0.1:" + std::to_wstring(port) + L"/";
    write_reg_text(HKEY_LOCAL_MACHINE, machine_key, machine_value,
                   L"mirror1 = " + base + L"\nmirror2 = " + base + L"\nmirror3 = " + base);
}

// The program's main window (not a dialog of the same title).
HWND program_window()
{
    HWND found = nullptr;
    for (HWND w = FindWindowW(nullptr, L"Tavrill Driver Updater"); w;
         w = FindWindowExW(nullptr, w, nullptr, L"Tavrill Driver Updater")) {
        wchar_t cls[64] = {};
        GetClassNameW(w, cls, 64);
        if (std::wstring(cls) != L"#32770") found = w;
    }
    return found;
}

HWND wait_for_program_window(DWORD timeout_ms)
{
    for (DWORD waited = 0; waited < timeout_ms; waited += 200) {
        if (HWND w = program_window()) return w;
        Sleep(200);
    }
    return nullptr;
}

BOOL CALLBACK list_window(HWND w, LPARAM out)
{
    wchar_t title[128] = {}, cls[64] = {};
    GetWindowTextW(w, title, 128);
    GetClassNameW(w, cls, 64);
    if (title[0]) *reinterpret_cast<std::string*>(out) += narrow(title) + " [" + narrow(cls) + "]\n";
    return TRUE;
}

// The titled top-level windows, for the message of a failed check.
std::string window_list()
{
    std::string out;
    EnumWindows(list_window, reinterpret_cast<LPARAM>(&out));
    return out;
}

bool program_running()
{
    HANDLE m = OpenMutexW(SYNCHRONIZE, FALSE, L"Tavrill Driver Updater");
    if (!m) return false;
    CloseHandle(m);
    return true;
}

// Ends a running program the way the updater asks it to.
void close_program()
{
    if (HWND w = program_window()) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(w, wm_close_for_update, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer);
    }
    for (int i = 0; i < 150 && program_running(); ++i) Sleep(200);
}

// One byte of the setup changed in place, keeping its size and its time,
// as a mirror serving altered bytes would: the service still announces the
// digest it computed for the real file.
void flip_byte(const fs::path& file, const FILETIME& time)
{
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER at{};
    at.QuadPart = 4096;
    unsigned char byte = 0;
    DWORD n = 0;
    SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
    ReadFile(h, &byte, 1, &n, nullptr);
    byte ^= 0x5A;
    SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
    WriteFile(h, &byte, 1, &n, nullptr);
    SetFileTime(h, nullptr, nullptr, &time);
    CloseHandle(h);
}

void set_time(const fs::path& file, const FILETIME& time)
{
    HANDLE h = CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFileTime(h, nullptr, nullptr, &time);
    CloseHandle(h);
}

// The served newer setup with a fixed file time, so that a byte changed in
// place keeps the time and size the service remembers its digest by.
// tamper() changes one byte; restore() (and the end of the scope, should a
// test stop in between) puts the real bytes and the time back, so a later
// test never meets a tampered setup.
class served_setup_c {
public:
    served_setup_c() : path_(TDU_NEXT_SETUP_EXE)
    {
        SYSTEMTIME when{2026, 1, 4, 1, 12, 0, 0, 0};
        SystemTimeToFileTime(&when, &time_);
        set_time(path_, time_);
        bytes_ = file_bytes(path_);
    }
    ~served_setup_c() { restore(); }
    served_setup_c(const served_setup_c&) = delete;
    served_setup_c& operator=(const served_setup_c&) = delete;

    void tamper()
    {
        flip_byte(path_, time_);
        tampered_ = true;
    }
    void restore()
    {
        if (!tampered_) return;
        {
            std::ofstream out(path_, std::ios::binary | std::ios::trunc);
            out << bytes_;
        }
        set_time(path_, time_);
        tampered_ = false;
    }

private:
    fs::path path_;
    FILETIME time_{};
    std::string bytes_;
    bool tampered_ = false;
};

void end_left_updaters();

class Updater : public testing::Test {
protected:
    void SetUp() override
    {
        service_port_ = port_of("TDU_UPDATER_SERVICE_PORT_FILE");
        relay_port_ = port_of("TDU_UPDATER_RELAY_PORT_FILE");
        ASSERT_GT(service_port_, 0) << "no update service";
        ASSERT_GT(relay_port_, 0) << "no relay";
        close_program();
        remove_every_trace();
        // The German setup: the update must keep the language.
        ASSERT_EQ(run_and_wait(TDU_SETUP_EXE, L"/S /LANG=2"), 0);
        ASSERT_EQ(file_version(folder / L"TavrillDriverUpdater.exe"), TDU_CURRENT_VERSION);
        ASSERT_TRUE(fs::exists(folder / L"update" / L"update.exe"));
    }
    void TearDown() override
    {
        end_left_updaters();
        close_program();
        remove_every_trace();
        SHDeleteValueW(HKEY_LOCAL_MACHINE, machine_key.c_str(), machine_value.c_str());
    }

    int service_port_ = 0;
    int relay_port_ = 0;
};

TEST_F(Updater, UpdatesTheRunningProgramToTheServedVersionKeepingSettingsAndData_AndRefusesATamperedSetup)
{
    point_mirrors_at(service_port_);
    // The user's settings and data, which the update must keep.
    write_reg_dword(HKEY_CURRENT_USER, wide(settings_key_path), L"scan_offline", 1);
    write_reg_text(HKEY_CURRENT_USER, wide(settings_key_path), L"language", L"Deutsch");
    std::ofstream(folder / L"setup.dat", std::ios::binary) << "http://127.0.0.1/a.zip\n";

    served_setup_c served;

    run_t check = run_updater(L"--check");
    EXPECT_EQ(check.status, 10) << check.output;
    EXPECT_NE(check.output.find("installed version: " + narrow(TDU_CURRENT_VERSION)), std::string::npos) << check.output;
    EXPECT_NE(check.output.find("newest version: " + narrow(TDU_NEXT_VERSION)), std::string::npos) << check.output;

    // A setup whose bytes are not the signed ones is never run.
    served.tamper();
    run_t tampered = run_updater(L"--install");
    served.restore();
    EXPECT_EQ(tampered.status, 24) << tampered.output;
    EXPECT_EQ(file_version(folder / L"TavrillDriverUpdater.exe"), TDU_CURRENT_VERSION);
    EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"DisplayVersion"), std::wstring(TDU_CURRENT_VERSION));

    // The running program is asked to close, the setup runs, the new
    // program starts.
    PROCESS_INFORMATION program = start_process((folder / L"TavrillDriverUpdater.exe").wstring(), L"");
    ASSERT_TRUE(program.hProcess);
    CloseHandle(program.hProcess);
    ASSERT_TRUE(wait_for_program_window(60000)) << "the installed program did not start; windows:\n" << window_list()
                                            << "mutex: " << program_running();
    run_t install = run_updater(L"--install");
    EXPECT_EQ(install.status, 0) << install.output;
    EXPECT_NE(install.output.find("state: the newer version was installed"), std::string::npos) << install.output;
    EXPECT_EQ(file_version(folder / L"TavrillDriverUpdater.exe"), TDU_NEXT_VERSION);
    EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"DisplayVersion"), std::wstring(TDU_NEXT_VERSION));
    EXPECT_EQ(read_reg_dword(HKEY_CURRENT_USER, wide(settings_key_path), L"scan_offline"), DWORD(1));
    EXPECT_EQ(read_reg_text(HKEY_CURRENT_USER, wide(settings_key_path), L"language"), std::wstring(L"Deutsch"));
    EXPECT_EQ(read_reg_dword(HKEY_CURRENT_USER, wide(installer_key_path), L"language"), DWORD(2));
    EXPECT_EQ(read_text(folder / L"setup.dat"), "http://127.0.0.1/a.zip\n");
    EXPECT_TRUE(fs::exists(folder / L"update" / L"update.exe"));
    EXPECT_TRUE(wait_for_program_window(60000)) << "the updated program was not started; windows:\n" << window_list() << "mutex: " << program_running();

    // Now up to date: nothing more to install.
    close_program();
    run_t again = run_updater(L"--check");
    EXPECT_EQ(again.status, 0) << again.output;
    EXPECT_NE(again.output.find("state: the program is up to date"), std::string::npos) << again.output;
}

// Waits for `ready` to hold, up to `timeout_ms`.
template <typename F>
bool wait_until(F ready, DWORD timeout_ms)
{
    for (DWORD waited = 0; waited < timeout_ms; waited += 200) {
        if (ready()) return true;
        Sleep(200);
    }
    return false;
}

bool shown(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    return item && IsWindowVisible(item);
}

bool enabled(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    return item && IsWindowEnabled(item);
}

// A dialog's button pressed as a click reports it to the dialog.
void press(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

struct dialog_search_t {
    HWND owner = nullptr;       // a dialog owned by this window, or
    const wchar_t* exe = nullptr;  // a dialog of a process of this file name
    HWND found = nullptr;
};

std::wstring process_file_name(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) return {};
    wchar_t path[MAX_PATH] = {};
    std::wstring name;
    if (GetModuleFileNameExW(process, nullptr, path, MAX_PATH)) name = PathFindFileNameW(path);
    CloseHandle(process);
    return name;
}

BOOL CALLBACK find_dialog(HWND w, LPARAM data)
{
    auto* search = reinterpret_cast<dialog_search_t*>(data);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (std::wstring(cls) != L"#32770" || !IsWindowVisible(w)) return TRUE;
    if (search->owner && GetWindow(w, GW_OWNER) != search->owner) return TRUE;
    if (search->exe && _wcsicmp(process_file_name(w).c_str(), search->exe) != 0) return TRUE;
    search->found = w;
    return FALSE;
}

// The updater's window (its title is in the user's language).
HWND updater_window()
{
    dialog_search_t search;
    search.exe = L"update.exe";
    EnumWindows(find_dialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The updater window's phase (update_window_* of app/app_messages.h) and
// its exit status so far; 0 when it does not answer.
DWORD updater_state(HWND window)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, wm_update_window_state, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer)) return 0;
    return static_cast<DWORD>(answer);
}

bool update_ended(HWND window)
{
    return LOWORD(updater_state(window)) == update_window_finished;
}

// An updater window a failed test left open is ended with its process: it
// holds the standard handles the test run waits on.
void end_left_updaters()
{
    while (HWND w = updater_window()) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (!process) return;
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
    }
}

// The language of the program's and the updater's texts (the settings'
// "language"): the screenshots' language when one is asked for (an
// installer code, TDU_SCREENSHOT_LANGUAGE), else English.
void choose_window_language()
{
    wchar_t code[16] = {};
    const char16_t* name = nullptr;
    if (GetEnvironmentVariableW(L"TDU_SCREENSHOT_LANGUAGE", code, 16))
        name = installer_language_name(static_cast<uint32_t>(_wtoi(code)));
    write_reg_text(HKEY_CURRENT_USER, wide(settings_key_path), L"language", name ? wide(name) : L"English");
}

// The updater as the user reaches it: the running program's menu command
// "About", then the about dialog's "Check for updates". Its window and
// process (to read its exit status).
struct opened_updater_t {
    HWND window = nullptr;
    HANDLE process = nullptr;
};

opened_updater_t open_updater_from_about(HWND program)
{
    opened_updater_t out;
    PostMessageW(program, WM_COMMAND, ID_MENU_ABOUT, 0);
    HWND about = nullptr;
    dialog_search_t search;
    search.owner = program;
    if (!wait_until([&] {
            search.found = nullptr;
            EnumWindows(find_dialog, reinterpret_cast<LPARAM>(&search));
            return (about = search.found) != nullptr;
        }, 30000))
        return out;
    // The about dialog needs its first messages handled before a click counts.
    Sleep(500);
    press(about, IDOK);
    if (!wait_until([&] { return (out.window = updater_window()) != nullptr; }, 60000)) return out;
    DWORD pid = 0;
    GetWindowThreadProcessId(out.window, &pid);
    out.process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
    return out;
}

// The window the about dialog's button opens: the newer version offered
// with "Update now" and "Close"; closed, it exits with the check's status.
TEST_F(Updater, TheWindowOffersTheNewerVersion)
{
    point_mirrors_at(service_port_);
    choose_window_language();
    PROCESS_INFORMATION updater = start_process((folder / L"update" / L"update.exe").wstring(), L"");
    ASSERT_TRUE(updater.hProcess);
    HWND dialog = nullptr;
    ASSERT_TRUE(wait_until([&] { return (dialog = updater_window()) != nullptr; }, 60000)) << window_list();
    ASSERT_TRUE(wait_until([&] { return shown(dialog, IDOK); }, 60000)) << "no offer";
    EXPECT_TRUE(enabled(dialog, IDCANCEL));
    save_screenshot(dialog, L"updater_offer");
    press(dialog, IDCANCEL);
    EXPECT_EQ(wait_for_exit(updater.hProcess, 30000), 10);
    CloseHandle(updater.hProcess);
    EXPECT_EQ(file_version(folder / L"TavrillDriverUpdater.exe"), TDU_CURRENT_VERSION);
}

// The whole way a user takes: the running program's about dialog starts the
// updater, whose "Update now" refuses a tampered setup (the program keeps
// running, unchanged) and installs the signed one: the program is asked to
// close, the setup runs silently and the updated program starts.
TEST_F(Updater, TheAboutDialogsButtonUpdatesTheRunningProgram_AndATamperedSetupIsRefused)
{
    point_mirrors_at(service_port_);
    choose_window_language();
    served_setup_c served;

    // The service has looked at the real setup: a byte changed later keeps
    // the digest it announces.
    run_t check = run_updater(L"--check");
    ASSERT_EQ(check.status, 10) << check.output;

    PROCESS_INFORMATION program = start_process((folder / L"TavrillDriverUpdater.exe").wstring(), L"");
    ASSERT_TRUE(program.hProcess);
    CloseHandle(program.hProcess);
    HWND window = wait_for_program_window(60000);
    ASSERT_TRUE(window) << window_list();

    served.tamper();
    opened_updater_t tampered = open_updater_from_about(window);
    ASSERT_TRUE(tampered.window && tampered.process) << "no updater window; windows:\n" << window_list();
    ASSERT_TRUE(wait_until([&] { return shown(tampered.window, IDOK); }, 60000)) << "no offer";
    press(tampered.window, IDOK);
    bool ended = wait_until([&] { return update_ended(tampered.window); }, 120000);
    served.restore();
    ASSERT_TRUE(ended) << "the tampered setup's update did not end";
    EXPECT_FALSE(shown(tampered.window, IDOK));
    EXPECT_TRUE(enabled(tampered.window, IDCANCEL));
    EXPECT_EQ(HIWORD(updater_state(tampered.window)), 24);
    save_screenshot(tampered.window, L"updater_refused");
    press(tampered.window, IDCANCEL);
    EXPECT_EQ(wait_for_exit(tampered.process, 30000), 24);
    CloseHandle(tampered.process);
    EXPECT_EQ(file_version(folder / L"TavrillDriverUpdater.exe"), TDU_CURRENT_VERSION);
    EXPECT_EQ(program_window(), window) << "the program was closed for a setup that was never run";

    opened_updater_t updater = open_updater_from_about(window);
    ASSERT_TRUE(updater.window && updater.process) << "no updater window; windows:\n" << window_list();
    ASSERT_TRUE(wait_until([&] { return shown(updater.window, IDOK); }, 60000)) << "no offer";
    press(updater.window, IDOK);
    ASSERT_TRUE(wait_until([&] { return update_ended(updater.window); }, 300000))
        << "the update did not end; windows:\n" << window_list();
    EXPECT_EQ(HIWORD(updater_state(updater.window)), 0);
    EXPECT_FALSE(shown(updater.window, IDOK));
    save_screenshot(updater.window, L"updater_done");
    EXPECT_EQ(file_version(folder / L"TavrillDriverUpdater.exe"), TDU_NEXT_VERSION);
    EXPECT_EQ(read_reg_text(HKEY_LOCAL_MACHINE, uninstall_key, L"DisplayVersion"), std::wstring(TDU_NEXT_VERSION));
    HWND updated = wait_for_program_window(60000);
    EXPECT_TRUE(updated && updated != window) << "the updated program was not started; windows:\n" << window_list();
    press(updater.window, IDCANCEL);
    EXPECT_EQ(wait_for_exit(updater.process, 30000), 0);
    CloseHandle(updater.process);
}

// The results view of the program's main window and its name (the counts,
// then the header's notice of a newer version when there is one).
HWND results_view(HWND program)
{
    return program ? FindWindowExW(program, nullptr, L"TavrillResultsView", nullptr) : nullptr;
}

std::wstring text_of(HWND window)
{
    wchar_t text[512] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

// Starts the installed program, has it scan, and waits for the results.
HWND program_after_scan()
{
    PROCESS_INFORMATION program = start_process((folder / L"TavrillDriverUpdater.exe").wstring(), L"");
    if (!program.hProcess) return nullptr;
    CloseHandle(program.hProcess);
    HWND window = wait_for_program_window(60000);
    if (!window) return nullptr;
    PostMessageW(window, wm_start_scan, 0, 0);
    if (!wait_until([&] {
            HWND v = results_view(window);
            return v && IsWindowVisible(v) && !text_of(v).empty();
        }, 180000))
        return nullptr;
    return window;
}

// After a scan the program looks for a newer version of itself once a week:
// the results header says so, and a click on it opens the updater, which
// asks first. With the setting off nothing is asked.
TEST_F(Updater, AfterAScanTheResultsHeaderSaysANewerVersionIsAvailable_UnlessTheWeeklyLookIsOff)
{
    point_mirrors_at(service_port_);
    choose_window_language();
    const std::wstring key = wide(settings_key_path);
    // The notice names the version in every language; the counts never do.
    const std::wstring notice = TDU_NEXT_VERSION;

    // Off: the scan's results, no look, no stamp.
    write_reg_dword(HKEY_CURRENT_USER, key, L"update_check", 0);
    HWND window = program_after_scan();
    ASSERT_TRUE(window) << "no results; windows:\n" << window_list();
    Sleep(5000);
    EXPECT_EQ(text_of(results_view(window)).find(notice), std::wstring::npos) << narrow(text_of(results_view(window)));
    EXPECT_FALSE(read_reg_text(HKEY_CURRENT_USER, key, L"update_check_time").has_value());
    close_program();

    // On (as by default): the look runs after the scan.
    SHDeleteValueW(HKEY_CURRENT_USER, key.c_str(), L"update_check");
    window = program_after_scan();
    ASSERT_TRUE(window) << "no results; windows:\n" << window_list();
    HWND view = results_view(window);
    ASSERT_TRUE(wait_until([&] { return text_of(view).find(notice) != std::wstring::npos; }, 60000))
        << narrow(text_of(view));
    EXPECT_TRUE(read_reg_text(HKEY_CURRENT_USER, key, L"update_check_time").has_value());
    EXPECT_EQ(file_version(folder / L"TavrillDriverUpdater.exe"), TDU_CURRENT_VERSION) << "never without a Yes";
    save_screenshot(window, L"results_update_notice");

    // A click on the notice opens the updater with its offer.
    RECT client{};
    GetClientRect(view, &client);
    PostMessageW(view, WM_LBUTTONUP, 0, MAKELPARAM(client.right - 120, 20));
    HWND updater = nullptr;
    ASSERT_TRUE(wait_until([&] { return (updater = updater_window()) != nullptr; }, 60000)) << window_list();
    ASSERT_TRUE(wait_until([&] { return LOWORD(updater_state(updater)) == update_window_checked; }, 60000));
    EXPECT_EQ(HIWORD(updater_state(updater)), 10);
    EXPECT_TRUE(shown(updater, IDOK));
    press(updater, IDCANCEL);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(updater); }, 30000));
    EXPECT_EQ(file_version(folder / L"TavrillDriverUpdater.exe"), TDU_CURRENT_VERSION);
}

TEST_F(Updater, AnUnsignedVersionDocumentIsRefused)
{
    point_mirrors_at(relay_port_);
    for (const wchar_t* mode : {L"--check", L"--install"}) {
        run_t r = run_updater(mode);
        EXPECT_EQ(r.status, 21) << narrow(mode) << "\n" << r.output;
        EXPECT_NE(r.output.find("no signature"), std::string::npos) << r.output;
    }
    EXPECT_EQ(file_version(folder / L"TavrillDriverUpdater.exe"), TDU_CURRENT_VERSION);
}

TEST_F(Updater, ServiceDownIsSaidAndChangesNothing)
{
    // Port 9 (discard): nothing listens there on loopback.
    point_mirrors_at(9);
    run_t r = run_updater(L"--install");
    EXPECT_EQ(r.status, 20) << r.output;
    EXPECT_EQ(file_version(folder / L"TavrillDriverUpdater.exe"), TDU_CURRENT_VERSION);
}

} // namespace
