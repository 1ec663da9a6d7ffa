#pragma once
// A system restore point around the first driver installation of a run.
// restore_point_c is the platform's System Restore (Win32: SRSetRestorePointW
// of srclient.dll, loaded at run time from the system folder); tests use a
// recording fake. restore_point_run_c makes the run's one restore point:
// BEGIN_SYSTEM_CHANGE before the first installation, END_SYSTEM_CHANGE after
// it, or END with CANCELLED_OPERATION when that installation failed.
#include "common/text.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace tdu {

struct restore_point_begin_t {
    bool made = false;
    int64_t sequence = 0;  // the restore point's sequence number when made
    uint32_t status = 0;   // the status System Restore gave when not made
};

class restore_point_c {
public:
    virtual ~restore_point_c() = default;
    // BEGIN_SYSTEM_CHANGE of a DEVICE_DRIVER_INSTALL with `description`
    // (cut to 255 characters).
    virtual restore_point_begin_t begin(u16view description) = 0;
    // END_SYSTEM_CHANGE of the restore point `sequence`; `cancelled` ends it
    // as CANCELLED_OPERATION. True when System Restore took it.
    virtual bool end(int64_t sequence, bool cancelled) = 0;
};

// The Win32 System Restore (Windows build only). `lift_daily_limit` (Windows
// 8 and later): the once-a-day limit on restore points is set to 0 for the
// BEGIN call and put back as it was (the value, or its absence) afterwards.
std::unique_ptr<restore_point_c> make_win32_restore_point(bool lift_daily_limit);

// How the run's restore point went.
enum class restore_point_state_t : int32_t {
    none = 0,     // no installation has asked for one yet
    made = 1,     // made before the first installation
    refused = 2,  // System Restore made none (off, missing, or it failed)
    off = 3,      // the user turned restore points off: none is asked for
};

// What a guarded installation came to.
enum class restore_point_guard_t : int32_t {
    installed = 0,
    failed = 1,            // `install` ran and did not install
    no_restore_point = 2,  // none could be made and the user has not (yet)
                           // agreed to install without: `install` did not run
};

// The description of a run's restore point: the program and the package.
u16 restore_point_description(u16view package_name);

class restore_point_run_c {
public:
    explicit restore_point_run_c(restore_point_c& system) : system_(system) {}

    // Runs `install` (true when it installed). The first call of the run
    // makes the restore point before it and ends it after it (cancelled when
    // `install` failed); calls made meanwhile on other threads wait until
    // that first installation has run, so none runs ahead of the restore
    // point. Later calls run `install` alone. When System Restore made none
    // (it is asked once a run), `install` runs only once the user agreed to
    // installing without one (allow_without).
    restore_point_guard_t guard(u16view package_name, const std::function<bool()>& install);

    // Restore points turned off by the user's setting: `install` always runs
    // alone. Before the first installation.
    void turn_off();
    // The user agreed to install without a restore point for the rest of
    // the run (the console's switch, or the answer to the question).
    void allow_without();
    bool allowed_without() const;
    // The question whether to install without one is asked once a run: true
    // the first time only.
    bool take_question();

    restore_point_state_t state() const;

private:
    restore_point_c& system_;
    mutable std::mutex mutex_;
    restore_point_state_t state_ = restore_point_state_t::none;
    bool allowed_without_ = false;
    bool asked_ = false;
};

} // namespace tdu
