#include "http/finder_pool.h"

namespace tdu::server {

finder_pool_t::lease_t finder_pool_t::borrow(std::string& error)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!free_.empty()) {
            auto finder = std::move(free_.back());
            free_.pop_back();
            return lease_t(*this, std::move(finder));
        }
    }
    auto finder = std::make_unique<offer_finder_t>();
    if (!finder->open(catalogue_, error, &cache_)) finder.reset();
    return lease_t(*this, std::move(finder));
}

void finder_pool_t::give_back(std::unique_ptr<offer_finder_t> finder)
{
    // A request that ended by an exception may have left its snapshot
    // open; a connection that cannot close it is dropped, not reused.
    if (finder->in_snapshot()) finder->end_snapshot();
    if (finder->in_snapshot() || !finder->healthy()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    free_.push_back(std::move(finder));
}

} // namespace tdu::server
