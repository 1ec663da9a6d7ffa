#pragma once
// A worker thread that its owner never has to wait for. The owner and the
// thread share one small record (the procedure, its result, an `alive`
// flag and a mutex); whichever of the two finishes last frees it. An owner
// that goes away while its worker runs simply lets go: the worker finishes
// on its own and nothing it uses is freed under it.
//
// The owner polls running() like a zero-time-out wait on a thread handle,
// reads result() once the worker has ended, or waits for it with wait().
#include <cstdint>
#include <functional>
#include <memory>

namespace tdu {

// The result of a worker whose procedure ended by throwing.
constexpr int32_t worker_failed = -1;

class detached_worker_t {
public:
    using procedure_t = std::function<int32_t()>;

    detached_worker_t();
    ~detached_worker_t();  // never waits for the worker
    detached_worker_t(const detached_worker_t&) = delete;
    detached_worker_t& operator=(const detached_worker_t&) = delete;

    // Runs `procedure` on a new thread. False when this owner's previous
    // worker still runs or no thread could be started.
    bool start(procedure_t procedure);

    // True from start() until the procedure has returned.
    bool running() const;
    // The result of the last worker that ended (0 before any); a procedure
    // that threw gives worker_failed.
    int32_t result() const;
    // Blocks until the running worker (if any) has returned.
    void wait() const;

private:
    struct shared_t;
    std::shared_ptr<shared_t> shared_;
};

} // namespace tdu
