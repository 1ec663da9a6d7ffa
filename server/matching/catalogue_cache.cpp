#include "matching/catalogue_cache.h"

#include <algorithm>

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

const id_rows_t* remembered_rows_t::find(std::uint64_t hash, std::string_view key) const
{
    if (slots_.empty()) return nullptr;
    if (hash == 0) hash = 1;
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const entry_t& e = slots_[i];
        if (e.hash == 0) return nullptr;
        if (e.hash == hash && e.key == key) return &e.rows;
    }
}

void remembered_rows_t::prefetch(std::uint64_t hash) const
{
    if (!slots_.empty()) __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
}

void remembered_rows_t::insert(std::uint64_t hash, std::string_view key, id_rows_t rows)
{
    if (hash == 0) hash = 1; // as id_key_set_t::hash() gives it
    if (find(hash, key)) return;
    // At most half full, so that a probe ends soon.
    if ((count_ + 1) * 2 > slots_.size()) {
        std::vector<entry_t> old(std::max<std::size_t>(1024, slots_.size() * 2));
        old.swap(slots_);
        std::size_t mask = slots_.size() - 1;
        for (auto& e : old) {
            if (e.hash == 0) continue;
            std::size_t i = e.hash & mask;
            while (slots_[i].hash != 0) i = (i + 1) & mask;
            slots_[i] = std::move(e);
        }
    }
    std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    while (slots_[i].hash != 0) i = (i + 1) & mask;
    slots_[i].hash = hash;
    slots_[i].key.assign(key);
    slots_[i].rows = std::move(rows);
    ++count_;
}

id_rows_t catalogue_generation_t::find(const std::string& os, const std::string& key) const
{
    std::shared_lock<std::shared_mutex> lock(mutex_);
    auto of_os = by_os_.find(os);
    if (of_os == by_os_.end()) return nullptr;
    const id_rows_t* rows = of_os->second.find(id_key_set_t::hash(key), key);
    return rows ? *rows : nullptr;
}

void catalogue_generation_t::find_each(const std::string& os, const std::vector<std::string_view>& keys,
                                       const std::vector<std::uint64_t>& hashes, std::vector<id_rows_t>& rows) const
{
    rows.assign(keys.size(), nullptr);
    std::shared_lock<std::shared_mutex> lock(mutex_);
    auto of_os = by_os_.find(os);
    if (of_os == by_os_.end()) return;
    const remembered_rows_t& held = of_os->second;
    // The slots of all keys asked for first: the table is larger than the
    // caches, and the probes then wait for memory side by side.
    for (std::uint64_t h : hashes) held.prefetch(h);
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (const id_rows_t* found = held.find(hashes[i], keys[i])) rows[i] = *found;
}

void catalogue_generation_t::remember(const std::string& os, const std::string& key, id_rows_t rows) const
{
    if (rows->size() > max_remembered_rows) return;
    std::unique_lock<std::shared_mutex> lock(mutex_);
    if (remembered_ >= max_remembered_keys) {
        by_os_.clear();
        remembered_ = 0;
    }
    auto of_os = by_os_.find(os);
    if (of_os == by_os_.end()) of_os = by_os_.emplace(os, remembered_rows_t()).first;
    std::size_t before = of_os->second.size();
    of_os->second.insert(id_key_set_t::hash(key), key, std::move(rows));
    remembered_ += of_os->second.size() - before;
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
