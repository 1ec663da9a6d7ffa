// tdu-cli download: the results rows' downloads, one group at a time.
#include "cli/console_download.h"

#include "app/language.h"
#include "app/settings.h"
#include "cli/scan_report.h"
#include "common/files.h"
#include "common/text.h"
#include "packages/download_row.h"
#include "packages/download_session.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace tdu {

int download_offered_packages(uint32_t tick_ms, std::vector<console_package_t>& complete_packages)
{
    download_sessions.settings.download_folder = u16(settings.active_download_path);
    create_directories(download_sessions.settings.download_folder);  // a failure shows in the transfer

    offer_grouping_t grouping = best_offer_groups(device_inventory);
    int incomplete = 0;
    for (const offer_group_t& group : grouping.groups) {
        if (offer_group_status(group) == group_status::up_to_date) continue;
        download_row_input_t input = download_row_input_for(group);
        std::shared_ptr<download_session_c> session =
            download_sessions.find_or_create(input.link, input.expected_size, input.sha256);
        if (session->state() != download_complete) {
            std::printf("downloading %s (%u bytes)\n", input.link.c_str(), input.expected_size);
            std::fflush(stdout);
            session->start();
            while (session->check_completion() == completion_t::running)
                std::this_thread::sleep_for(std::chrono::milliseconds(tick_ms));
        }
        const bool complete = session->state() == download_complete;
        if (!complete) ++incomplete;
        if (complete) complete_packages.push_back({input, session->final_path()});
        std::printf("%s: %s, %u of %u bytes, %s%s\n", input.link.c_str(),
                    utf16_to_utf8(language_text(download_status_text_key(session->state()))).c_str(),
                    session->bytes_done(), session->expected_size(),
                    utf16_to_utf8(complete ? session->final_path() : session->temp_path()).c_str(),
                    session->digest_mismatch() ? " (SHA-256 not the offered one; deleted)" : "");
    }
    download_sessions.clear();
    return incomplete;
}

int console_download(uint32_t tick_ms)
{
    std::vector<console_package_t> complete;
    return download_offered_packages(tick_ms, complete) == 0 ? 0 : 1;
}

} // namespace tdu
