// The restore view's side of the runs: its list, starting, and the worker.
#include "backup/backup_runs.h"

#include "app/language.h"
#include "app/language_format.h"
#include "common/ansi_text.h"
#include "common/files.h"
#include "common/last_error.h"
#include "packages/archive_extract.h"
#include "packages/driver_installer.h"
#include "packages/package_install.h"

#include <algorithm>

namespace tdu {
namespace {

char16_t fold(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

// The tree sorts its items by text without regard to letter case.
bool text_before(const restore_item_t& a, const restore_item_t& b)
{
    return std::lexicographical_compare(a.text.begin(), a.text.end(), b.text.begin(), b.text.end(),
                                        [](char16_t x, char16_t y) { return fold(x) < fold(y); });
}

// How a restore ended once its installer was asked to start: pnputil run to
// its end answers with its exit code, as for an installation.
int32_t restore_outcome_of(const installer_start_t& start)
{
    if (!start.started) return restore_outcome_not_started;
    if (start.kind == installer_kind_t::open_folder) return restore_outcome_opened_folder;
    if (start.kind != installer_kind_t::pnputil || !start.ended) return restore_outcome_started;
    switch (pnputil_install_outcome(start.exit_code)) {
    case install_outcome_installed: return restore_outcome_installed;
    case install_outcome_restart_needed: return restore_outcome_restart_needed;
    default: return restore_outcome_installer_error;
    }
}

} // namespace

bool restore_outcome_restores(int32_t outcome)
{
    return outcome == restore_outcome_started || outcome == restore_outcome_installed ||
           outcome == restore_outcome_restart_needed;
}

u16 restore_folder_for(u16view backup_folder, u16view archive_file)
{
    u16 title(path_file_name(archive_file));
    size_t dot = title.find_last_of(u'.');
    if (dot != u16::npos) title.resize(dot);
    return path_join(backup_folder, title);
}

u16 restore_item_label(const restore_item_t& item)
{
    const u16& format = language_text(lang::restore_before_update);
    if (!item.entry.origin.before_update || format.empty()) return item.text;
    return format_language_text(format, {item.text}, 1024);
}

int fill_restore_list(std::vector<restore_item_t>& items, backup_services_t& services)
{
    load_catalogue(services.catalogue, services.environment.program_folder, services.backup_folder,
                   services.inventory);
    items.clear();
    for (backup_entry_t& entry : catalogue_entries(services.catalogue)) {
        restore_item_t item;
        item.text = ansi_to_utf16(entry.file);
        for (const backup_device_t& record : entry.devices)
            item.device_names.push_back(record.has_current ? record.current.name : record.desc);
        item.entry = std::move(entry);
        items.push_back(std::move(item));
    }
    if (items.empty()) return -1;
    std::stable_sort(items.begin(), items.end(), text_before);
    return 0;
}

int restore_view_shown(std::vector<restore_item_t>& items, run_host_c& host, backup_services_t& services)
{
    int result = fill_restore_list(items, services);
    if (result < 0) host.message_box(lang::restore_no_backup, box_style_t::information);
    return result;
}

bool start_restore(restore_view_state_t& view, const restore_item_t* ticked, run_host_c& host,
                   const backup_services_t& services, restore_point_run_c* restore_point)
{
    restore_job_t& job = *view.job;
    if (job.busy.load() == 1) return false;
    if (view.worker.held()) {
        view.worker.wait();
        view.worker.take_result();
    }
    if (!ticked) {
        host.message_box(lang::restore_no_driver, box_style_t::warning);
        return false;
    }
    const backup_entry_t& entry = ticked->entry;
    job.archive_file = entry.devices.empty() ? ansi_to_utf16(entry.file) : entry.devices.front().archive_file;
    job.backup_folder = services.backup_folder;
    job.outcome.store(restore_outcome_none);
    job.exit_code.store(0);
    job.restore_point = restore_point;
    job.busy.store(1);
    std::shared_ptr<restore_job_t> shared = view.job;
    backup_services_t copy = services;
    auto run = [shared, copy](const stop_flag_t& stop) { return static_cast<int32_t>(restore_job(*shared, copy, &stop)); };
    if (!view.worker.start(run)) {
        job.busy.store(0);
        return false;
    }
    host.start_timer();
    return true;
}

bool restore_tick(restore_view_state_t& view, run_host_c& host)
{
    if (!view.worker.held()) {
        host.stop_timer();
        return false;
    }
    if (!view.worker.take_result()) return false;
    host.stop_timer();
    switch (view.job->outcome.load()) {
    case restore_outcome_started: host.message_box(lang::restore_started, box_style_t::information); break;
    case restore_outcome_installed: host.message_box(lang::restore_installed, box_style_t::information); break;
    case restore_outcome_restart_needed:
        host.message_box(lang::download_setup_restart, box_style_t::information);
        break;
    case restore_outcome_installer_error: {
        const std::string code = installer_exit_code_text(view.job->exit_code.load());
        host.message_box_text(format_language_text(language_text(lang::restore_installer_error),
                                                   {utf8_to_utf16(code)}, 1024),
                              box_style_t::error);
        break;
    }
    case restore_outcome_opened_folder:
        host.message_box(lang::download_setup_manual, box_style_t::information);
        break;
    case restore_outcome_not_unpacked:
    case restore_outcome_not_started: host.message_box(lang::restore_failed, box_style_t::error); break;
    default: break;
    }
    return true;
}

int restore_job(restore_job_t& job, const backup_services_t& services, const stop_flag_t* stop)
{
    u16 folder = restore_folder_for(job.backup_folder, job.archive_file);
    // The extraction writes by full path below the folder and leaves the
    // current directory alone, so nothing needs setting back afterwards. The
    // folder is made or emptied first: the installer is forced, and files of
    // an earlier restore of an older archive of that name must not go with it.
    int32_t outcome = restore_outcome_not_unpacked;
    if (extract_archive_afresh(path_join(job.backup_folder, path_file_name(job.archive_file)), folder) == 0) {
        auto install = [&]() -> int32_t {
            if (stop && stop->load() != 0) {
                set_last_error(error_stopped);
                outcome = restore_outcome_stopped;
                return install_outcome_stopped;
            }
            installer_start_t start =
                run_driver_installer(services.shell, services.processes, services.environment, folder, true);
            job.exit_code.store(start.exit_code);
            outcome = restore_outcome_of(start);
            return restore_outcome_restores(outcome) ? install_outcome_started : install_outcome_failed;
        };
        // A roll-back is an installation: the run's restore point (its
        // first installation's) is made around it, and where none can be
        // made nothing starts until the user agrees. It needs no backup of
        // its own: it puts back a driver that was backed up.
        if (!job.restore_point)
            install();
        else if (guarded_install(job.restore_point, path_file_name(job.archive_file), nullptr, true, install) ==
                 install_outcome_no_restore_point)
            outcome = restore_outcome_no_restore_point;
    }
    job.outcome.store(outcome);
    job.busy.store(0);
    return restore_outcome_restores(outcome) ? 0 : -1;
}

} // namespace tdu
