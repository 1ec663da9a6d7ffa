#pragma once
// Finding the drivers of the catalogue that fit one device of an update
// request: every model line that names one of the device's hardware or
// compatible IDs (without regard to case) in a Models section Windows would
// use on the request's system. Each ID is one indexed look-up.
#include "catalogue/sqlite_db.h"
#include "inf/target_os.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tdu::server {

struct device_query_t {
    std::vector<std::string> hardware_ids;
    std::vector<std::string> compatible_ids;
};

struct offer_t {
    std::int64_t model_id = 0;
    std::string hardid; // the model line's ID that matched, as the INF writes it
    std::string title;  // the model's device description
    std::string version;
    std::string guid;
    std::string package; // the package's name (last part of its link)
    std::string inf_path;
    std::string manufacturer;
    std::string provider;
    std::string class_name;
    std::string date;
    std::uint64_t size = 0;
    unsigned cp = 0;
    unsigned sign = 0;
    unsigned feature = 0;
    unsigned target_os = 0;
};

// The order offers are listed in, best first: lower signature class, lower
// feature score, lower identifier score (the parts of a Windows driver rank),
// then the newer date and the higher version.
bool offer_ranks_before(const offer_t& a, const offer_t& b);

// "a.b.c.d" compared number by number.
int compare_driver_versions(const std::string& a, const std::string& b);

class offer_finder_t {
public:
    // Opens the catalogue read-only; false with a reason.
    bool open(const std::string& catalogue, std::string& error);
    // The offers for one device, best first, at most `limit`.
    bool find(const device_query_t& device, const os_profile_t& os, std::size_t limit, std::vector<offer_t>& out,
              std::string& error);
    // One read transaction around the look-ups of a whole request: every
    // device sees the same catalogue even while an index run commits, and
    // the file is locked once instead of once per ID.
    bool begin_snapshot(std::string& error);
    void end_snapshot();
    // The catalogue connection, for the service's other look-ups.
    const sqlite_db_t& db() const { return db_; }

private:
    sqlite_db_t db_;
    std::unique_ptr<statement_t> by_id_;
};

} // namespace tdu::server
