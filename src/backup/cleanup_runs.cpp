#include "backup/cleanup_runs.h"

#include "app/language.h"
#include "app/language_format.h"
#include "backup/store_cleanup.h"

namespace tdu {

bool cleanup_view_shown(cleanup_view_state_t& view, backup_services_t& services, const ignored_offers_t& ignored)
{
    if (view.worker.held()) return false;
    view.packages =
        list_store_packages(services.store, os_version_number(services.environment.version_info), services.inventory);
    view.candidates = cleanup_candidates(view.packages, ignored);
    return true;
}

bool start_removal(cleanup_view_state_t& view, const std::vector<size_t>& ticked, bool back_up, run_host_c& host,
                   const backup_services_t& services, removal_platform_c& platform)
{
    if (view.worker.held()) return false;
    auto job = std::make_shared<removal_job_t>();
    for (size_t i : ticked) {
        if (i < view.candidates.size())
            job->items.push_back(removal_item_for(view.packages[view.candidates[i]], services.inventory));
    }
    if (job->items.empty()) {
        host.message_box(lang::cleanup_no_package, box_style_t::warning);
        return false;
    }
    if (host.message_box(lang::cleanup_confirm, box_style_t::yes_no) != box_result_t::accepted) return false;
    job->back_up = back_up;
    job->backup_folder = services.backup_folder;
    view.job = job;
    host.start_timer();
    backup_services_t copy = services;
    removal_platform_c* system = &platform;
    auto run = [job, copy, system](const stop_flag_t& stop) {
        return static_cast<int32_t>(removal_job(*job, copy, *system, &stop));
    };
    if (!view.worker.start(run)) {
        host.stop_timer();
        host.message_box(lang::cleanup_failed, box_style_t::error);
        return false;
    }
    return true;
}

removal_tick_result_t removal_tick(cleanup_view_state_t& view, run_host_c& host)
{
    host.redraw();
    if (!view.worker.held()) return removal_tick_result_t::idle;
    std::optional<worker_result_t> ended = view.worker.take_result();
    if (!ended) return removal_tick_result_t::running;
    host.stop_timer();
    u16 freed = size_text(removal_freed_bytes(*view.job));
    bool failed = ended->status < 0;
    u16 text = format_language_text(language_text(failed ? "cleanup_failed" : "cleanup_completed"), {freed}, 1024);
    host.message_box_text(text, failed ? box_style_t::error : box_style_t::information);
    return failed ? removal_tick_result_t::failed : removal_tick_result_t::completed;
}

u16 size_text(uint64_t bytes)
{
    if (bytes < 1024) return decimal_text(static_cast<int64_t>(bytes)) + u" bytes";
    const char16_t* units[] = {u" KB", u" MB", u" GB", u" TB"};
    // Tenths of the unit, rounded.
    uint64_t divisor = 1024;
    size_t unit = 0;
    while (unit + 1 < 4 && bytes >= divisor * 1024) {
        divisor *= 1024;
        ++unit;
    }
    uint64_t tenths = (bytes * 10 + divisor / 2) / divisor;
    return decimal_text(static_cast<int64_t>(tenths / 10)) + u"." + decimal_text(static_cast<int64_t>(tenths % 10)) +
           units[unit];
}

} // namespace tdu
