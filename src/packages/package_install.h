#pragma once
// Installing a downloaded driver package: a worker unpacks it into a folder
// of its own beside the download, removes its top-level "*.htm" files and
// starts the installer (see driver_installer.h); pnputil is waited for and
// its exit code becomes the outcome. Once an installer was started for it
// (and, for pnputil, installed it), the worker records the package's link in
// "setup.dat" in the program's folder, so the next scan no longer offers
// it; a package that was only opened, or not unpacked, or not started, or
// that pnputil did not install, is not recorded.
#include "app/environment.h"
#include "app/run_host.h"
#include "common/text.h"
#include "common/worker.h"
#include "packages/driver_installer.h"
#include "packages/process_run.h"
#include "packages/shell.h"
#include "system/restore_point.h"

#include <atomic>
#include <functional>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace tdu {

// How the latest installation of a request ended.
enum install_outcome_t : int32_t {
    install_outcome_none = 0,  // none has ended since the request was made
    // An installer was started on it: the tool on its INF folder, its own
    // setup program, or the package itself when it is a program (".exe")
    // that is no archive; or pnputil, which had not ended when the wait
    // ran out. How it ends is not known. The link is in "setup.dat".
    install_outcome_started = 1,
    // Not unpacked (not an archive, or its folder could not be made or
    // emptied) and no program: the package file itself was opened with the
    // shell instead.
    install_outcome_failed = 2,
    // Its SHA-256 was not the one the service offered it with: neither
    // unpacked nor opened.
    install_outcome_refused = 3,
    // Unpacked, but the process was ending: no installer was started.
    install_outcome_stopped = 4,
    // Unpacked, but this Windows has no tool that installs INF packages
    // (XP without the tool beside the program): the folder was opened so the
    // user installs from it, and is told so.
    install_outcome_opened_folder = 5,
    // The shell could not start the chosen installer.
    install_outcome_not_started = 6,
    // Unpacked, but it holds neither an INF of the row's devices nor a
    // setup program: its folder was opened for a manual installation.
    install_outcome_opened_package_folder = 7,
    // The offer came without a SHA-256: every answer is signed, and a
    // package the signed answer does not pin by its digest is not one the
    // service vouched for. Neither unpacked nor opened.
    install_outcome_no_digest = 8,
    // No system restore point could be made for the run's first
    // installation, and the user has not agreed to install without one:
    // unpacked, but no installer was started.
    install_outcome_no_restore_point = 9,
    // pnputil installed it (exit code 0). The link is in "setup.dat".
    install_outcome_installed = 10,
    // pnputil installed it and Windows must be restarted to finish
    // (3010, ERROR_SUCCESS_REBOOT_REQUIRED); the user is told. The link is
    // in "setup.dat".
    install_outcome_restart_needed = 11,
    // pnputil added it to the driver store, but no device of this computer
    // took it: none matched, or each already had a driver as good (259,
    // ERROR_NO_MORE_ITEMS). Not installed.
    install_outcome_no_device = 12,
    // pnputil ended with another exit code (install_request_t::exit_code):
    // not installed.
    install_outcome_installer_error = 13,
    // A device of the row has an installed driver, and its package could
    // not be backed up before it would be replaced: unpacked or not, no
    // installer was started (the user may agree to install without).
    install_outcome_no_backup = 14,
};

// The outcome of an installation by pnputil that ended with `exit_code`.
int32_t pnputil_install_outcome(uint32_t exit_code);

// An installer's exit code as the row and the console name it: decimal up
// to 65535, else "0x" and eight hexadecimal digits (the form of the
// system's error codes, "0xE0000247").
std::string installer_exit_code_text(uint32_t exit_code);

// The backup of the driver-store packages that a row's devices use now,
// taken before an installation replaces them (the program's is in
// backup/update_backup.h).
class update_backup_c {
public:
    virtual ~update_backup_c() = default;
    // Interface thread, when the installation is asked for: copies what the
    // backup needs of the devices `device_ids`, since the inventory's
    // records may go with the next scan. `replacing` names the package about
    // to replace their drivers. An empty function when none of them has an
    // installed driver; otherwise the worker calls it just before the
    // installation: true when every package was archived and recorded.
    virtual std::function<bool()> prepare(const std::vector<u16>& device_ids, u16view replacing) = 0;
};

// The order around one installation: the run's restore point begins (when
// `restore_point`; see restore_point_run_c for the run's first installation
// only), then the backup of the drivers it replaces is taken (when
// `backup`), then `install` runs (its outcome, install_outcome_t), and the
// restore point ends, as cancelled unless an installer was started. A
// backup that fails stops there: `install` does not run and the outcome is
// `no_backup`; `without_backup` (the user agreed) takes no backup at all.
// `no_restore_point` when the restore point kept everything from running.
int32_t guarded_install(restore_point_run_c* restore_point, u16view package_name,
                        const std::function<bool()>& backup, bool without_backup,
                        const std::function<int32_t()>& install);

// Whether an outcome means an installer was started, so its link belongs in
// "setup.dat".
bool install_outcome_installs(int32_t outcome);

