#pragma once
// The set of ID keys the catalogue holds, in memory, so that the IDs of a
// request the catalogue cannot match (most of them: a device reports about
// ten IDs and the catalogue names one or two) cost no catalogue look-up.
// Keys are kept as 64-bit hashes: a key that is not in the catalogue may
// (very rarely) pass, one that is never fails.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tdu::server {

class id_key_set_t {
public:
    void add(std::string_view key) { hashes_.push_back(hash(key)); }
    // Sorts what add() gathered; call once before may_hold().
    void seal();
    bool may_hold(std::string_view key) const;
    std::size_t size() const { return hashes_.size(); }

    static std::uint64_t hash(std::string_view key);

private:
    std::vector<std::uint64_t> hashes_;
};

// One set for all connections of a service, read again when an index run
// has changed the catalogue (its generation).
class id_key_cache_t {
public:
    using loader_t = std::function<bool(id_key_set_t&)>;
    // The set of `generation`, loaded with `load` when it is not the one
    // held; null when loading fails.
    std::shared_ptr<const id_key_set_t> for_generation(const std::string& generation, const loader_t& load);

private:
    std::mutex mutex_;
    std::string generation_;
    std::shared_ptr<const id_key_set_t> set_;
};

} // namespace tdu::server
