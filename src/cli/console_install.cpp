// tdu-cli install: each complete row's button, one row after the other.
#include "cli/console_download.h"

#include "app/environment.h"
#include "app/settings.h"
#include "backup/driver_store.h"
#include "backup/store_platform.h"
#include "common/text.h"
#include "packages/package_install.h"
#include "program/program.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace tdu {

int console_install(uint32_t tick_ms, bool without_restore_point, bool without_backup)
{
    install_services_t services = program_install_services();
    if (without_restore_point && services.restore_point) services.restore_point->allow_without();
    services.without_backup = without_backup;
    // The store the backup before an update finds the installed packages in.
    if (!without_backup)
        init_driver_store(driver_store, os_version_number(environment.version_info), win32_store_platform());
    std::vector<console_row_t> rows;
    int failed = download_offered_packages(tick_ms, services, rows);
    for (console_row_t& entry : rows) {
        download_row_c& row = *entry.row;
        row.click();  // `complete`: the install action
        while (row.installing()) std::this_thread::sleep_for(std::chrono::milliseconds(tick_ms));
        if (!row.take_install_result()) {
            std::printf("%s: not installed\n", row.input().link.c_str());
            ++failed;
            continue;
        }
        u16 folder = package_folder_for(row.session().download_folder(), row.session().final_path());
        const std::string link = row.input().link;
        const std::string where = utf16_to_utf8(folder);
        switch (row.install_outcome()) {
        case install_outcome_started:
            std::printf("%s: installer started in %s\n", link.c_str(), where.c_str());
            continue;
        case install_outcome_installed:
            std::printf("%s: installed\n", link.c_str());
            continue;
        case install_outcome_restart_needed:
            std::printf("%s: installed; restart Windows to finish the installation\n", link.c_str());
            continue;
        case install_outcome_no_device:
            std::printf("%s: not installed, no device took the driver (pnputil exit code 259: no device matched, or "
                        "none gains a newer driver)\n",
                        link.c_str());
            break;
        case install_outcome_installer_error:
            std::printf("%s: not installed, pnputil failed with exit code %s\n", link.c_str(),
                        installer_exit_code_text(row.install_request()->exit_code.load()).c_str());
            break;
        case install_outcome_refused:
            std::printf("%s: not installed, its SHA-256 is not the offered one\n", link.c_str());
            break;
        case install_outcome_no_digest:
            std::printf("%s: not installed, the update service gave no SHA-256 for it\n", link.c_str());
            break;
        case install_outcome_opened_folder:
            std::printf("%s: not installed, this Windows has no driver installer; package folder %s opened for a "
                        "manual installation\n",
                        link.c_str(), where.c_str());
            break;
        case install_outcome_opened_package_folder:
            std::printf("%s: not installed, the package holds neither an INF of its devices nor a setup program; "
                        "package folder %s opened for a manual installation\n",
                        link.c_str(), where.c_str());
            break;
        case install_outcome_no_restore_point:
            std::printf("%s: not installed, no system restore point could be made (System Restore is off or not "
                        "available); run \"tdu-cli install --no-restore-point\" to install without one\n",
                        link.c_str());
            break;
        case install_outcome_no_backup:
            std::printf("%s: not installed, the driver it replaces could not be backed up, so it could not be rolled "
                        "back; run \"tdu-cli install --no-backup\" to install without that backup\n",
                        link.c_str());
            break;
        case install_outcome_not_started:
            std::printf("%s: not installed, the installer could not be started\n", link.c_str());
            break;
        case install_outcome_failed:
            std::printf("%s: not installed, the package could not be unpacked into %s "
                        "(opened with the shell instead)\n",
                        link.c_str(), where.c_str());
            break;
        default:
            std::printf("%s: not installed\n", link.c_str());
            break;
        }
        ++failed;
    }
    rows.clear();
    download_sessions.clear();
    return failed == 0 ? 0 : 1;
}

} // namespace tdu
