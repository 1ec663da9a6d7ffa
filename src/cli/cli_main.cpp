// tdu-cli: the console front end.
//
//   tdu-cli environment    print the platform facts start-up captures
//   tdu-cli scan [--json]  start up as the program does, scan the devices,
//                          ask the update service, and print one line per
//                          result group and the three counts (or JSON)
//   tdu-cli download       scan, then download the package of every group
//                          that is out of date or has no driver into the
//                          download folder
//   tdu-cli install [--no-restore-point] [--no-backup]
//                          the same, then install every complete package,
//                          the first within a system restore point; where
//                          none can be made nothing is installed unless
//                          --no-restore-point allows it. The driver a
//                          package replaces is backed up first; where that
//                          fails nothing is installed unless --no-backup
//                          (no such backup) allows it
//   tdu-cli backup         back up every driver-store package of the
//                          devices into the backup folder and record it in
//                          the catalogue
//   tdu-cli ignore --list | --add HWID VERSION DATE [TITLE] | --remove HWID VERSION DATE
//                          list, add or remove an offer of the user's
//                          ignore list (scan and install pass over them)
//   tdu-cli restore ARCHIVE
//                          unpack one archive of the catalogue and start
//                          the driver package installer on it
//   tdu-cli rollback [--no-restore-point] DEVICE
//                          restore the driver the device (its "id" in
//                          scan --json) had before the program updated it,
//                          within a system restore point as install does
//   tdu-cli cleanup --list list every package of the driver store with
//                          the clean-up's verdict
//   tdu-cli cleanup --remove [--no-backup] [PACKAGE...]
//                          back up and remove the superseded packages (or
//                          those of them named by their oemN.inf names)
//
// Any command that scans takes "--drivers FOLDER" first
// (tdu-cli --drivers E:\drivers install): the offers then come from that
// local folder of driver packages instead of the update service. Without
// it, a "drivers" folder beside the program is used when the service
// cannot be reached.
//
// Exit status: 0 on success; 1 when the scan, a download, an installation,
// the backup, the restore, the listing or a removal failed, 3 when start-up failed
// (the error's text on standard error); 2 for a wrong command line; 4 when
// the scan refused the update service's answer because its signature is
// missing, invalid, of an unknown key, bound to another request or expired.
//
// This file and program/program.h are the console's composition root.
#include "app/endpoints.h"
#include "app/environment.h"
#include "cli/console_backup.h"
#include "cli/console_cleanup.h"
#include "cli/console_download.h"
#include "cli/console_ignore.h"
#include "cli/console_scan.h"
#include "cli/scan_report.h"
#include "common/last_error.h"
#include "common/text.h"
#include "common/win32_text.h"
#include "program/program.h"
#include "service/local_source.h"
#include "service/update_client.h"
#include "system/system_info.h"

#include <objbase.h>

#include <cstdio>
#include <ctime>
#include <io.h>
#include <string>
#include <vector>

