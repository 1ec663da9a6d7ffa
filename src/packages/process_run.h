#pragma once
// Starting a program and waiting for its end, for the installers whose exit
// code tells how the installation went (pnputil). Win32: CreateProcessW,
// WaitForSingleObject and GetExitCodeProcess; native tests use a recording
// fake. Called on installation workers only: the wait may be long.
#include "common/text.h"

#include <cstdint>

namespace tdu {

// How a started program was left.
enum class process_end_t {
    not_started,    // CreateProcessW failed
    ended,          // it ended within the wait; its exit code is known
    still_running,  // the wait ran out first: it was started, its end is not known
};

struct process_result_t {
    process_end_t end = process_end_t::not_started;
    uint32_t exit_code = 0;  // for `ended`
};

class process_runner_c {
public:
    virtual ~process_runner_c() = default;
    // Starts `program` with the command line "\"program\" arguments" (no
    // console window of its own) and waits for its end at most `wait_ms`.
    virtual process_result_t run_and_wait(u16view program, u16view arguments, uint32_t wait_ms) = 0;
};

// How long an installation by pnputil is waited for. A driver whose
// signature Windows asks the user about keeps pnputil running until the
// question is answered.
constexpr uint32_t installer_wait_ms = 30 * 60 * 1000;

// The Win32 implementation (Windows build only).
process_runner_c& win32_process_runner();

} // namespace tdu
