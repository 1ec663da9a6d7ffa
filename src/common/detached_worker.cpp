#include "common/detached_worker.h"

#include "common/detached_thread.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace tdu {

// The record owner and thread share. The shared pointer held by each side
// is what makes "whichever finishes last frees it" hold.
struct detached_worker_t::shared_t {
    std::mutex lock;
    bool alive = false;  // a worker was started and has not returned yet
    int32_t result = 0;
};

detached_worker_t::detached_worker_t() : shared_(std::make_shared<shared_t>()) {}

detached_worker_t::~detached_worker_t() = default;

bool detached_worker_t::start(procedure_t procedure)
{
    {
        std::lock_guard<std::mutex> g(shared_->lock);
        if (shared_->alive) return false;
        shared_->alive = true;
    }
    bool started = start_detached_thread([shared = shared_, procedure = std::move(procedure)] {
        int32_t result = procedure ? procedure() : 0;
        std::lock_guard<std::mutex> g(shared->lock);
        shared->result = result;
        shared->alive = false;
    });
    if (!started) {
        std::lock_guard<std::mutex> g(shared_->lock);
        shared_->alive = false;
    }
    return started;
}

bool detached_worker_t::running() const
{
    std::lock_guard<std::mutex> g(shared_->lock);
    return shared_->alive;
}

int32_t detached_worker_t::result() const
{
    std::lock_guard<std::mutex> g(shared_->lock);
    return shared_->result;
}

void detached_worker_t::wait() const
{
    // Polled rather than signalled: under Wine a condition-variable wait of
    // the mingw thread library was seen to miss the worker's notification
    // and never return. Waiting is rare (a restore waits for the previous
    // one), so a few milliseconds of latency cost nothing.
    while (running()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

} // namespace tdu
