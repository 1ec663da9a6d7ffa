#pragma once
// Starting the installer of an unpacked driver package: the driver package
// installer tool (DPInst32.exe or DPInst64.exe in the program's folder) on
// the folder of the package's INF files, or else the package's own setup
// program, or else the package folder opened in the shell. Nothing waits
// for what was started.
#include "app/environment.h"
#include "common/text.h"
#include "packages/process_run.h"
#include "packages/shell.h"

#include <set>

namespace tdu {

// INF paths inside a package, relative to its root, with backslashes; kept
// sorted by plain code-unit comparison.
using inf_name_set_t = std::set<u16>;

// The folder part (with its trailing backslash) that every name of `names`
// shares; false for an empty set or when the shared prefix holds no
// backslash.
bool common_inf_folder(const inf_name_set_t& names, u16& folder);

// The arguments of the installer tool for `folder`: "/SH /PATH \"<folder>\""
// or, with `force`, "/SH /F /PATH \"<folder>\"". A trailing backslash of the
// folder is left out, so the quote never follows a backslash (which the
// command-line parser would read as an escaped quote).
u16 driver_installer_arguments(u16view folder, bool force);

// The installer tool by full path: "DPInst64.exe" on 64-bit Windows (even
// though the program is 32-bit), else "DPInst32.exe", in the program's folder.
u16 driver_installer_path(const environment_t& env);

// How the INF packages of a folder are installed on the machine at hand.
enum class installer_kind_t {
    // The driver package installer tool beside the program.
    dpinst,
    // No tool beside the program (it is a separate redistributable that may
    // not be shipped): Windows' own pnputil, present from Vista on.
    pnputil,
    // Neither (Windows XP without the tool): the folder is opened in the
    // shell and the user installs from it.
    open_folder,
    // Not an INF installation: the package's own setup program
    // (start_package_installer).
    package_own,
    // Neither an INF of the package's devices nor a setup program was
    // found: the package folder is opened for the user to install from.
    package_folder,
};

// What was started, and whether the shell (or the process runner) started
// it; for pnputil run to its end, its exit code.
struct installer_start_t {
    installer_kind_t kind = installer_kind_t::open_folder;
    bool started = false;  // shell_c::execute's answer, or a process was made
    bool ended = false;    // pnputil ended within the wait: `exit_code` is its own
    uint32_t exit_code = 0;
};

struct installer_choice_t {
    installer_kind_t kind = installer_kind_t::open_folder;
    u16 program;    // what the shell starts (the folder itself for open_folder)
    u16 arguments;  // empty for open_folder
};

// The choice for `folder` from the platform facts, decided without looking
// at any file: `tool_present` says whether driver_installer_path(env)
// exists; the tool is used up to Windows 8.1, pnputil from Windows 10 on
// even where the tool is present. pnputil is taken from the system folder of `env.windows_folder`;
// a 32-bit program on 64-bit Windows reaches the 64-bit pnputil through
// "Sysnative" (its own "System32" is redirected to the 32-bit one, which
// cannot install 64-bit drivers). Vista to 8.1 take "-i -a", Windows 10
// "/add-driver ... /install"; both add every INF of the folder. pnputil has
// no counterpart of the tool's "/F": a forced installation gets the
// ordinary one there.
installer_choice_t choose_driver_installer(const environment_t& env, bool tool_present, u16view folder, bool force);

// Starts the chosen installer on `folder` (the tool when it lies in the
// program's folder) and returns which it was and whether it started;
// open_folder means the user must be told to install from the opened
// folder. pnputil is run through `processes` and waited for (at most
// installer_wait_ms), so its exit code comes back; without `processes`
// (a restore, whose end nothing reports) the shell starts it as it starts
// the others.
installer_start_t run_driver_installer(shell_c& shell, process_runner_c* processes, const environment_t& env,
                                       u16view folder, bool force);

// Starts the setup program of `directory`: its only ".exe" file, or among
// several the first named "setup.exe" or "autorun.exe" in any letter case.
// Returns 0 when one was found and handed to the shell, -1 otherwise;
// `started` (when given) receives the shell's answer.
int find_setup_program(shell_c& shell, u16view directory, bool* started = nullptr);

// The names of `names` that safe_relative_path accepts as files inside the
// package (a name that is refused, or ends in a separator, is left out), in
// their safe form.
inf_name_set_t safe_inf_names(const inf_name_set_t& names);

// Chooses and starts the installer for the unpacked package in
// `package_folder` whose devices use the INF files `inf_names`; only the
// safe names (safe_inf_names) are looked at. Returns what
// run_driver_installer returned, package_own for a setup program, or
// package_folder when the folder was opened because it held neither.
installer_start_t start_package_installer(shell_c& shell, process_runner_c* processes, const environment_t& env,
                                          u16view package_folder, const inf_name_set_t& inf_names);

} // namespace tdu
