#include "common/detached_worker.h"

#include "common/detached_thread.h"

#include <condition_variable>
#include <mutex>

namespace tdu {

// The record owner and thread share. The shared pointer held by each side
// is what makes "whichever finishes last frees it" hold.
struct detached_worker_t::shared_t {
    std::mutex lock;
    std::condition_variable ended;
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
        // Nobody could catch what a detached thread throws: it would end the
        // process. A procedure that throws has failed, and says so as -1.
        int32_t result = worker_failed;
        try {
            result = procedure ? procedure() : 0;
        } catch (...) {
            result = worker_failed;
        }
        std::lock_guard<std::mutex> g(shared->lock);
        shared->result = result;
        shared->alive = false;
        shared->ended.notify_all();
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
    std::unique_lock<std::mutex> g(shared_->lock);
    shared_->ended.wait(g, [this] { return !shared_->alive; });
}

} // namespace tdu
