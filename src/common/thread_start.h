#pragma once
// Starting worker threads. A seam, so that tests can stand in a starter that
// refuses and check what the program does when the system gives no thread.
#include <functional>
#include <thread>

namespace tdu {

class thread_starter_t {
public:
    virtual ~thread_starter_t() = default;
    // Runs `procedure` on a new thread held by `thread`; false (and `thread`
    // left empty) when no thread could be made.
    virtual bool start(std::thread& thread, std::function<void()> procedure) = 0;
};

// Threads of the system (std::thread).
thread_starter_t& system_threads();

} // namespace tdu
