#pragma once
// What removing a package from the driver store needs from the system:
// starting the system's pnputil and waiting for its answer, and
// SetupUninstallOEMInfW (Windows XP). Win32: the process runner of the
// installation (packages/process_run.h) and the Setup API function looked up
// at run time; native tests use a recording fake.
#include "common/text.h"

#include <cstdint>

namespace tdu {

class removal_platform_c {
public:
    virtual ~removal_platform_c() = default;
    // Starts `program` with the command line "\"program\" arguments", no
    // window, and waits for it to end (at most removal_wait_ms). True, with
    // its exit code, when it ran to its end; false when it could not be
    // started or did not end in time.
    virtual bool run_and_wait(u16view program, u16view arguments, uint32_t& exit_code) = 0;
    // SetupUninstallOEMInfW(name, 0, null): true when it answered TRUE.
    virtual bool uninstall_oem_inf(u16view published_name) = 0;
};

// How long the removal of one package may take.
constexpr uint32_t removal_wait_ms = 5 * 60 * 1000;

// The Win32 implementation (Windows build only).
removal_platform_c& win32_removal_platform();

} // namespace tdu
