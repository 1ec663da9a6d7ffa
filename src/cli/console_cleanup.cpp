// tdu-cli cleanup: the store listing, the clean-up's choice and the removal
// run over a device scan of its own, the process-wide driver store and
// catalogue.
#include "cli/console_cleanup.h"

#include "program/global_services.h"
#include "program/program.h"

#include "app/environment.h"
#include "app/settings.h"
#include "backup/removal_platform.h"
#include "backup/store_cleanup.h"
#include "backup/store_listing.h"
#include "backup/store_removal.h"
#include "backup/store_platform.h"
#include "common/ignore_case.h"
#include "common/text.h"
#include "devices/device.h"
#include "devices/device_scan.h"
#include "devices/setup_api.h"

#include <cinttypes>
#include <cstdio>

namespace tdu {
namespace {

std::string utf8(u16view text)
{
    return utf16_to_utf8(text);
}

// Scans the devices and lists the store; false (with a line on standard
// error) when either cannot be done.
bool list_store(std::vector<store_package_t>& packages)
{
    auto scanned = make_scan_outcome(class_images());
    scan_progress_t progress;
    if (!device_scan(scanned->inventory, win32_setup_api(), progress)) {
        std::fprintf(stderr, "The devices cannot be scanned.\n");
        return false;
    }
    scanned->device_nodes = static_cast<uint32_t>(progress.total_nodes.load());
    set_latest_scan(scanned);
    int32_t os = os_version_number(environment.version_info);
    if (init_driver_store(driver_store, os, win32_store_platform()) != 0) {
        std::fprintf(stderr, "The driver store cannot be found.\n");
        return false;
    }
    packages = list_store_packages(driver_store, os, scanned->inventory);
    return true;
}

const char* result_text(removal_result_t result)
{
    switch (result) {
    case removal_result_t::removed: return "removed";
    case removal_result_t::backup_failed: return "not removed: the backup failed";
    case removal_result_t::removal_failed: return "not removed: the removal failed";
    case removal_result_t::still_present: return "not removed: the system kept it";
    case removal_result_t::not_done: break;
    }
    return "not removed";
}

} // namespace

int console_cleanup_list()
{
    std::vector<store_package_t> packages;
    if (!list_store(packages)) return 1;
    std::vector<cleanup_verdict_t> verdicts = cleanup_verdicts(packages, settings.ignored_offers);
    uint64_t total = 0;
    for (size_t i = 0; i < packages.size(); ++i) {
        const store_package_t& p = packages[i];
        std::printf("%s\t%s\t%s\t%s\t%s\t%s\t%" PRIu64 "\t%s\n", utf8(p.published_name).c_str(),
                    utf8(p.original_name).c_str(), utf8(p.provider).c_str(), utf8(p.class_name).c_str(),
                    utf8(p.driver_date).c_str(), utf8(p.driver_version).c_str(), p.size,
                    cleanup_verdict_text(verdicts[i]));
        if (verdicts[i] == cleanup_verdict_t::superseded) total += p.size;
    }
    std::printf("superseded: %" PRIu64 " bytes\n", total);
    return 0;
}

int console_cleanup_remove(bool back_up, const std::vector<std::string>& names)
{
    std::vector<store_package_t> packages;
    if (!list_store(packages)) return 1;
    std::vector<size_t> chosen = cleanup_candidates(packages, settings.ignored_offers);
    if (!names.empty()) {
        std::vector<size_t> named;
        for (const std::string& name : names) {
            bool found = false;
            for (size_t i : chosen) {
                if (equals_ignore_case(packages[i].published_name, utf8_to_utf16(name))) {
                    named.push_back(i);
                    found = true;
                    break;
                }
            }
            if (!found) {
                std::fprintf(stderr, "%s is not a superseded package of the driver store; nothing was removed.\n",
                             name.c_str());
                return 1;
            }
        }
        chosen = named;
    }

    backup_services_t services = program_backup_services();
    removal_job_t job;
    job.back_up = back_up;
    job.backup_folder = services.backup_folder;
    for (size_t i : chosen) job.items.push_back(removal_item_for(packages[i], services.inventory));
    // The catalogue on disk is extended, not replaced.
    if (back_up)
        load_catalogue(services.catalogue, environment.program_folder, services.backup_folder, services.inventory);
    int status = removal_job(job, services, win32_removal_platform());
    for (const removal_item_t& item : job.items) {
        std::printf("%s\t%s", utf8(item.published_name).c_str(), result_text(item.result));
        if (!item.archive_path.empty()) std::printf("\tbackup: %s", utf8(item.archive_path).c_str());
        std::printf("\n");
    }
    std::printf("freed: %" PRIu64 " bytes\n", removal_freed_bytes(job));
    return status == 0 ? 0 : 1;
}

} // namespace tdu
