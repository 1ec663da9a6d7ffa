#include "matching/offer_finder.h"

#include "catalogue/catalogue_schema.h"
#include "inf/inf_file.h"
#include "matching/identifier_score.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <tuple>

namespace tdu::server {

namespace {

const char* const find_by_id_sql =
    "SELECT mi.position, mi.id_text, m.id, m.description, m.feature_x86, m.feature_amd64,"
    " s.manufacturer, s.target_os, d.inf_path, d.provider, d.class_name, d.class_guid,"
    " d.driver_date, d.driver_version, d.sign_x86, d.sign_amd64, p.name, p.size"
    " FROM model_ids mi"
    " JOIN models m ON m.id = mi.model_id"
    " JOIN section_targets t ON t.section_id = m.section_id AND t.os_code = ?"
    " JOIN model_sections s ON s.id = m.section_id"
    " JOIN drivers d ON d.id = s.driver_id"
    " JOIN packages p ON p.id = d.package_id"
    " WHERE mi.id_key = ?";

void read_version(const std::string& text, unsigned long (&parts)[4])
{
    const char* p = text.c_str();
    for (auto& part : parts) {
        char* end = nullptr;
        part = std::strtoul(p, &end, 10);
        p = *end == '.' ? end + 1 : end;
    }
}

} // namespace

int compare_driver_versions(const std::string& a, const std::string& b)
{
    unsigned long x[4], y[4];
    read_version(a, x);
    read_version(b, y);
    for (int i = 0; i < 4; ++i)
        if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
    return 0;
}

bool offer_ranks_before(const offer_t& a, const offer_t& b)
{
    if (std::tie(a.sign, a.feature, a.cp) != std::tie(b.sign, b.feature, b.cp))
        return std::tie(a.sign, a.feature, a.cp) < std::tie(b.sign, b.feature, b.cp);
    if (a.date != b.date) return a.date > b.date;
    int v = compare_driver_versions(a.version, b.version);
    if (v != 0) return v > 0;
    return std::tie(a.package, a.model_id) < std::tie(b.package, b.model_id);
}

bool offer_finder_t::open(const std::string& catalogue, std::string& error)
{
    if (!db_.open(catalogue, false, error) || !check_catalogue_schema(db_, error)) return false;
    // SQLite only: map the file instead of reading it page by page.
    std::string ignored;
    db_.exec("PRAGMA mmap_size = 1073741824", ignored);
    by_id_ = std::make_unique<statement_t>(db_, find_by_id_sql);
    if (!by_id_->valid()) {
        error = "cannot prepare the look-up: " + db_.last_error();
        return false;
    }
    return true;
}

bool offer_finder_t::begin_snapshot(std::string& error)
{
    return db_.exec("BEGIN", error);
}

void offer_finder_t::end_snapshot()
{
    std::string ignored;
    db_.exec("COMMIT", ignored);
}

bool offer_finder_t::find(const device_query_t& device, const os_profile_t& os, std::size_t limit,
                          std::vector<offer_t>& out, std::string& error)
{
    out.clear();
    bool amd64 = std::string_view(os.architecture) == "amd64";
    std::map<std::int64_t, offer_t> by_model;
    auto look_up = [&](const std::string& id, bool hardware, std::size_t position) {
        if (id.empty()) return true;
        by_id_->bind(1, std::string(os.code)).bind(2, ascii_upper(id));
        while (by_id_->step()) {
            unsigned cp = identifier_score(hardware, position, static_cast<std::size_t>(by_id_->integer(0)));
            std::int64_t model = by_id_->integer(2);
            auto found = by_model.find(model);
            if (found != by_model.end()) {
                if (cp < found->second.cp) {
                    found->second.cp = cp;
                    found->second.hardid = by_id_->text(1);
                }
                continue;
            }
            offer_t o;
            o.model_id = model;
            o.cp = cp;
            o.hardid = by_id_->text(1);
            o.title = by_id_->text(3);
            o.feature = static_cast<unsigned>(by_id_->integer(amd64 ? 5 : 4));
            o.manufacturer = by_id_->text(6);
            o.target_os = static_cast<unsigned>(by_id_->integer(7));
            o.inf_path = by_id_->text(8);
            o.provider = by_id_->text(9);
            o.class_name = by_id_->text(10);
            o.guid = by_id_->text(11);
            o.date = by_id_->text(12);
            o.version = by_id_->text(13);
            o.sign = static_cast<unsigned>(by_id_->integer(amd64 ? 15 : 14));
            o.package = by_id_->text(16);
            o.size = static_cast<std::uint64_t>(by_id_->integer(17));
            by_model.emplace(model, std::move(o));
        }
        bool ok = !by_id_->failed();
        by_id_->reset();
        return ok;
    };
    bool ok = true;
    for (std::size_t i = 0; ok && i < device.hardware_ids.size(); ++i) ok = look_up(device.hardware_ids[i], true, i);
    for (std::size_t i = 0; ok && i < device.compatible_ids.size(); ++i)
        ok = look_up(device.compatible_ids[i], false, i);
    if (!ok) {
        error = "catalogue look-up failed: " + db_.last_error();
        return false;
    }
    for (auto& [id, offer] : by_model) out.push_back(std::move(offer));
    std::sort(out.begin(), out.end(), offer_ranks_before);
    if (out.size() > limit) out.resize(limit);
    return true;
}

} // namespace tdu::server
