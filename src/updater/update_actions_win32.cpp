#include "updater/update_actions_win32.h"

#include "app/app_messages.h"
#include "app/settings.h"
#include "app/startup_instance_win32.h"
#include "common/ignore_case.h"
#include "common/program_title.h"
#include "common/sha256.h"
#include "common/win32_text.h"
#include "packages/download_session.h"
#include "packages/program_check_win32.h"

#include <windows.h>

#include <chrono>
#include <memory>
#include <vector>

namespace tdu {

namespace {

constexpr char16_t program_file[] = u"TavrillDriverUpdater.exe";
// How long the program has to end once it agreed to close.
constexpr DWORD close_wait_ms = 30000;
constexpr UINT close_answer_timeout_ms = 10000;

u16 module_path()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    return u16(u16ptr(path), n);
}

// A DWORD or string value below HKEY_CURRENT_USER; false when absent.
bool read_user_string(const char16_t* key, const char16_t* name, u16& out)
{
    wchar_t data[256] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, wide(key), wide(name), RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return false;
    out = u16ptr(data);
    return !out.empty();
}

bool read_user_dword(const char16_t* key, const char16_t* name, DWORD& out)
{
    DWORD size = sizeof out;
    return RegGetValueW(HKEY_CURRENT_USER, wide(key), wide(name), RRF_RT_REG_DWORD, nullptr, &out, &size) ==
           ERROR_SUCCESS;
}

// The program runs while its single-instance mutex exists.
bool program_mutex_exists()
{
    HANDLE m = OpenMutexW(SYNCHRONIZE, FALSE, wide(program_title));
    if (m) {
        CloseHandle(m);
        return true;
    }
    return GetLastError() == ERROR_ACCESS_DENIED;
}

// The program's main window: a top-level window of the program's title
// that answers wm_close_for_update (its dialogs share the title, but not
// its window class).
BOOL CALLBACK find_program_window(HWND window, LPARAM found)
{
    wchar_t class_name[64] = {};
    wchar_t title[64] = {};
    GetClassNameW(window, class_name, 64);
    GetWindowTextW(window, title, 64);
    if (equals_ignore_case(u16ptr(title), program_title) && std::wcscmp(class_name, L"#32770") != 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

const char* updater_arch()
{
    return program_arch();
}

u16 updater_program_folder()
{
    u16 path = module_path();
    size_t slash = path.find_last_of(u'\\');
    if (slash == u16::npos) return {};
    path.resize(slash);  // the folder "update"
    slash = path.find_last_of(u'\\');
    if (slash == u16::npos) return {};
    return path.substr(0, slash + 1);
}

u16 updater_language_name()
{
    u16 name;
    if (read_user_string(settings_key_path, u"language", name)) return name;
    DWORD code = 0;
    if (read_user_dword(installer_key_path, u"language", code))
        if (const char16_t* n = installer_language_name(code)) return n;
    return u"English";
}

uint32_t updater_language_code(u16view name)
{
    for (uint32_t code = 1; code <= 11; ++code)
        if (equals_ignore_case(name, installer_language_name(code))) return code;
    return 1;
}

const char* close_refusal_text(int32_t answer)
{
    switch (answer) {
    case close_for_update_downloading: return "a package download is running";
    case close_for_update_backup: return "a backup or restore is running";
    case close_for_update_scanning: return "a scan is running";
    case close_for_update_dialog: return "a dialog of the program waits for an answer";
    default: return "the program did not answer";
    }
}

win32_update_actions_c::win32_update_actions_c(u16 program_folder, update_progress_t& progress)
    : program_folder_(std::move(program_folder)), progress_(progress)
{
}

bool win32_update_actions_c::installed_version(program_version_t& out)
{
    return program_file_version(program_folder_ + program_file, out);
}

bool win32_update_actions_c::fetch_document(std::string& body, std::string& signature, std::string& error)
{
    return fetch_program_document(body, signature, error);
}

int64_t win32_update_actions_c::now()
{
    return system_utc_now();
}

void win32_update_actions_c::step(update_step_t step)
{
    progress_.step.store(static_cast<int32_t>(step));
}

setup_download_t win32_update_actions_c::download_setup(const program_document_t& doc, u16& path, std::string& error)
{
    // A folder of its own in the temporary folder: a cut download resumes
    // at the next run from the bytes it left there.
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n == 0 || n > MAX_PATH) {
        error = "no temporary folder";
        return setup_download_t::disk;
    }
    download_settings_t settings;
    settings.download_folder = u16(u16ptr(temp)) + u"TavrillDriverUpdater-update";
    CreateDirectoryW(wide(settings.download_folder.c_str()), nullptr);
    download_session_c session(doc.link, static_cast<uint32_t>(doc.size), settings, doc.sha256);
    progress_.expected_size.store(static_cast<uint32_t>(doc.size));
    if (session.state() != download_complete) {
        if (!session.start() && session.state() != download_complete) {
            error = "the download could not be started";
            return setup_download_t::cut;
        }
        bool pause_asked = false;
        while (session.check_completion() == completion_t::running) {
            progress_.bytes_done.store(session.bytes_done());
            if (progress_.stop_requested.load() && !pause_asked) {
                session.request_pause();
                pause_asked = true;
            }
            Sleep(100);
        }
    }
    progress_.bytes_done.store(session.bytes_done());
    switch (session.state()) {
    case download_complete:
        path = session.final_path();
        return setup_download_t::complete;
    case download_paused:
        error = "the download was stopped; it resumes at the next update";
        return setup_download_t::cut;
    default:
        break;
    }
    switch (session.failure()) {
    case download_failure_t::too_large:
        error = "the server sent more bytes than the signed size";
        return setup_download_t::refused;
    case download_failure_t::digest:
        error = "the downloaded bytes do not have the signed SHA-256";
        return setup_download_t::refused;
    case download_failure_t::disk:
        error = "the setup could not be written to " + utf16_to_utf8(settings.download_folder);
        return setup_download_t::disk;
    case download_failure_t::not_found:
        error = "the service does not have the setup (HTTP 404)";
        return setup_download_t::cut;
    default:
        error = "the download was cut off after " + std::to_string(session.bytes_done()) + " of " +
                std::to_string(doc.size) + " bytes (HTTP status " + std::to_string(session.http_status()) +
                ", transfer result " + std::to_string(session.result_code()) + ")";
        return setup_download_t::cut;
    }
}

bool win32_update_actions_c::file_facts(const u16& path, uint64_t& size, std::string& sha256)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(wide(path.c_str()), GetFileExInfoStandard, &data)) return false;
    size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return sha256_file_hex(path, sha256);
}

