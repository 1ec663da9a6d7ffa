#include "packages/package_install.h"

#include "common/files.h"
#include "common/last_error.h"
#include "common/safe_path.h"
#include "common/sha256.h"
#include "packages/archive_extract.h"
#include "service/installed_links.h"

#include <cstdio>

namespace tdu {

package_installs_c& package_installs()
{
    // Never destroyed: a detached worker may still end its installation
    // while the process exits.
    static package_installs_c* const installs = new package_installs_c;
    return *installs;
}

bool package_installs_c::begin(const u16& package_folder)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return folders_.insert(package_folder).second;
}

void package_installs_c::end(const u16& package_folder)
{
    std::lock_guard<std::mutex> lock(mutex_);
    folders_.erase(package_folder);
}

bool package_installs_c::running(const u16& package_folder) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return folders_.count(package_folder) != 0;
}

u16 package_folder_for(u16view download_folder, u16view package_path)
{
    u16 name(path_file_name(package_path));
    size_t dot = name.find_last_of(u'.');
    if (dot != u16::npos)
        name.resize(dot);
    else
        name += u"_files";  // the package file holds the bare name
    return path_join(download_folder, name);
}

bool remove_package_folder(u16view download_folder, u16view package_path)
{
    u16 folder = package_folder_for(download_folder, package_path);
    u16 name(path_file_name(folder));
    if (name.empty() || safe_relative_path(name) != name) return false;
    // A worker unpacking into it, or starting an installer from it.
    if (package_installs().running(folder)) return false;
    return remove_folder_tree(folder);
}

void delete_top_level_htm(u16view folder)
{
    for (const u16& name : list_files(folder, u".htm")) remove_file(path_join(folder, name).c_str());
}

bool install_outcome_installs(int32_t outcome)
{
    return outcome == install_outcome_started || outcome == install_outcome_installed ||
           outcome == install_outcome_restart_needed;
}

int32_t pnputil_install_outcome(uint32_t exit_code)
{
    switch (exit_code) {
    case 0: return install_outcome_installed;
    case 3010: return install_outcome_restart_needed;  // ERROR_SUCCESS_REBOOT_REQUIRED
    case 259: return install_outcome_no_device;        // ERROR_NO_MORE_ITEMS
    default: return install_outcome_installer_error;
    }
}

std::string installer_exit_code_text(uint32_t exit_code)
{
    char text[16];
    if (exit_code <= 0xFFFF)
        std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(exit_code));
    else
        std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(exit_code));
    return text;
}

namespace {

int32_t outcome_of(const installer_start_t& start)
{
    if (!start.started) return install_outcome_not_started;
    switch (start.kind) {
    case installer_kind_t::open_folder: return install_outcome_opened_folder;
    case installer_kind_t::package_folder: return install_outcome_opened_package_folder;
    case installer_kind_t::pnputil:
        if (start.ended) return pnputil_install_outcome(start.exit_code);
        break;
    case installer_kind_t::dpinst:
    case installer_kind_t::package_own: break;
    }
    return install_outcome_started;
}

// A package that is no archive but a program installs itself when started.
bool package_is_program(u16view package_path)
{
    u16view name = path_file_name(package_path);
    return name.size() > 4 && equals_ignore_case_ascii(name.substr(name.size() - 4), u".exe");
}

// The driver package as the restore point's description names it: the
// first INF of the row's devices and the package file, "a.inf (pkg.zip)".
u16 restore_point_package_name(const install_request_t& request)
{
    u16 name(path_file_name(request.package_path));
    if (request.inf_names.empty()) return name;
    return u16(path_file_name(*request.inf_names.begin())) + u" (" + name + u")";
}

} // namespace

int32_t guarded_install(restore_point_run_c* restore_point, u16view package_name,
                        const std::function<bool()>& backup, bool without_backup,
                        const std::function<int32_t()>& install)
{
    int32_t outcome = install_outcome_failed;
    auto step = [&]() {
        // Nothing is installed over a driver without its way back, unless
        // the user said so.
        if (backup && !without_backup && !backup()) {
            outcome = install_outcome_no_backup;
            return false;
        }
        outcome = install();
        return install_outcome_installs(outcome);
    };
    if (!restore_point)
        step();
    else if (restore_point->guard(package_name, step) == restore_point_guard_t::no_restore_point)
        outcome = install_outcome_no_restore_point;
    return outcome;
}

