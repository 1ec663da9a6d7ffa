// update.exe: the program's updater, in the folder "update" beside the
// program.
//
//   update.exe            the window: "up to date", or the newer version
//                         offered with its size; Yes downloads and installs
//   update.exe --check    prints the state; exit status 0 up to date, 10 a
//                         newer version is available, 20 and above a
//                         failure (packages/program_update.h lists them)
//   update.exe --install  checks, downloads, verifies, closes the running
//                         program, runs the setup silently in the user's
//                         language and starts the updated program, without
//                         questions; exit status 0 installed or up to date
//
// It is a window program: from a command prompt run it with
// "start /wait update.exe --check" to wait for its exit status. Its lines
// go to the standard output it was given (a pipe or a file), else to the
// console of whoever started it.
//
// Like the window program it runs with administrator rights, so it reads
// the update service's addresses and the trusted keys only from the
// machine-wide registry values (app/endpoints.h), never from its
// environment.
#include "app/endpoints.h"
#include "common/text.h"
#include "common/win32_text.h"
#include "packages/program_update.h"
#include "service/curl_easy.h"
#include "service/update_client.h"
#include "updater/update_actions_win32.h"
#include "updater/update_window.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

using namespace tdu;

constexpr int exit_usage = 2;

HANDLE output = INVALID_HANDLE_VALUE;

void open_output()
{
    output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE || GetFileType(output) == FILE_TYPE_UNKNOWN) {
        if (AttachConsole(ATTACH_PARENT_PROCESS))
            output = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    }
}

void print(const std::string& line)
{
    if (output == nullptr || output == INVALID_HANDLE_VALUE) return;
    std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void print_result(const update_result_t& r, bool checked_only)
{
    if (r.outcome != update_outcome_t::version_unknown)
        print("installed version: " + program_version_text(r.installed));
    if (!r.offered.link.empty())
        print("newest version: " + program_version_text(r.offered.version) + " (" + std::to_string(r.offered.size) +
              " bytes, SHA-256 " + r.offered.sha256 + ")");
    print(std::string("state: ") + update_outcome_text(r.outcome));
    if (!r.detail.empty()) print("detail: " + r.detail);
    if (r.outcome == update_outcome_t::installed && r.start_failed) print("the updated program was not started");
    if (checked_only && r.outcome == update_outcome_t::newer_available)
        print("\"update.exe --install\" installs it");
}

int run_console(bool install)
{
    open_output();
    update_progress_t progress;
    win32_update_actions_c actions(updater_program_folder(), progress);
    std::string problem;
    std::vector<answer_key_t> keys = configured_answer_keys(&problem);
    if (!problem.empty()) print("note: " + problem);
    update_result_t r = check_for_update(actions, updater_arch(), keys);
    if (install && r.outcome == update_outcome_t::newer_available) {
        print("installing version " + program_version_text(r.offered.version) + " ...");
        r = install_update(actions, r);
        if (r.outcome == update_outcome_t::program_busy && actions.close_refusal())
            r.detail += std::string(": ") + close_refusal_text(actions.close_refusal());
    }
    print_result(r, !install);
    return update_exit_code(r.outcome);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring mode = argv && count > 1 ? argv[1] : L"";
    bool extra = count > 2;
    if (argv) LocalFree(argv);

    // Administrator rights: the service's addresses come from the machine.
    endpoints_select_source(endpoints_source::machine_registry);
    curl_global_init(CURL_GLOBAL_ALL);
    int status = exit_usage;
    if ((mode == L"--check" || mode == L"--install") && !extra) {
        status = run_console(mode == L"--install");
    } else if (mode.empty()) {
        status = run_update_window();
    } else {
        open_output();
        print("usage: update.exe [--check | --install]");
    }
    curl_global_cleanup();
    return status;
}
