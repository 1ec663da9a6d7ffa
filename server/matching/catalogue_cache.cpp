#include "matching/catalogue_cache.h"

namespace tdu::server {

std::uint64_t id_key_set_t::hash(std::string_view key)
{
    // The standard library's string hash (eight bytes a step); never 0,
    // which marks a free slot.
    std::uint64_t h = std::hash<std::string_view>{}(key);
    return h ? h : 1;
}

void id_key_set_t::build(const std::function<bool(std::string&)>& next)
{
    std::vector<std::uint64_t> hashes;
    for (std::string key; next(key);) hashes.push_back(hash(key));
    std::size_t size = 1024;
    while (size < hashes.size() * 2) size *= 2;
    slots_.assign(size, 0);
    count_ = 0;
    for (std::uint64_t h : hashes) {
        std::size_t i = h & (size - 1);
        while (slots_[i] != 0 && slots_[i] != h) i = (i + 1) & (size - 1);
        if (slots_[i] == 0) ++count_;
        slots_[i] = h;
    }
}

bool id_key_set_t::may_hold_hash(std::uint64_t h) const
{
    if (slots_.empty()) return false;
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
        if (slots_[i] == h) return true;
        if (slots_[i] == 0) return false;
    }
}

void id_key_set_t::prefetch(std::uint64_t h) const
{
    if (!slots_.empty()) __builtin_prefetch(&slots_[h & (slots_.size() - 1)]);
}

id_rows_t catalogue_generation_t::find(const std::string& os, const std::string& key) const
{
    // The map's key "OS\nKEY", made in a buffer each thread keeps.
    thread_local std::string wanted;
    wanted.assign(os).append(1, '\n').append(key);
    std::shared_lock<std::shared_mutex> lock(mutex_);
    auto found = rows_.find(wanted);
    return found == rows_.end() ? nullptr : found->second;
}

void catalogue_generation_t::find_each(const std::string& os, const std::vector<std::string_view>& keys,
                                       std::vector<id_rows_t>& rows) const
{
    rows.assign(keys.size(), nullptr);
    std::string wanted = os + '\n';
    const std::size_t prefix = wanted.size();
    std::shared_lock<std::shared_mutex> lock(mutex_);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        wanted.resize(prefix);
        wanted.append(keys[i]);
        auto found = rows_.find(wanted);
        if (found != rows_.end()) rows[i] = found->second;
    }
}

void catalogue_generation_t::remember(const std::string& os, const std::string& key, id_rows_t rows) const
{
    if (rows->size() > max_remembered_rows) return;
    std::unique_lock<std::shared_mutex> lock(mutex_);
    if (rows_.size() >= max_remembered_keys) rows_.clear();
    rows_.emplace(os + '\n' + key, std::move(rows));
}

std::shared_ptr<const catalogue_generation_t> catalogue_cache_t::for_generation(const std::string& generation,
                                                                                const key_loader_t& load)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (current_ && generation_ == generation) return current_;
    auto fresh = std::make_shared<catalogue_generation_t>();
    if (!load(fresh->keys)) return nullptr;
    current_ = std::move(fresh);
    generation_ = generation;
    return current_;
}

} // namespace tdu::server
