// The Windows programs' wiring: the initialisation steps over the Win32
// calls, the services of the runs over the process-wide records, and the
// exit.
#include "program/program.h"

#include "app/app_init.h"
#include "app/endpoints.h"
#include "app/environment.h"
#include "app/language.h"
#include "app/settings.h"
#include "backup/driver_store.h"
#include "backup/update_backup.h"
#include "common/program_title.h"
#include "common/win32_text.h"
#include "common/worker.h"
#include "devices/device.h"
#include "devices/scan_share.h"
#include "devices/setup_api.h"
#include "packages/download_session.h"
#include "packages/process_run.h"
#include "packages/shell.h"
#include "program/global_services.h"
#include "service/offer_ranking.h"
#include "service/local_source.h"
#include "service/update_client.h"
#include "service/os_description.h"
#include "system/restore_point.h"
#include "system/system_info.h"

#include <winsock2.h>
#include <windows.h>

#include <cwchar>

namespace tdu {

settings_store_t& program_settings_store()
{
    static settings_store_t store{win32_registry(), win32_folder_ops(), u16(environment.program_folder),
                                  u16(environment.program_path), system_utc_now};
    return store;
}

namespace {

class program_init_steps_c final : public app_init_steps_c {
public:
    explicit program_init_steps_c(const init_hooks_t& hooks) : hooks_(hooks) {}

    void start_network() override
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }

    void enter_program_folder() override
    {
        wchar_t path[MAX_PATH];
        DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return;
        if (wchar_t* slash = std::wcsrchr(path, L'\\')) {
            slash[1] = 0;
            SetCurrentDirectoryW(path);
        }
    }

    bool capture_environment() override { return environment_capture(environment, win32_environment_source()); }
    int collect_system_info() override { return program_collect_system_info(); }
    bool load_settings() override { return settings_load(program_settings_store(), settings); }

    void create_fonts() override
    {
        if (hooks_.create_fonts) hooks_.create_fonts();
    }

    u16 settings_language() override { return settings.language; }

    int load_language(u16view name, bool primary) override
    {
        // Beside the program, whatever the current directory is.
        u16 path = u16(environment.program_folder) + language_file_name;
        return language_load(language_table, path, name, primary);
    }

    bool global_init() override
    {
        return tdu::global_init(win32_scan_share_source(), endpoints().scan_share_host, win32_setup_api());
    }

    void index_driver_packages() override
    {
        if (hooks_.index_driver_packages) hooks_.index_driver_packages();
    }

    void show_failure(u16view text) override
    {
        if (hooks_.show_failure) {
            hooks_.show_failure(text);
            return;
        }
        MessageBoxW(nullptr, wide(u16(text).c_str()), wide(program_title), MB_ICONERROR);
    }

private:
    const init_hooks_t& hooks_;
};

} // namespace

int program_collect_system_info()
{
    int status = collect_system_info(win32_wmi_source(), system_info);
    // The environment is captured first: it corrects WMI's name of the system.
    system_info.os_description = true_os_description(system_info.os_description, environment);
    return status;
}

int program_app_init(const init_hooks_t& hooks)
{
    program_init_steps_c steps(hooks);
    return app_init(steps);
}

scan_services_t program_scan_services()
{
    return scan_services_t{device_inventory, win32_setup_api(), update_client(), settings, language_table};
}

namespace {

// One restore point per run, before its first installation (a roll-back is
// one too). Never destroyed: a detached worker may still end an
// installation while the process exits. Windows 8 and later limit restore
// points to one a day unless told otherwise for the call.
restore_point_run_c* program_restore_point_run()
{
    const os_version_t& v = environment.version_info;
    static restore_point_c* const system = make_win32_restore_point(v.major > 6 || (v.major == 6 && v.minor >= 2)).release();
    static restore_point_run_c* const run = new restore_point_run_c(*system);
    // The user's setting turns them off (before the run's first
    // installation; the settings are loaded at start-up).
    if (settings.restore_point == 0) run->turn_off();
    return run;
}

} // namespace

backup_services_t program_backup_services()
{
    backup_services_t services{driver_store,  driver_packages, backup_catalogue,      device_inventory,
                               environment,   win32_shell(),   u16(settings.backup_path)};
    // A restore waits for pnputil's answer as an installation does, and a
    // roll-back takes the run's restore point.
    services.processes = &win32_process_runner();
    services.restore_point = program_restore_point_run();
    return services;
}

install_services_t program_install_services()
{
    install_services_t services{win32_shell(), win32_process_runner(), system_threads(), environment};
    services.restore_point = program_restore_point_run();
    // The driver an installation replaces is archived first.
    static update_backup_run_c* const backup = new update_backup_run_c(&program_backup_services);
    services.backup = backup;
    return services;
}

void program_choose_offers_source(u16view drivers_folder)
{
    update_client_t& client = update_client();
    client.local_source.reset();
    client.fallback_source.reset();
    u16 chosen = drivers_folder.empty() ? u16(settings.driver_folder) : u16(drivers_folder);
    if (!chosen.empty())
        client.local_source = make_local_source(chosen, settings.active_download_path);
    else
        client.fallback_source =
            make_local_source(u16(environment.program_folder) + u"drivers", settings.active_download_path);
}

bool program_change_ignored_offers(const ignored_offers_t& list, const update_request_t& request)
{
    settings.ignored_offers = list;
    bool saved = settings_save_ignored_offers(program_settings_store(), settings);
    update_client_t& client = update_client();
    client.ignored_offers = list;
    rank_inventory_offers(client, device_inventory, request);
    return saved;
}

bool program_exit(uint32_t wait_ms)
{
    bool all_stopped = stop_all_workers(wait_ms);
    if (all_stopped) {
        download_sessions.clear();
        app_cleanup(win32_setup_api());
    }
    return all_stopped;
}

} // namespace tdu
