#include "packages/driver_installer.h"

#include "common/files.h"
#include "common/safe_path.h"

#include <algorithm>

namespace tdu {

namespace {

constexpr size_t path_limit = 259;

} // namespace

bool common_inf_folder(const inf_name_set_t& names, u16& folder)
{
    if (names.empty()) return false;
    auto it = names.begin();
    u16 candidate = it->substr(0, path_limit);
    for (++it; it != names.end(); ++it) {
        size_t n = std::min(candidate.size(), it->size());
        size_t same = 0;
        while (same < n && candidate[same] == (*it)[same]) ++same;
        candidate.resize(same);
    }
    if (!candidate.empty() && candidate.back() == u'\\') {
        folder = candidate;
        return true;
    }
    size_t cut = candidate.find_last_of(u'\\');
    if (cut == u16::npos) return false;
    folder = candidate.substr(0, cut + 1);
    return true;
}

u16 driver_installer_arguments(u16view folder, bool force)
{
    while (!folder.empty() && folder.back() == u'\\') folder.remove_suffix(1);
    u16 arguments = force ? u"/SH /F /PATH \"" : u"/SH /PATH \"";
    arguments.append(folder);
    arguments.push_back(u'"');
    return arguments;
}

u16 driver_installer_path(const environment_t& env)
{
    return path_join(env.program_folder, is_64bit_system(env) ? u"DPInst64.exe" : u"DPInst32.exe");
}

installer_choice_t choose_driver_installer(const environment_t& env, bool tool_present, u16view folder, bool force)
{
    installer_choice_t choice;
    // The tool is deprecated from Windows 10 on and cannot pick the INF
    // sections decorated for a build: there pnputil installs, tool or not.
    const bool windows10_or_later =
        env.version_info.platform_id == ver_platform_win32_nt && env.version_info.major >= 10;
    if (tool_present && !windows10_or_later) {
        choice.kind = installer_kind_t::dpinst;
        choice.program = driver_installer_path(env);
        choice.arguments = driver_installer_arguments(folder, force);
        return choice;
    }
    if (env.version_info.platform_id != ver_platform_win32_nt || env.version_info.major < 6) {
        choice.kind = installer_kind_t::open_folder;
        choice.program = u16(folder);
        return choice;
    }
    choice.kind = installer_kind_t::pnputil;
    u16 windows(env.windows_folder, u16_length(env.windows_folder));
    if (windows.empty()) {
        choice.program = u"pnputil.exe";  // left to the search path
    } else {
        u16 system = path_join(windows, env.wow64_process ? u"Sysnative" : u"System32");
        choice.program = path_join(system, u"pnputil.exe");
    }
    while (!folder.empty() && folder.back() == u'\\') folder.remove_suffix(1);
    u16 infs = u"\"" + path_join(folder, u"*.inf") + u"\"";
    choice.arguments = env.version_info.major >= 10 ? u"/add-driver " + infs + u" /install" : u"-i -a " + infs;
    return choice;
}

installer_start_t run_driver_installer(shell_c& shell, process_runner_c* processes, const environment_t& env,
                                       u16view folder, bool force)
{
    installer_choice_t choice = choose_driver_installer(env, path_exists(driver_installer_path(env)), folder, force);
    installer_start_t start;
    start.kind = choice.kind;
    if (choice.kind == installer_kind_t::pnputil && processes) {
        const process_result_t run = processes->run_and_wait(choice.program, choice.arguments, installer_wait_ms);
        start.started = run.end != process_end_t::not_started;
        start.ended = run.end == process_end_t::ended;
        start.exit_code = run.exit_code;
        return start;
    }
    start.started = shell.execute(choice.program, choice.arguments);
    return start;
}

int find_setup_program(shell_c& shell, u16view directory, bool* started)
{
    std::vector<u16> programs = list_files(directory, u".exe");
    const u16* chosen = nullptr;
    if (programs.size() == 1) {
        chosen = &programs.front();
    } else {
        for (const u16& name : programs) {
            if (equals_ignore_case_ascii(name, u"setup.exe") || equals_ignore_case_ascii(name, u"autorun.exe")) {
                chosen = &name;
                break;
            }
        }
    }
    if (!chosen) return -1;
    const bool ok = shell.execute(path_join(directory, *chosen), u"");
    if (started) *started = ok;
    return 0;
}

inf_name_set_t safe_inf_names(const inf_name_set_t& names)
{
    inf_name_set_t safe;
    for (const u16& name : names) {
        u16 path = safe_relative_path(name);
        if (!path.empty() && path.back() != u'\\') safe.insert(path);
    }
    return safe;
}

installer_start_t start_package_installer(shell_c& shell, process_runner_c* processes, const environment_t& env,
                                          u16view package_folder, const inf_name_set_t& requested_names)
{
    // Names from the update service's answer: one that could reach outside
    // the package (or names no file) takes no part in choosing the folder.
    const inf_name_set_t inf_names = safe_inf_names(requested_names);
    u16 common;
    bool has_common = common_inf_folder(inf_names, common);
    u16 inf_folder = has_common ? path_join(package_folder, common) : path_join(package_folder, u"");

    if (is_directory(inf_folder)) {
        for (const u16& name : inf_names) {
            if (path_exists(path_join(package_folder, name))) {
                return run_driver_installer(shell, processes, env, inf_folder, false);
            }
        }
    }

    // No INF of the set is there: look for a setup program from the INF
    // folder up towards the package root, which ends the search (the names
    // are safe, so every folder tried lies inside the package).
    installer_start_t start;
    start.kind = installer_kind_t::package_own;
    u16 folder = has_common ? common.substr(0, path_limit) : u16();
    for (size_t cut = folder.find_last_of(u'\\'); cut != u16::npos; cut = folder.find_last_of(u'\\')) {
        folder.resize(cut);
        if (find_setup_program(shell, path_join(package_folder, folder), &start.started) == 0) return start;
    }
    if (find_setup_program(shell, package_folder, &start.started) == 0) return start;
    // Nothing to start: the user installs from the folder, and nothing was
    // installed yet.
    start.kind = installer_kind_t::package_folder;
    start.started = shell.execute(package_folder, u"");
    return start;
}

} // namespace tdu
