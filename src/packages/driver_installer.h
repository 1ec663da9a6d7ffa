#pragma once
// Starting the installer of an unpacked driver package: the driver package
// installer tool (DPInst32.exe or DPInst64.exe in the program's folder) on
// the folder of the package's INF files, or else the package's own setup
// program, or else the package folder opened in the shell. Nothing waits
// for what was started.
#include "app/environment.h"
#include "common/text.h"
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

// Starts the installer tool on `folder`.
void run_driver_installer(shell_c& shell, const environment_t& env, u16view folder, bool force);

// Starts the setup program of `directory`: its only ".exe" file, or among
// several the first named "setup.exe" or "autorun.exe" in any letter case.
// Returns 0 when one was started, -1 otherwise.
int find_setup_program(shell_c& shell, u16view directory);

// The names of `names` that safe_relative_path accepts as files inside the
// package (a name that is refused, or ends in a separator, is left out), in
// their safe form.
inf_name_set_t safe_inf_names(const inf_name_set_t& names);

// Chooses and starts the installer for the unpacked package in
// `package_folder` whose devices use the INF files `inf_names`; only the
// safe names (safe_inf_names) are looked at.
void start_package_installer(shell_c& shell, const environment_t& env, u16view package_folder,
                             const inf_name_set_t& inf_names);

} // namespace tdu