void win32_update_actions_c::discard_setup(const u16& path)
{
    DeleteFileW(wide(path.c_str()));
}

close_answer_t win32_update_actions_c::close_program()
{
    close_refusal_ = 0;
    HWND window = nullptr;
    EnumWindows(find_program_window, reinterpret_cast<LPARAM>(&window));
    if (!window) return program_mutex_exists() ? close_answer_t::no_answer : close_answer_t::not_running;
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, wm_close_for_update, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                             close_answer_timeout_ms, &answer))
        return close_answer_t::no_answer;
    if (static_cast<int32_t>(answer) != close_for_update_closing) {
        close_refusal_ = static_cast<int32_t>(answer);
        return answer == 0 ? close_answer_t::no_answer : close_answer_t::busy;
    }
    // Ended when its mutex is gone (the setup looks at the same mutex).
    for (DWORD waited = 0; waited < close_wait_ms; waited += 100) {
        if (!program_mutex_exists()) return close_answer_t::closed;
        Sleep(100);
    }
    return close_answer_t::no_answer;
}

int win32_update_actions_c::run_setup(const u16& path, std::string& error)
{
    // Silent, in the user's language, into this program's folder (/D= comes
    // last and takes no quotes).
    u16 folder = program_folder_;
    if (!folder.empty() && folder.back() == u'\\') folder.pop_back();
    u16 command = u"\"" + path + u"\" /S /LANG=" +
                  ascii_to_utf16(std::to_string(updater_language_code(updater_language_name()))) + u" /D=" + folder;
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(wide(path.c_str()), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        error = "the setup could not be started (error " + std::to_string(GetLastError()) + ")";
        return -1;
    }
    CloseHandle(pi.hThread);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(pi.hProcess, &status);
    CloseHandle(pi.hProcess);
    return static_cast<int>(status);
}

bool win32_update_actions_c::start_program(std::string& error)
{
    u16 path = program_folder_ + program_file;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<wchar_t> line;
    u16 command = u"\"" + path + u"\"";
    line.assign(command.begin(), command.end());
    line.push_back(0);
    if (!CreateProcessW(wide(path.c_str()), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        wide(program_folder_.c_str()), &si, &pi)) {
        error = "the program could not be started (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

} // namespace tdu
