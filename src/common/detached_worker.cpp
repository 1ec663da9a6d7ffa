#include "common/detached_worker.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

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
    try {
        std::thread([shared = shared_, procedure = std::move(procedure)] {
            int32_t result = procedure ? procedure() : 0;
            std::lock_guard<std::mutex> g(shared->lock);
            shared->result = result;
            shared->alive = false;
            shared->ended.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> g(shared_->lock);
        shared_->alive = false;
        return false;
    }
    return true;
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