int install_package(install_request_t& request, shell_c& shell, process_runner_c& processes, const environment_t& env,
                    const stop_flag_t* stop, restore_point_run_c* restore_point)
{
    u16 folder = package_folder_for(request.download_folder, request.package_path);
    std::string digest;
    const int32_t refusal = request.sha256.empty() ? install_outcome_no_digest
                            : !sha256_file_hex(request.package_path, digest) || digest != request.sha256
                                ? install_outcome_refused
                                : install_outcome_none;
    if (refusal != install_outcome_none) {
        request.outcome.store(refusal);
        package_installs().end(folder);
        request.installing.store(0);
        return -1;
    }
    auto install = [&]() {
        int32_t outcome = install_outcome_failed;
        // Into a made or emptied folder: files that an earlier extraction of
        // a re-published package left there must not be installed with it.
        if (extract_archive_afresh(request.package_path, folder) == 0) {
            delete_top_level_htm(folder);
            if (stop && stop->load() != 0) {
                set_last_error(error_stopped);
                outcome = install_outcome_stopped;
            } else {
                const installer_start_t start =
                    start_package_installer(shell, &processes, env, folder, request.inf_names);
                request.exit_code.store(start.exit_code);
                outcome = outcome_of(start);
            }
        } else {
            const bool started = shell.execute(request.package_path, u"");
            if (package_is_program(request.package_path))
                outcome = started ? install_outcome_started : install_outcome_not_started;
        }
        return outcome;
    };
    const int32_t outcome = guarded_install(restore_point, restore_point_package_name(request), request.backup,
                                            request.without_backup, install);
    // Only a started installer makes the next scan leave the offer out.
    const int result = install_outcome_installs(outcome) ? 0 : -1;
    if (result == 0 && !request.link.empty()) append_installed_link(env.program_folder, request.link);
    request.outcome.store(outcome);
    package_installs().end(folder);
    request.installing.store(0);
    return result;
}

bool request_install(worker_c& worker, const std::shared_ptr<install_request_t>& request,
                     const install_order_t& order, run_host_c& host, install_services_t& services)
{
    if (order.no_update &&
        host.message_box(lang::download_setup_warning, box_style_t::yes_no) != box_result_t::accepted)
        return false;
    if (!services.shell.is_user_an_admin()) {
        host.message_box(lang::download_setup_require, box_style_t::error);
        return false;
    }
    if (request->installing.load() == 1) return false;
    // The end of an earlier job is collected; one still returning keeps
    // the request waiting for the next click.
    worker.take_result();
    if (worker.held()) return false;
    // Another row's worker (a row of an earlier results list, say) may be
    // unpacking the same package.
    u16 folder = package_folder_for(order.download_folder, order.package_path);
    if (!package_installs().begin(folder)) return false;

    request->package_path = order.package_path;
    request->download_folder = order.download_folder;
    request->inf_names.clear();
    request->inf_names.insert(order.inf_names.begin(), order.inf_names.end());
    request->sha256 = order.sha256;
    request->link.clear();
    // What the installation replaces is archived first (the catalogue and
    // the inventory are read here, on the interface thread).
    request->without_backup = order.without_backup || services.without_backup;
    request->backup = nullptr;
    if (services.backup && !request->without_backup && !order.device_ids.empty())
        request->backup = services.backup->prepare(order.device_ids, restore_point_package_name(*request));
    request->outcome.store(install_outcome_none);
    request->exit_code.store(0);
    request->installing.store(1);

    // Recorded by the job once an installer was started for it.
    request->link = order.link;

    std::shared_ptr<install_request_t> shared = request;
    shell_c* shell = &services.shell;
    process_runner_c* processes = &services.processes;
    const environment_t* env = &services.environment;
    restore_point_run_c* restore_point = services.restore_point;
    auto job = [shared, shell, processes, env, restore_point](const stop_flag_t& stop) {
        return install_package(*shared, *shell, *processes, *env, &stop, restore_point);
    };
    if (!worker.start(job)) {
        package_installs().end(folder);
        request->installing.store(0);
        return false;
    }
    return true;
}

} // namespace tdu