namespace {

constexpr int exit_scan_failed = 1;
constexpr int exit_usage = 2;
constexpr int exit_init_failed = 3;
constexpr int exit_answer_refused = 4;

// The driver folder of --drivers; empty for the update service.
std::u16string drivers_switch;

// The console polls faster than the scan view's 200 ms: nobody watches a
// drawing here, and the answer is printed as soon as it is in.
constexpr uint32_t console_tick_ms = 50;

void print_line(std::FILE* to, tdu::u16view text)
{
    std::fprintf(to, "%s\n", tdu::utf16_to_utf8(text).c_str());
}

int print_environment()
{
    using namespace tdu;
    if (!environment_capture(environment, win32_environment_source())) {
        std::fprintf(stderr, "cannot read the platform facts (error %d)\n", static_cast<int>(get_last_error()));
        return 1;
    }
    const environment_t& e = environment;
    std::printf("windows version:   %u.%u.%u (platform %u, product type %u)\n", e.version_info.major,
                e.version_info.minor, e.version_info.build, e.version_info.platform_id,
                static_cast<unsigned>(e.version_info.product_type));
    std::printf("os type:           %d\n", static_cast<int>(e.os_type));
    std::printf("os code:           %s\n", os_code_text(e));
    std::printf("os version number: %d\n", static_cast<int>(os_version_number(e.version_info)));
    std::printf("os build:          %u\n", e.version_info.build);
    // The system's name, read by the window program's own start-up step
    // (WMI through COM on this thread), so the side bar shows the same.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    program_collect_system_info();
    CoUninitialize();
    std::printf("system:            %s\n", utf16_to_utf8(system_info.os_description).c_str());
    std::printf("64-bit system:     %s\n", is_64bit_system(e) ? "yes" : "no");
    std::printf("oem code page:     %u\n", e.oem_code_page);
    std::printf("processor arch:    %u (%u processors)\n", e.system_info.processor_architecture,
                e.system_info.number_of_processors);
    std::printf("program path:      %s\n", utf16_to_utf8(e.program_path).c_str());
    std::printf("program folder:    %s\n", utf16_to_utf8(e.program_folder).c_str());
    const endpoints_t& ep = endpoints();
    for (int i = 0; i < mirror_count; ++i) std::printf("update mirror %d:   %s\n", i + 1, ep.mirrors[i].c_str());
    if (!endpoints_override_error().empty())
        std::fprintf(stderr, "endpoint override not applied: %s\n", endpoints_override_error().c_str());
    return 0;
}

// Progress on standard error while someone watches; a pipe gets none.
void show_progress(const tdu::scan_result_t& run, tdu::scan_phase_t& shown_phase)
{
    if (run.phase == shown_phase || !_isatty(_fileno(stderr))) return;
    shown_phase = run.phase;
    if (run.phase == tdu::scan_phase_t::scanning_devices) std::fprintf(stderr, "scanning the device nodes...\n");
    if (run.phase == tdu::scan_phase_t::asking_service && run.device_scan.status == 0)
        std::fprintf(stderr, "%d device nodes scanned; %s...\n", static_cast<int>(run.progress->total_nodes.load()),
                     drivers_switch.empty() ? "asking the update service" : "reading the driver folder");
}

// Which source gave the offers, and what of a driver folder could not be
// read, on standard error.
void report_offers_source(const tdu::update_request_t& request)
{
    using namespace tdu;
    const update_client_t& client = update_client();
    const local_source_t* source = request.offers_source == offers_source_t::driver_folder ? client.local_source.get()
                                   : request.offers_source == offers_source_t::beside_program
                                       ? client.fallback_source.get()
                                       : nullptr;
    if (!source) return;
    std::fprintf(stderr, "offers from the driver folder %s%s\n", utf16_to_utf8(source->folder).c_str(),
                 request.offers_source == offers_source_t::beside_program ? " (the update service cannot be reached)"
                                                                          : "");
    if (!source->error.empty()) std::fprintf(stderr, "driver folder: %s\n", source->error.c_str());
    for (const auto& problem : source->report.problems) std::fprintf(stderr, "driver folder: %s\n", problem.c_str());
}

// Starts up as the program does and scans; with a finished scan runs
// `then` on it, else prints why the scan failed.
template <typename Then>
int scan_then(Then then)
{
    using namespace tdu;
    if (!endpoints_override_error().empty())
        std::fprintf(stderr, "endpoint override not applied: %s\n", endpoints_override_error().c_str());

    init_hooks_t hooks;
    hooks.show_failure = [](u16view text) { print_line(stderr, text); };
    if (program_app_init(hooks) != 0) return exit_init_failed;
    program_choose_offers_source(drivers_switch);

    scan_result_t run;
    scan_result_init(run, environment, system_info);
    scan_phase_t shown_phase = scan_phase_t::not_started;
    console_scan_outcome_t outcome =
        run_console_scan(run, program_scan_services(), static_cast<int64_t>(std::time(nullptr)), console_tick_ms,
                         [&shown_phase](const scan_result_t& r) { show_progress(r, shown_phase); });

    report_offers_source(*run.request);
    int status = 0;
    if (outcome.finished) {
        status = then(outcome);
    } else {
        if (!outcome.error_text.empty())
            print_line(stderr, outcome.error_text);
        else
            std::fprintf(stderr, "The scan failed (error code %d).\n", static_cast<int>(outcome.error_code));
        if (outcome.error_code == error_answer_refused) {
            std::fprintf(stderr, "answer refused: %s\n", signature_verdict_name(run.request->signature_verdict));
            status = exit_answer_refused;
        } else {
            status = exit_scan_failed;
        }
    }
    program_exit();
    return status;
}

int scan(bool json)
{
    return scan_then([json](const tdu::console_scan_outcome_t& outcome) {
        std::string report = json ? tdu::scan_report_json(tdu::device_inventory, outcome.total_nodes)
                                  : tdu::scan_report_text(tdu::device_inventory, outcome.total_nodes);
        std::fwrite(report.data(), 1, report.size(), stdout);
        return 0;
    });
}

// Starts up as the program does and runs a backup or restore command.
template <typename Command>
int after_start_up(Command command)
{
    tdu::init_hooks_t hooks;
    hooks.show_failure = [](tdu::u16view text) { print_line(stderr, text); };
    if (tdu::program_app_init(hooks) != 0) return exit_init_failed;
    int status = command();
    tdu::program_exit();
    return status;
}

int usage()
{
    std::fprintf(stderr, "usage: tdu-cli [--drivers FOLDER] scan|download|install ...\n"
                         "       tdu-cli environment\n"
                         "       tdu-cli scan [--json]\n"
                         "       tdu-cli download\n"
                         "       tdu-cli install [--no-restore-point] [--no-backup]\n"
                         "       tdu-cli backup\n"
                         "       tdu-cli restore ARCHIVE\n"
                         "       tdu-cli rollback [--no-restore-point] DEVICE\n"
                         "       tdu-cli ignore --list | --add HWID VERSION DATE [TITLE] | --remove HWID VERSION DATE\n"
                         "       tdu-cli cleanup --list\n"
                         "       tdu-cli cleanup --remove [--no-backup] [PACKAGE...]\n");
    return exit_usage;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 2 && tdu::utf16_to_utf8(tdu::u16ptr(argv[1])) == "--drivers") {
        if (argc < 4) return usage();
        drivers_switch = tdu::u16ptr(argv[2]);
        argv[2] = argv[0];
        argv += 2;
        argc -= 2;
    }
    std::string command = argc >= 2 ? tdu::utf16_to_utf8(tdu::u16ptr(argv[1])) : "";
    if (command == "environment" && argc == 2) return print_environment();
    if (command == "scan" && argc <= 3) {
        bool json = argc == 3 && tdu::utf16_to_utf8(tdu::u16ptr(argv[2])) == "--json";
        if (argc == 3 && !json) return usage();
        // System information is read through COM on this thread.
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        int status = scan(json);
        CoUninitialize();
        return status;
    }
    bool without_restore_point = false, without_backup = false, switches_known = true;
    for (int i = 2; command == "install" && i < argc; ++i) {
        std::string word = tdu::utf16_to_utf8(tdu::u16ptr(argv[i]));
        if (word == "--no-restore-point" && !without_restore_point)
            without_restore_point = true;
        else if (word == "--no-backup" && !without_backup)
            without_backup = true;
        else
            switches_known = false;
    }
    if ((command == "download" && argc == 2) || (command == "install" && switches_known)) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        int status = scan_then([&command, without_restore_point, without_backup](const tdu::console_scan_outcome_t&) {
            return command == "install" ? tdu::console_install(console_tick_ms, without_restore_point, without_backup)
                                        : tdu::console_download(console_tick_ms);
        });
        CoUninitialize();
        return status;
    }
    if ((command == "backup" && argc == 2) || (command == "restore" && argc == 3)) {
        std::string archive = argc == 3 ? tdu::utf16_to_utf8(tdu::u16ptr(argv[2])) : "";
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        int status = command == "backup" ? after_start_up([] { return tdu::console_backup(); })
                                         : after_start_up([&archive] { return tdu::console_restore(archive); });
        CoUninitialize();
        return status;
    }
    const bool rollback_switch = argc == 4 && std::string(tdu::utf16_to_utf8(tdu::u16ptr(argv[2]))) == "--no-restore-point";
    if (command == "rollback" && (argc == 3 || rollback_switch)) {
        std::string device = tdu::utf16_to_utf8(tdu::u16ptr(argv[argc - 1]));
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        int status = after_start_up([&device, rollback_switch] { return tdu::console_rollback(device, rollback_switch); });
        CoUninitialize();
        return status;
    }
    if (command == "ignore") {
        std::vector<std::string> args;
        for (int i = 2; i < argc; ++i) args.push_back(tdu::utf16_to_utf8(tdu::u16ptr(argv[i])));
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        int status = after_start_up([&args] {
            tdu::console_ignore_result_t result =
                tdu::console_ignore(tdu::program_settings_store(), tdu::settings, args);
            std::fwrite(result.out.data(), 1, result.out.size(), stdout);
            std::fwrite(result.error.data(), 1, result.error.size(), stderr);
            return result.status;
        });
        CoUninitialize();
        return status;
    }
    if (command == "cleanup" && argc >= 3) {
        std::string mode = tdu::utf16_to_utf8(tdu::u16ptr(argv[2]));
        bool back_up = true;
        std::vector<std::string> names;
        for (int i = 3; i < argc; ++i) {
            std::string word = tdu::utf16_to_utf8(tdu::u16ptr(argv[i]));
            if (word == "--no-backup" && i == 3)
                back_up = false;
            else if (!word.empty() && word[0] != '-')
                names.push_back(word);
            else
                return usage();
        }
        if (mode == "--list" && argc == 3) {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            int status = after_start_up([] { return tdu::console_cleanup_list(); });
            CoUninitialize();
            return status;
        }
        if (mode == "--remove") {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            int status = after_start_up([&] { return tdu::console_cleanup_remove(back_up, names); });
            CoUninitialize();
            return status;
        }
    }
    return usage();
}
