#pragma once
// What a service process keeps of the catalogue in memory, per catalogue
// generation (each index run makes a new one):
// - the set of ID keys the catalogue holds, so that the IDs of a request it
//   cannot match (most of them: a device reports about ten IDs, the
//   catalogue names one or two) cost no look-up. Keys are kept as 64-bit
//   hashes: a key that is not there may (very rarely) pass, one that is
//   there always does;
// - the rows found for an ID key on a system, so that the IDs many devices
//   share are looked up once, not once per request. At most
//   `max_remembered_keys` keys are held (then the memory starts over), and
//   a key that names a great many models is not held at all.
#include "offers/offer.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <shared_mutex>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tdu::server {

class id_key_set_t {
public:
    // Builds the set from every key `next` gives (false at the end).
    void build(const std::function<bool(std::string&)>& next);
    bool may_hold(std::string_view key) const { return may_hold_hash(hash(key)); }
    bool may_hold_hash(std::uint64_t hash) const;
    // Asks the processor for the slot of `hash` ahead of may_hold_hash():
    // the set is far larger than the caches, and the look-ups of a whole
    // request then wait for memory side by side instead of one by one.
    void prefetch(std::uint64_t hash) const;
    std::size_t size() const { return count_; }

    static std::uint64_t hash(std::string_view key);

private:
    std::vector<std::uint64_t> slots_; // open addressing; 0 is free
    std::size_t count_ = 0;
};

// One catalogue row that names an ID: where the ID stands on its model
// line, and the offer it makes.
struct id_row_t {
    std::size_t position = 0;
    offer_t offer;
};
using id_rows_t = std::shared_ptr<const std::vector<id_row_t>>;

// The rows remembered for one system, by ID key: open addressing on the key
// set's hash of the key (which the look-ahead has already worked out), the
// key's text compared only where the hash agrees.
class remembered_rows_t {
public:
    // The rows of `key` (whose hash is `hash`); null when not held.
    const id_rows_t* find(std::uint64_t hash, std::string_view key) const;
    // Asks the processor for the slot of `hash` ahead of find().
    void prefetch(std::uint64_t hash) const;
    // Holds `rows` for `key` unless it is held already.
    void insert(std::uint64_t hash, std::string_view key, id_rows_t rows);
    std::size_t size() const { return count_; }

private:
    struct entry_t {
        std::uint64_t hash = 0; // 0: free
        std::string key;
        id_rows_t rows;
    };
    std::vector<entry_t> slots_;
    std::size_t count_ = 0;
};

class catalogue_generation_t {
public:
    static constexpr std::size_t max_remembered_keys = 200000;
    static constexpr std::size_t max_remembered_rows = 256; // per key

    id_key_set_t keys;

    // The rows of `key` on the system `os`, when remembered; null if not.
    id_rows_t find(const std::string& os, const std::string& key) const;
    void remember(const std::string& os, const std::string& key, id_rows_t rows) const;
    // find() of several keys under one lock: `rows` gets one entry per key.
    // `hashes` are the keys' id_key_set_t::hash(), one per key.
    void find_each(const std::string& os, const std::vector<std::string_view>& keys,
                   const std::vector<std::uint64_t>& hashes, std::vector<id_rows_t>& rows) const;

private:
    // Read by every request, written only for IDs not remembered yet.
    mutable std::shared_mutex mutex_;
    mutable std::map<std::string, remembered_rows_t, std::less<>> by_os_;
    mutable std::size_t remembered_ = 0; // keys, over all systems
};

class catalogue_cache_t {
public:
    using key_loader_t = std::function<bool(id_key_set_t&)>;
    // The memory of `generation`, made (its keys loaded with `load`) when
    // it is not the one held; null when loading fails.
    std::shared_ptr<const catalogue_generation_t> for_generation(const std::string& generation,
                                                                 const key_loader_t& load);

private:
    std::mutex mutex_;
    std::string generation_;
    std::shared_ptr<catalogue_generation_t> current_;
};

} // namespace tdu::server
