#include "matching/id_key_set.h"

#include <algorithm>

namespace tdu::server {

std::uint64_t id_key_set_t::hash(std::string_view key)
{
    // FNV-1a
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : key) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

void id_key_set_t::seal()
{
    std::sort(hashes_.begin(), hashes_.end());
    hashes_.erase(std::unique(hashes_.begin(), hashes_.end()), hashes_.end());
    hashes_.shrink_to_fit();
}

bool id_key_set_t::may_hold(std::string_view key) const
{
    return std::binary_search(hashes_.begin(), hashes_.end(), hash(key));
}

std::shared_ptr<const id_key_set_t> id_key_cache_t::for_generation(const std::string& generation,
                                                                   const loader_t& load)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (set_ && generation_ == generation) return set_;
    auto fresh = std::make_shared<id_key_set_t>();
    if (!load(*fresh)) return nullptr;
    fresh->seal();
    set_ = std::move(fresh);
    generation_ = generation;
    return set_;
}

} // namespace tdu::server
