// tdu-cli download: the results rows' downloads, one row at a time.
#include "cli/console_download.h"

#include "app/language.h"
#include "app/settings.h"
#include "common/files.h"
#include "common/text.h"
#include "program/global_services.h"
#include "program/program.h"
#include "results/results_model.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace tdu {

int download_offered_packages(uint32_t tick_ms, install_services_t& services, std::vector<console_row_t>& complete)
{
    download_sessions.settings.download_folder = u16(settings.active_download_path);
    create_directories(download_sessions.settings.download_folder);  // a failure shows in the transfer

    // The rows of the finished scan, held while they are worked through.
    std::shared_ptr<const scan_outcome_t> scan = latest_scan();
    offer_grouping_t grouping = result_rows(scan->inventory, offer_kind_t::best);
    int incomplete = 0;
    for (const offer_group_t& group : grouping.groups) {
        if (group_status(group) == group_status_t::up_to_date) continue;
        // A question is answered Yes: the user asked for the command.
        console_row_t entry{std::make_unique<console_host_c>(box_result_t::accepted, true), nullptr};
        entry.row = std::make_unique<download_row_c>(download_row_input_for(group), download_sessions, services,
                                                     *entry.host);
        download_row_c& row = *entry.row;
        // A package already in the download folder is checked as a finished
        // transfer is: one with other bytes is deleted and fetched again.
        if (!row.session().verify_complete_package()) {
            std::printf("%s: SHA-256 of %s not the offered one; deleted\n", row.input().link.c_str(),
                        utf16_to_utf8(row.session().final_path()).c_str());
            std::fflush(stdout);
        }
        if (row.session().state() != download_complete) {
            std::printf("downloading %s (%u bytes)\n", row.input().link.c_str(), row.input().expected_size);
            std::fflush(stdout);
            // The download-all path of a ticked row: it starts unless it runs.
            row.ticked = true;
            row.download_all();
            while (entry.host->timer_running()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(tick_ms));
                row.timer_tick();
            }
        }
        download_session_c& session = row.session();
        const bool is_complete = session.state() == download_complete;
        std::printf("%s: %s, %u of %u bytes, %s%s\n", row.input().link.c_str(),
                    utf16_to_utf8(language_text(row.status_text_key())).c_str(), session.bytes_done(),
                    session.expected_size(),
                    utf16_to_utf8(is_complete ? session.final_path() : session.temp_path()).c_str(),
                    session.digest_mismatch() ? " (SHA-256 not the offered one; deleted)" : "");
        if (is_complete)
            complete.push_back(std::move(entry));
        else
            ++incomplete;
    }
    return incomplete;
}

int console_download(uint32_t tick_ms)
{
    install_services_t services = program_install_services();
    std::vector<console_row_t> complete;
    int incomplete = download_offered_packages(tick_ms, services, complete);
    complete.clear();
    download_sessions.clear();
    return incomplete == 0 ? 0 : 1;
}

} // namespace tdu
