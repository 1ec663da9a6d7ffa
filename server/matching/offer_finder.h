#pragma once
// Finding the drivers of the catalogue that fit one device of an update
// request: every model line that names one of the device's hardware or
// compatible IDs (without regard to case) in a Models section Windows would
// use on the request's system. The IDs of a whole request are looked up
// ahead, many to a query: over PostgreSQL each query is a round trip.
#include "catalogue/catalogue_db.h"
#include "offers/target_os.h"
#include "matching/catalogue_cache.h"
#include "offers/offer.h"
#include "offers/offer_order.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tdu::server {

class offer_finder_t {
public:
    // Opens the catalogue read-only; false with a reason. With `cache`, each
    // snapshot uses the memory of the catalogue's generation: its key set
    // and the rows found before.
    bool open(const std::string& catalogue, std::string& error, catalogue_cache_t* cache = nullptr);
    // The offers for one device, best first, at most `limit`.
    bool find(const device_query_t& device, const os_profile_t& os, std::size_t limit, std::vector<offer_t>& out,
              std::string& error);
    // One read transaction around the look-ups of a whole request: every
    // device sees the same catalogue even while an index run commits, and
    // the file is locked once instead of once per ID.
    bool begin_snapshot(std::string& error);
    void end_snapshot();
    // Inside a snapshot: fetches the rows of every ID in `ids` (the IDs of
    // all devices of a request) that the catalogue may hold and that are not
    // in memory yet, `ids_per_query` keys to a query, so that the finds that
    // follow need no look-ups of their own (outside a snapshot it does
    // nothing). False with a reason on a catalogue failure.
    bool fetch_ahead(const std::vector<std::string_view>& ids, const os_profile_t& os, std::string& error);
    static constexpr std::size_t ids_per_query = 64;
    // IDs past this many (far more than any machine reports) are left to
    // the finds, so that a hostile request cannot grow the look-ahead's
    // memory with its size.
    static constexpr std::size_t max_ids_ahead = 100000;
    // How many look-up queries this finder has run.
    std::size_t lookup_queries() const { return lookup_queries_; }
    // True while a snapshot is open (also after a failure or an exception
    // left one open): such a connection must not serve another request.
    bool in_snapshot() const;
    // False once the catalogue connection is lost.
    bool healthy() const { return db_.healthy(); }
    // The catalogue connection, for the service's other look-ups.
    const catalogue_db_t& db() const { return db_; }

private:
    // The rows of one ID key; null on a catalogue failure.
    id_rows_t look_up(const std::string& key, const os_profile_t& os);
    // The rows `fetch_ahead` found for the next ID in its order, when that
    // ID is `key`; null otherwise (the find then looks the key up itself).
    id_rows_t next_ahead(const std::string& key, const os_profile_t& os);
    // The request's own memory for `os` (clearing it when the system
    // changes); null outside a snapshot.
    std::unordered_map<std::string, id_rows_t>* request_rows(const os_profile_t& os);
    void forget_request();
    void keep_rows(const std::string& key, const os_profile_t& os, id_rows_t rows);
    // Fetches the rows of up to `ids_per_query` keys in one query.
    bool fetch_batch(const std::vector<std::string>& keys, const os_profile_t& os);

    catalogue_db_t db_;
    std::unique_ptr<statement_t> by_id_;
    std::unique_ptr<statement_t> by_ids_; // the batch, `ids_per_query` keys
    catalogue_cache_t* cache_ = nullptr;
    std::shared_ptr<const catalogue_generation_t> generation_; // for the open snapshot
    // The rows of the keys the open snapshot has fetched or found in the
    // generation, on one system (null while a fetch is due): a key the
    // generation does not hold (too many rows, its memory started over, no
    // cache) is still fetched once per request.
    std::unordered_map<std::string, id_rows_t> snapshot_rows_;
    std::string snapshot_os_;
    // What `fetch_ahead` found for each ID, in the order it was given them,
    // the keys one after the other in `ahead_keys_`: the finds that follow
    // in the same order take their rows from here without probing the key
    // set or the shared memory again.
    struct ahead_t {
        std::size_t offset = 0, length = 0;
        std::uint64_t hash = 0; // id_key_set_t's
        id_rows_t rows;
    };
    std::vector<ahead_t> ahead_;
    std::string ahead_keys_;
    std::size_t ahead_next_ = 0;
    bool snapshot_open_ = false;
    std::string key_; // upper-cased IDs, kept to spare an allocation per ID
    std::size_t lookup_queries_ = 0;
    id_rows_t none_ = std::make_shared<const std::vector<id_row_t>>();
};

// Ends a snapshot when it goes out of scope, whatever way the request ends.
class snapshot_guard_t {
public:
    explicit snapshot_guard_t(offer_finder_t& finder) : finder_(finder) {}
    ~snapshot_guard_t() { finder_.end_snapshot(); }
    snapshot_guard_t(const snapshot_guard_t&) = delete;
    snapshot_guard_t& operator=(const snapshot_guard_t&) = delete;

private:
    offer_finder_t& finder_;
};

} // namespace tdu::server