// One per results row. Shared between the row and its worker, so it lives
// until both are done with it, whatever happens to the row.
struct install_request_t {
    u16 package_path;          // the complete package file
    inf_name_set_t inf_names;  // INF files of the row's devices inside the package
    u16 download_folder;       // where the package folder is made
    std::string sha256;        // the package's digest as offered; empty when none was
    std::string link;          // recorded in "setup.dat" by the worker once an installer was started
    // The backup of the drivers the installation replaces (update_backup_c),
    // run by the worker first; none when empty. `without_backup`: the user
    // agreed to install without one.
    std::function<bool()> backup;
    bool without_backup = false;
    // 1 from the request until the worker has started an installer or given
    // up; further requests of the row are ignored meanwhile.
    std::atomic<int32_t> installing{0};
    // Set by the worker before it clears `installing`; back to none when a
    // new installation is requested.
    std::atomic<int32_t> outcome{install_outcome_none};
    // pnputil's exit code, for install_outcome_installer_error; stored
    // before `outcome`.
    std::atomic<uint32_t> exit_code{0};
};

// The packages being installed in this process, by package folder: one
// worker per package, whichever row (or rebuilt row) asks, so no second
// worker unpacks into a folder that the first is still writing.
class package_installs_c {
public:
    // Claims the folder; false when a worker holds it already.
    bool begin(const u16& package_folder);
    void end(const u16& package_folder);
    bool running(const u16& package_folder) const;

private:
    mutable std::mutex mutex_;
    std::set<u16> folders_;
};

// The process-wide list.
package_installs_c& package_installs();

// What the row hands over when its user asks to install.
struct install_order_t {
    std::string link;            // the package's download link (8-bit)
    bool no_update = false;      // no device of the row gains a newer driver
    u16 package_path;            // the download session's final file
    u16 download_folder;
    std::vector<u16> inf_names;  // the chosen offer's INF name of each device, in order
    std::string sha256;          // the offered package's digest; empty when none was given
    std::vector<u16> device_ids; // the row's devices, whose installed drivers are backed up first
    bool without_backup = false; // the user agreed to install this once without that backup
};

// The process-wide services the installation uses.
struct install_services_t {
    shell_c& shell;
    process_runner_c& processes;  // runs pnputil and waits for its exit code
    thread_starter_c& threads;  // the row's installation worker starts its threads here
    const environment_t& environment;
    // The run's restore point around its first installation; none when null.
    restore_point_run_c* restore_point = nullptr;
    // The backup of the drivers an installation replaces; none when null.
    update_backup_c* backup = nullptr;
    // The console's "--no-backup": every installation of the run goes without it.
    bool without_backup = false;
};

// The row's action in the download state `complete` (interface thread).
// Asks "download_setup_warning" first when no device gains a newer driver
// (only Yes goes on: a box closed without an answer installs nothing),
// refuses with "download_setup_require" when the user is not an
// administrator, ignores the request while the row's worker or any worker
// for the same package runs, and starts the job on `worker` (the row's);
// with a digest the job checks the package first (hashing a package is no
// work for the interface thread). True when the job was started; when no
// thread can be made, `installing` and the package's claim are released
// again so that the user can try once more.
bool request_install(worker_c& worker, const std::shared_ptr<install_request_t>& request,
                     const install_order_t& order, run_host_c& host, install_services_t& services);

// The job: unpacks the package into its folder, made or emptied first so
// that no file of an earlier extraction is installed, and starts the
// installer; when the package cannot be unpacked it is opened with the
// shell instead (a package that is a program is thus started). A package
// whose digest is not the offered one is neither unpacked nor opened
// (outcome `refused`), nor is one offered without a digest (outcome
// `no_digest`). A stop raised before the installer would start
// leaves it unstarted. Appends the request's link to "setup.dat" only when
// an installer was started (install_outcome_installs). With
// `restore_point`, the first installation of the run is made within the
// run's restore point, ended as cancelled when no installer was started.
// Records the
// outcome, releases the package's claim in package_installs and clears
// `installing` at its end. Returns 0 (installer started) or -1.
int install_package(install_request_t& request, shell_c& shell, process_runner_c& processes, const environment_t& env,
                    const stop_flag_t* stop = nullptr, restore_point_run_c* restore_point = nullptr);

// The folder a package unpacks into: its file name without the last
// extension, in the download folder; a name without an extension gets
// "_files" appended instead, so the folder never takes the package's own
// name.
u16 package_folder_for(u16view download_folder, u16view package_path);

// Removes the folder the package at `package_path` unpacks into
// (package_folder_for) with everything below it; a link or junction inside
// is removed as a link, never entered, and the folder itself, when it is a
// link, goes as a link. Left alone while an installation of the package
// holds it, and when its name is not one of its own (so the download folder
// never goes). True when no such folder is left.
bool remove_package_folder(u16view download_folder, u16view package_path);

// Deletes the files matching "*.htm" directly in `folder` (not below it).
void delete_top_level_htm(u16view folder);

} // namespace tdu
