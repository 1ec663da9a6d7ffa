#pragma once
// The one way the program runs work in the background: the device scan and
// the update request of a scan, a download's transfer, an installation, a
// backup, a restore and the diagnostic report's sender each run as a job of
// a worker_c.
//
// - A job runs on a thread of its own, made through the thread-starter seam
//   (tests stand in a starter that refuses).
// - Its result comes back to the interface thread together with the job
//   thread's own last-error code, so no thread reads a code another thread
//   left behind.
// - An exception that leaves a job is caught and becomes a failure
//   (status -1, error_worker_exception); it never ends the process.
// - A job receives a stop flag and reads it at its natural checkpoints (a
//   device node, a package, a chunk of a transfer); the owner or shutdown
//   raises it.
// - The owner never has to wait: the record owner and thread share is freed
//   by whichever finishes last. Shutdown raises every job's stop flag and
//   waits, up to a limit, until none runs (stop_all_workers); what the jobs
//   use may only be freed when that succeeded.
//
// The owner polls running() like a zero-time-out wait on a thread handle
// and collects the end with take_result().
#include "common/thread_start.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace tdu {

// A stop request: one aligned 32-bit word, raised by the owner, read by the
// job. Non-zero means stop.
using stop_flag_t = std::atomic<int32_t>;

// How a job ended.
struct worker_result_t {
    int32_t status = 0;      // the job's return value: 0 done, -1 failed
    int32_t error_code = 0;  // the job thread's last-error code when it ended
};

class worker_c {
public:
    using job_t = std::function<int32_t(const stop_flag_t& stop)>;

    explicit worker_c(thread_starter_c& threads = system_threads());
    // Lets go of a running job, which goes on to its end alone (an
    // installation outlives the results row that asked for it); nothing it
    // holds is freed under it. Never waits.
    ~worker_c();
    worker_c(const worker_c&) = delete;
    worker_c& operator=(const worker_c&) = delete;

    // Runs `job` on a new thread with a fresh stop flag, or with `stop`
    // when the job hands the flag on to code that reads it itself (a
    // transfer's progress record). False when this worker's previous job
    // still runs or has not been collected, or when no thread could be made.
    bool start(job_t job);
    bool start(job_t job, std::shared_ptr<stop_flag_t> stop);

    // True from start() until the job has returned.
    bool running() const;
    // True from start() until take_result() has collected the end.
    bool held() const { return held_; }
    // Once the job has ended: its result (a second call gives nothing, and
    // the worker may start again). Nothing while it runs or when none was
    // started.
    std::optional<worker_result_t> take_result();
    // Blocks until the running job (if any) has returned.
    void wait() const;
    // Raises the running job's stop flag.
    void request_stop();

private:
    struct record_t;
    thread_starter_c& threads_;
    std::shared_ptr<record_t> record_;
    bool held_ = false;
};

// At exit: raises the stop flag of every running job of every worker and
// waits up to `wait_ms` for all of them to return. True when none runs any
// more; false when some job is still running (it is then abandoned: the
// process-wide records it may use must not be freed).
bool stop_all_workers(uint32_t wait_ms);

// How many jobs are running now, in every worker of the process.
int running_worker_count();

} // namespace tdu
