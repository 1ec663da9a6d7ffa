#pragma once
// Starting worker threads: the seam under worker_c, so that tests can stand
// in a starter that refuses and check what the program does when the system
// gives no thread.
#include <functional>

namespace tdu {

class thread_starter_c {
public:
    virtual ~thread_starter_c() = default;
    // Runs `body` on a new thread that nobody joins; false when no thread
    // could be made (`body` is then dropped without running).
    virtual bool start(std::function<void()> body) = 0;
};

// Threads of the system (see detached_thread.h).
thread_starter_c& system_threads();

} // namespace tdu
