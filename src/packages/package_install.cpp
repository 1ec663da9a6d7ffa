#include "packages/package_install.h"

#include "common/files.h"
#include "packages/archive_extract.h"

#include <cstdio>

namespace tdu {

u16 package_folder_for(u16view download_folder, u16view package_path)
{
    u16 name(path_file_name(package_path));
    size_t dot = name.find_last_of(u'.');
    if (dot != u16::npos) name.resize(dot);
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
    create_directories(folder);
    int result = -1;
    if (extract_archive(request.package_path, folder) == 0) {
        delete_top_level_htm(folder);
        start_package_installer(shell, env, folder, request.inf_names);
        result = 0;
    } else {
        shell.execute(request.package_path, u"");
    }
    request.installing.store(0);
    return result;
}

bool request_install(const std::shared_ptr<install_request_t>& request, const install_order_t& order,
                     row_host_t& host, install_services_t& services)
{
    // Only Yes installs a package that is no newer: closing the box means No.
    if (order.no_update && host.message_box("download_setup_warning", box_style_yes_no) != box_first) return false;
    if (!services.shell.is_user_an_admin()) {
        host.message_box("download_setup_require", box_style_ok);
        return false;
    }
    if (request->installing.load() == 1) return false;

    request->package_path = order.package_path;
    request->download_folder = order.download_folder;
    request->inf_names.clear();
    request->inf_names.insert(order.inf_names.begin(), order.inf_names.end());
    request->installing.store(1);

    append_installed_link(services.environment, order.link);  // a file that cannot be opened is skipped

    std::shared_ptr<install_request_t> shared = request;
    shell_t* shell = &services.shell;
    const environment_t* env = &services.environment;
    if (!services.threads.start([shared, shell, env] { install_package(*shared, *shell, *env); })) {
        request->installing.store(0);
        return false;
    }
    return true;
}

} // namespace tdu
