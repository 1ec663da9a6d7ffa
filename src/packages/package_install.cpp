#include "packages/package_install.h"

#include "common/files.h"
#include "common/sha256.h"
#include "packages/archive_extract.h"

#include <cstdio>

namespace tdu {

package_installs_t& package_installs()
{
    // Never destroyed: a detached worker may still end its installation
    // while the process exits.
    static package_installs_t* const installs = new package_installs_t;
    return *installs;
}

bool package_installs_t::begin(const u16& package_folder)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return folders_.insert(package_folder).second;
}

void package_installs_t::end(const u16& package_folder)
{
    std::lock_guard<std::mutex> lock(mutex_);
    folders_.erase(package_folder);
}

bool package_installs_t::running(const u16& package_folder) const
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

bool append_installed_link(const environment_t& env, const std::string& link)
{
    std::FILE* f = open_file(path_join(env.program_folder, u"setup.dat").c_str(), "ab");
    if (!f) return false;
    std::string line = link + "\n";
    bool ok = std::fwrite(line.data(), 1, line.size(), f) == line.size();
    return std::fclose(f) == 0 && ok;
}

void delete_top_level_htm(u16view folder)
{
    for (const u16& name : list_files(folder, u".htm")) remove_file(path_join(folder, name).c_str());
}

int install_package(install_request_t& request, shell_t& shell, const environment_t& env)
{
    u16 folder = package_folder_for(request.download_folder, request.package_path);
    if (!request.sha256.empty()) {
        std::string digest;
        if (!sha256_file_hex(request.package_path, digest) || digest != request.sha256) {
            request.outcome.store(install_outcome_refused);
            package_installs().end(folder);
            request.installing.store(0);
            return -1;
        }
        if (!request.link.empty()) append_installed_link(env, request.link);
    }
    int result = -1;
    // Into a made or emptied folder: files that an earlier extraction of a
    // re-published package left there must not be installed with it.
    if (extract_archive_afresh(request.package_path, folder) == 0) {
        delete_top_level_htm(folder);
        start_package_installer(shell, env, folder, request.inf_names);
        result = 0;
    } else {
        shell.execute(request.package_path, u"");
    }
    request.outcome.store(result == 0 ? install_outcome_started : install_outcome_failed);
    package_installs().end(folder);
    request.installing.store(0);
    return result;
}

bool request_install(const std::shared_ptr<install_request_t>& request, const install_order_t& order,
                     row_host_t& host, install_services_t& services)
{
    if (order.no_update && host.message_box("download_setup_warning", box_style_yes_no) == box_second) return false;
    if (!services.shell.is_user_an_admin()) {
        host.message_box("download_setup_require", box_style_ok);
        return false;
    }
    if (request->installing.load() == 1) return false;
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
    request->outcome.store(install_outcome_none);
    request->installing.store(1);

    // A file that cannot be opened is skipped. A package with a digest is
    // recorded by the worker, once it has checked it.
    if (order.sha256.empty())
        append_installed_link(services.environment, order.link);
    else
        request->link = order.link;

    std::shared_ptr<install_request_t> shared = request;
    shell_t* shell = &services.shell;
    const environment_t* env = &services.environment;
    std::thread worker;
    if (!services.threads.start(worker, [shared, shell, env] { install_package(*shared, *shell, *env); })) {
        package_installs().end(folder);
        request->installing.store(0);
        return false;
    }
    worker.detach();
    return true;
}

} // namespace tdu
