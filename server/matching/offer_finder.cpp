#include "matching/offer_finder.h"

#include "catalogue/catalogue_schema.h"
#include "offers/inf_file.h"
#include "offers/identifier_score.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <tuple>

namespace tdu::server {

namespace {

// The rows of ID keys on a system; the key comes last so that the rows of
// a batch can be told apart. Packages the program cannot size are left out.
const char* const id_rows_sql =
    "SELECT mi.position, mi.id_text, m.id, m.description, m.feature_x86, m.feature_amd64,"
    " s.manufacturer, s.target_os, d.inf_path, d.provider, d.class_name, d.class_guid,"
    " d.driver_date, d.driver_version, d.sign_x86, d.sign_amd64, p.name, p.size, p.sha256, mi.id_key"
    " FROM model_ids mi"
    " JOIN models m ON m.id = mi.model_id"
    " JOIN section_targets t ON t.section_id = m.section_id AND t.os_code = ?"
    " JOIN model_sections s ON s.id = m.section_id"
    " JOIN drivers d ON d.id = s.driver_id"
    " JOIN packages p ON p.id = d.package_id"
    " WHERE p.size <= 4294967295 AND mi.id_key";

std::string batch_sql(std::size_t keys)
{
    std::string sql = std::string(id_rows_sql) + " IN (?";
    for (std::size_t i = 1; i < keys; ++i) sql += ",?";
    return sql + ")";
}

id_row_t read_id_row(const statement_t& q, bool amd64)
{
    id_row_t row;
    row.position = static_cast<std::size_t>(q.integer(0));
    offer_t& o = row.offer;
    o.hardid = q.text(1);
    o.model_id = q.integer(2);
    o.title = q.text(3);
    o.feature = static_cast<unsigned>(q.integer(amd64 ? 5 : 4));
    o.manufacturer = q.text(6);
    o.target_os = static_cast<unsigned>(q.integer(7));
    o.inf_path = q.text(8);
    o.provider = q.text(9);
    o.class_name = q.text(10);
    o.guid = q.text(11);
    o.date = q.text(12);
    o.version = q.text(13);
    o.sign = static_cast<unsigned>(q.integer(amd64 ? 15 : 14));
    o.package = q.text(16);
    o.size = static_cast<std::uint64_t>(q.integer(17));
    o.sha256 = q.text(18);
    return row;
}

// The rows of a key in one order whichever query found them, so that a
// model named twice by one key keeps the same matching ID either way.
id_rows_t sorted_rows(std::vector<id_row_t>&& rows)
{
    std::sort(rows.begin(), rows.end(), [](const id_row_t& a, const id_row_t& b) {
        return std::tie(a.offer.model_id, a.position, a.offer.hardid) <
               std::tie(b.offer.model_id, b.position, b.offer.hardid);
    });
    return std::make_shared<const std::vector<id_row_t>>(std::move(rows));
}

bool is_amd64(const os_profile_t& os)
{
    return std::string_view(os.architecture) == "amd64";
}

// ascii_upper into a string that keeps its buffer from one ID to the next.
void upper_into(std::string& out, std::string_view id)
{
    out.assign(id);
    for (auto& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

} // namespace

bool offer_finder_t::open(const std::string& catalogue, std::string& error, catalogue_cache_t* cache)
{
    cache_ = cache;
    if (!db_.open(catalogue, false, error) || !check_catalogue_schema(db_, error)) return false;
    by_id_ = std::make_unique<statement_t>(db_, (std::string(id_rows_sql) + " = ?").c_str());
    by_ids_ = std::make_unique<statement_t>(db_, batch_sql(ids_per_query).c_str());
    if (!by_id_->valid() || !by_ids_->valid()) {
        error = "cannot prepare the look-up: " + db_.last_error();
        return false;
    }
    return true;
}

bool offer_finder_t::begin_snapshot(std::string& error)
{
    generation_.reset();
    forget_request();
    snapshot_open_ = false;
    if (!db_.begin_snapshot(error)) return false;
    snapshot_open_ = true;
    if (!cache_) return true;
    std::string generation = "0";
    statement_t q(db_, "SELECT value FROM catalogue_info WHERE name = 'generation'");
    if (q.step()) generation = q.text(0);
    generation_ = cache_->for_generation(generation, [this](id_key_set_t& set) {
        statement_t all(db_, "SELECT id_key FROM model_ids");
        set.build([&all](std::string& key) {
            if (!all.step()) return false;
            key = all.text(0);
            return true;
        });
        return all.valid() && !all.failed();
    });
    return true; // without the memory every ID is looked up
}

void offer_finder_t::end_snapshot()
{
    generation_.reset();
    forget_request();
    snapshot_open_ = false;
    if (!in_snapshot()) return;
    std::string ignored;
    if (!db_.exec("COMMIT", ignored)) db_.exec("ROLLBACK", ignored);
}

bool offer_finder_t::in_snapshot() const
{
    return db_.in_transaction();
}

std::unordered_map<std::string, id_rows_t>* offer_finder_t::request_rows(const os_profile_t& os)
{
    if (!snapshot_open_) return nullptr;
    if (snapshot_os_ != os.code) {
        forget_request();
        snapshot_os_ = os.code;
    }
    return &snapshot_rows_;
}

void offer_finder_t::forget_request()
{
    snapshot_rows_.clear();
    ahead_.clear();
    ahead_keys_.clear();
    ahead_next_ = 0;
}

id_rows_t offer_finder_t::next_ahead(const std::string& key, const os_profile_t& os)
{
    if (ahead_next_ >= ahead_.size() || snapshot_os_ != os.code) return nullptr;
    const ahead_t& next = ahead_[ahead_next_];
    if (std::string_view(ahead_keys_).substr(next.offset, next.length) != key) return nullptr;
    ++ahead_next_;
    return next.rows;
}

void offer_finder_t::keep_rows(const std::string& key, const os_profile_t& os, id_rows_t rows)
{
    if (generation_) generation_->remember(os.code, key, rows);
    if (auto* mine = request_rows(os)) (*mine)[key] = std::move(rows);
}

id_rows_t offer_finder_t::look_up(const std::string& key, const os_profile_t& os)
{
    if (auto* mine = request_rows(os)) {
        auto found = mine->find(key);
        if (found != mine->end() && found->second) return found->second;
    }
    if (generation_) {
        if (!generation_->keys.may_hold(key)) return none_;
        if (auto rows = generation_->find(os.code, key)) return rows;
    }
    bool amd64 = is_amd64(os);
    std::vector<id_row_t> got;
    ++lookup_queries_;
    by_id_->bind(1, std::string(os.code)).bind(2, key);
    while (by_id_->step()) got.push_back(read_id_row(*by_id_, amd64));
    bool ok = !by_id_->failed();
    by_id_->reset();
    if (!ok) return nullptr;
    id_rows_t rows = sorted_rows(std::move(got));
    keep_rows(key, os, rows);
    return rows;
}

bool offer_finder_t::fetch_ahead(const std::vector<std::string_view>& ids, const os_profile_t& os,
                                 std::string& error)
{
    auto* mine = request_rows(os);
    if (!mine) return true; // outside a snapshot each find looks up its own IDs
    ahead_.clear();
    ahead_keys_.clear();
    ahead_next_ = 0;
    std::vector<std::string> wanted;
    // The keys of the whole request first, their slots in the key set
    // asked for as they come; then the look-ups.
    for (std::string_view id : ids) {
        if (id.empty()) continue;
        if (ahead_.size() == max_ids_ahead) break;
        upper_into(key_, id);
        ahead_t& next = ahead_.emplace_back();
        next.offset = ahead_keys_.size();
        next.length = key_.size();
        ahead_keys_ += key_;
        if (generation_) {
            next.hash = id_key_set_t::hash(key_);
            generation_->keys.prefetch(next.hash);
        }
    }
    // The keys the catalogue may hold, looked for in the service's memory
    // together (one lock); the request's own rows are made only for the
    // keys it does not hold.
    std::vector<ahead_t*> held;
    std::vector<std::string_view> held_keys;
    std::vector<std::uint64_t> held_hashes;
    for (auto& next : ahead_) {
        if (generation_ && !generation_->keys.may_hold_hash(next.hash)) {
            next.rows = none_;
            continue;
        }
        if (generation_) {
            held.push_back(&next);
            held_keys.push_back(std::string_view(ahead_keys_).substr(next.offset, next.length));
            held_hashes.push_back(next.hash);
        } else {
            key_.assign(ahead_keys_, next.offset, next.length);
            auto [slot, fresh] = mine->try_emplace(key_);
            if (!fresh) next.rows = slot->second; // null while its fetch is due
            else wanted.push_back(key_);
        }
    }
    if (!held.empty()) {
        std::vector<id_rows_t> rows;
        generation_->find_each(std::string(os.code), held_keys, held_hashes, rows);
        for (std::size_t i = 0; i < held.size(); ++i) {
            if (rows[i]) {
                held[i]->rows = std::move(rows[i]);
                continue;
            }
            key_.assign(held_keys[i]);
            auto [slot, fresh] = mine->try_emplace(key_);
            if (!fresh) held[i]->rows = slot->second; // null while its fetch is due
            else wanted.push_back(key_);
        }
    }
    std::vector<std::string> batch;
    for (std::size_t next = 0; next < wanted.size(); next += ids_per_query) {
        std::size_t end = std::min(wanted.size(), next + ids_per_query);
        batch.assign(std::make_move_iterator(wanted.begin() + static_cast<std::ptrdiff_t>(next)),
                     std::make_move_iterator(wanted.begin() + static_cast<std::ptrdiff_t>(end)));
        if (!fetch_batch(batch, os)) {
            error = "catalogue look-up failed: " + db_.last_error();
            return false;
        }
    }
    for (auto& next : ahead_) {
        if (next.rows) continue;
        key_.assign(ahead_keys_, next.offset, next.length);
        next.rows = (*mine)[key_];
    }
    return true;
}

bool offer_finder_t::fetch_batch(const std::vector<std::string>& keys, const os_profile_t& os)
{
    std::unordered_map<std::string, std::vector<id_row_t>> rows;
    for (const auto& key : keys) rows[key];
    // The marks no key fills ask for the empty key, which no ID has.
    by_ids_->bind(1, std::string(os.code));
    for (std::size_t i = 0; i < ids_per_query; ++i)
        by_ids_->bind(static_cast<int>(i + 2), i < keys.size() ? keys[i] : std::string());
    ++lookup_queries_;
    bool amd64 = is_amd64(os);
    while (by_ids_->step()) {
        auto of_key = rows.find(by_ids_->text(19));
        if (of_key != rows.end()) of_key->second.push_back(read_id_row(*by_ids_, amd64));
    }
    bool ok = !by_ids_->failed();
    by_ids_->reset();
    if (!ok) return false;
    for (auto& [key, found] : rows) keep_rows(key, os, sorted_rows(std::move(found)));
    return true;
}

bool offer_finder_t::find(const device_query_t& device, const os_profile_t& os, std::size_t limit,
                          std::vector<offer_t>& out, std::string& error)
{
    out.clear();
    // Every row of the device's IDs; per model the one of the best (lowest)
    // score counts, the first such in the IDs' order. Only those rows'
    // offers are copied.
    struct candidate_t {
        std::int64_t model_id;
        unsigned cp;
        std::size_t order;
        const id_row_t* row;
    };
    std::vector<candidate_t> candidates;
    std::vector<id_rows_t> held; // keeps the rows alive while the candidates point into them
    auto add = [&](const std::string& id, bool hardware, std::size_t position) {
        if (id.empty()) return true;
        upper_into(key_, id);
        id_rows_t rows = next_ahead(key_, os);
        if (!rows) rows = look_up(key_, os);
        if (!rows) return false;
        if (rows->empty()) return true;
        for (const auto& row : *rows)
            candidates.push_back({row.offer.model_id, identifier_score(hardware, position, row.position),
                                  candidates.size(), &row});
        held.push_back(std::move(rows));
        return true;
    };
    bool ok = true;
    for (std::size_t i = 0; ok && i < device.hardware_ids.size(); ++i) ok = add(device.hardware_ids[i], true, i);
    for (std::size_t i = 0; ok && i < device.compatible_ids.size(); ++i) ok = add(device.compatible_ids[i], false, i);
    if (!ok) {
        error = "catalogue look-up failed: " + db_.last_error();
        return false;
    }
    std::sort(candidates.begin(), candidates.end(), [](const candidate_t& a, const candidate_t& b) {
        return std::tie(a.model_id, a.cp, a.order) < std::tie(b.model_id, b.cp, b.order);
    });
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (i > 0 && candidates[i].model_id == candidates[i - 1].model_id) continue;
        offer_t& o = out.emplace_back(candidates[i].row->offer);
        o.cp = candidates[i].cp;
    }
    std::sort(out.begin(), out.end(), offer_ranks_before);
    if (out.size() > limit) out.resize(limit);
    return true;
}

} // namespace tdu::server
