#include "catalogue/indexer.h"

#include "catalogue/catalogue_schema.h"
#include "catalogue/package_files.h"
#include "catalogue/package_store.h"
#include "catalogue/catalogue_db.h"
#include "offers/driver_inf.h"
#include "offers/inf_text.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace tdu::server {

namespace {

// Signature class reported for a driver whose catalog file is missing; the
// program's scale reads 3 as unsigned.
constexpr int unsigned_sign = 3;

std::string file_stamp(const fs::path& file)
{
    std::error_code ec;
    auto size = fs::file_size(file, ec);
    auto time = fs::last_write_time(file, ec).time_since_epoch().count();
    return "file:" + std::to_string(size) + ":" + std::to_string(time);
}

// A folder's stamp changes when any file below it is added, removed,
// resized or rewritten.
std::string folder_stamp(const fs::path& folder)
{
    std::vector<std::string> lines;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_symlink() || !it->is_regular_file()) continue;
        lines.push_back(it->path().lexically_relative(folder).generic_string() + "|" +
                        std::to_string(it->file_size(ec)) + "|" +
                        std::to_string(it->last_write_time(ec).time_since_epoch().count()));
    }
    std::sort(lines.begin(), lines.end());
    std::string all;
    for (const auto& l : lines) all += l + "\n";
    return "folder:" + std::to_string(lines.size()) + ":" + std::to_string(std::hash<std::string>{}(all));
}

std::string folder_of(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool has_setup_program(const package_contents_t& contents)
{
    int programs = 0;
    for (const auto& e : contents.entries) {
        std::string name = ascii_upper(e.path.substr(e.path.rfind('/') + 1));
        if (name == "SETUP.EXE" || name == "AUTORUN.EXE") return true;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".EXE") == 0) ++programs;
    }
    return programs == 1;
}

class catalogue_writer_t {
public:
    explicit catalogue_writer_t(catalogue_db_t& db) : db_(db) {}

    bool prepare(std::string& error)
    {
        for (const char* table : {"packages", "drivers", "model_sections", "models"}) {
            statement_t q(db_, (std::string("SELECT COALESCE(MAX(id), 0) + 1 FROM ") + table).c_str());
            if (!q.step()) {
                error = "cannot read the catalogue: " + db_.last_error();
                return false;
            }
            next_[table] = q.integer(0);
        }
        return true;
    }

    std::int64_t next(const char* table) { return next_[table]++; }

    bool remove_package(std::int64_t id)
    {
        static const char* const statements[] = {
            "DELETE FROM model_ids WHERE model_id IN (SELECT m.id FROM models m"
            " JOIN model_sections s ON s.id = m.section_id JOIN drivers d ON d.id = s.driver_id"
            " WHERE d.package_id = ?)",
            "DELETE FROM models WHERE section_id IN (SELECT s.id FROM model_sections s"
            " JOIN drivers d ON d.id = s.driver_id WHERE d.package_id = ?)",
            "DELETE FROM section_targets WHERE section_id IN (SELECT s.id FROM model_sections s"
            " JOIN drivers d ON d.id = s.driver_id WHERE d.package_id = ?)",
            "DELETE FROM model_sections WHERE driver_id IN (SELECT id FROM drivers WHERE package_id = ?)",
            "DELETE FROM catalog_files WHERE driver_id IN (SELECT id FROM drivers WHERE package_id = ?)",
            "DELETE FROM drivers WHERE package_id = ?",
            "DELETE FROM packages WHERE id = ?",
        };
        for (const char* sql : statements) {
            statement_t s(db_, sql);
            if (!s.bind(1, id).run()) return false;
        }
        return true;
    }

    catalogue_db_t& db() { return db_; }

private:
    catalogue_db_t& db_;
    std::map<std::string, std::int64_t> next_;
};

struct package_job_t {
    std::string name;      // the link's last part
    fs::path source;       // zip file or folder
    bool is_folder = false;
    std::string stamp;
};

class package_indexer_t {
public:
    package_indexer_t(catalogue_writer_t& writer, const index_options_t& options, index_report_t& report)
        : w_(writer), options_(options), report_(report),
          insert_driver_(writer.db(), "INSERT INTO drivers (id, package_id, inf_path, provider, class_name,"
                                      " class_guid, driver_date, driver_version, sign_x86, sign_amd64)"
                                      " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
          insert_catalog_(writer.db(), "INSERT INTO catalog_files (driver_id, decoration, file_name, present)"
                                       " VALUES (?, ?, ?, ?)"),
          insert_section_(writer.db(), "INSERT INTO model_sections (id, driver_id, manufacturer, section_name,"
                                       " decoration, target_os) VALUES (?, ?, ?, ?, ?, ?)"),
          insert_target_(writer.db(), "INSERT INTO section_targets (section_id, os_code) VALUES (?, ?)"),
          insert_model_(writer.db(), "INSERT INTO models (id, section_id, description, install_section,"
                                     " feature_x86, feature_amd64, inf_line) VALUES (?, ?, ?, ?, ?, ?, ?)"),
          insert_id_(writer.db(), "INSERT INTO model_ids (model_id, position, id_text, id_key) VALUES (?, ?, ?, ?)")
    {
    }

    // Stores, reads and records one package; `recorded` tells whether it
    // was usable. The catalogue describes the stored bytes, which are the
    // ones served. False only on a catalogue failure.
    bool add(const package_job_t& job, package_store_t& store, bool& recorded, std::string& error)
    {
        recorded = false;
        stored_package_t stored;
        std::string why;
        if (!store.put(job.source, job.is_folder, job.name, stored, why)) {
            report_.problems.push_back(job.name + ": " + why + "; package left out");
            return true;
        }
        if (options_.on_step) options_.on_step("stored " + job.name);
        package_contents_t contents;
        if (!read_zip_package(stored.file, contents, why)) {
            report_.problems.push_back(job.name + ": " + why + "; package left out");
            return true;
        }
        for (const auto& p : contents.problems) report_.problems.push_back(job.name + "/" + p + "; file left out");
        std::int64_t package_id = w_.next("packages");
        statement_t insert(w_.db(), "INSERT INTO packages (id, name, source_path, file_path, stamp, size, sha256,"
                                    " has_setup_program) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        insert.bind(1, package_id).bind(2, job.name).bind(3, job.source.string()).bind(4, stored.file.string());
        insert.bind(5, job.stamp).bind(6, static_cast<std::int64_t>(stored.size)).bind(7, stored.sha256);
        insert.bind(8, has_setup_program(contents) ? 1 : 0);
        if (!insert.run()) return fail(error);
        int drivers = 0;
        for (const auto& inf : contents.infs) {
            bool ok = true;
            drivers += add_inf(package_id, job.name, contents, inf, ok);
            if (!ok) return fail(error);
        }
        if (drivers == 0) report_.problems.push_back(job.name + ": no usable driver INF; nothing to offer");
        recorded = true;
        return true;
    }

private:
    bool fail(std::string& error)
    {
        error = "cannot write the catalogue: " + w_.db().last_error();
        return false;
    }

    // Returns 1 when the INF was recorded; `ok` false on a catalogue failure.
    int add_inf(std::int64_t package_id, const std::string& package, const package_contents_t& contents,
                const package_inf_t& file, bool& ok)
    {
        std::string label = package + "/" + file.path;
        std::string text, why;
        if (!decode_inf_bytes(file.bytes, text, why)) {
            report_.problems.push_back(label + ": " + why + "; INF left out");
            return 0;
        }
        inf_file_t inf;
        inf.set_language(options_.language);
        inf_problem_t problem;
        driver_inf_t driver;
        if (!inf.parse(text, problem) || !read_driver_inf(inf, driver, problem)) {
            report_.problems.push_back(label + (problem.line ? ":" + std::to_string(problem.line) : "") + ": " +
                                       problem.message + "; INF left out");
            return 0;
        }
        for (const auto& w : driver.warnings)
            report_.problems.push_back(label + ":" + std::to_string(w.line) + ": " + w.message + "; line left out");

        std::string folder = folder_of(file.path);
        auto present = [&](const std::string& name) {
            if (name.empty()) return false;
            std::string wanted = ascii_upper(folder + name);
            for (const auto& e : contents.entries)
                if (ascii_upper(e.path) == wanted) return true;
            return false;
        };
        std::int64_t driver_id = w_.next("drivers");
        insert_driver_.bind(1, driver_id).bind(2, package_id).bind(3, file.path).bind(4, driver.provider);
        insert_driver_.bind(5, driver.class_name).bind(6, driver.class_guid).bind(7, driver.date);
        insert_driver_.bind(8, driver.version);
        insert_driver_.bind(9, present(catalog_for(driver, "x86")) ? 0 : unsigned_sign);
        insert_driver_.bind(10, present(catalog_for(driver, "amd64")) ? 0 : unsigned_sign);
        ok = insert_driver_.run();
        for (const auto& c : driver.catalogs) {
            insert_catalog_.bind(1, driver_id).bind(2, c.decoration).bind(3, c.file_name);
            ok = ok && insert_catalog_.bind(4, present(c.file_name) ? 1 : 0).run();
        }
        for (const auto& m : driver.manufacturers) ok = ok && add_manufacturer(driver_id, m);
        ++report_.drivers;
        return 1;
    }

    bool add_manufacturer(std::int64_t driver_id, const inf_manufacturer_t& m)
    {
        std::vector<target_os_t> targets;
        for (const auto& s : m.sections) targets.push_back(s.target);
        std::vector<std::vector<const char*>> codes(m.sections.size());
        for (const auto& os : os_profiles()) {
            int chosen = choose_models_section(targets, os);
            if (chosen >= 0) codes[static_cast<size_t>(chosen)].push_back(os.code);
        }
        for (size_t i = 0; i < m.sections.size(); ++i) {
            const auto& s = m.sections[i];
            std::int64_t section_id = w_.next("model_sections");
            insert_section_.bind(1, section_id).bind(2, driver_id).bind(3, m.name).bind(4, s.name);
            if (!insert_section_.bind(5, s.decoration).bind(6, target_os_number(s.target)).run()) return false;
            for (const char* code : codes[i])
                if (!insert_target_.bind(1, section_id).bind(2, std::string(code)).run()) return false;
            for (const auto& model : s.models) {
                std::int64_t model_id = w_.next("models");
                insert_model_.bind(1, model_id).bind(2, section_id).bind(3, model.description);
                insert_model_.bind(4, model.install_section).bind(5, model.feature_x86);
                if (!insert_model_.bind(6, model.feature_amd64).bind(7, model.line).run()) return false;
                for (size_t p = 0; p < model.ids.size(); ++p) {
                    if (model.ids[p].empty()) continue;
                    insert_id_.bind(1, model_id).bind(2, static_cast<std::int64_t>(p)).bind(3, model.ids[p]);
                    if (!insert_id_.bind(4, ascii_upper(model.ids[p])).run()) return false;
                }
                ++report_.models;
            }
        }
        return true;
    }

    catalogue_writer_t& w_;
    const index_options_t& options_;
    index_report_t& report_;
    statement_t insert_driver_, insert_catalog_, insert_section_, insert_target_, insert_model_, insert_id_;
};

bool list_packages(const index_options_t& options, std::vector<package_job_t>& jobs, index_report_t& report,
                   std::string& error)
{
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(options.packages, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(*it);
    if (ec) {
        error = "cannot list the package folder " + options.packages.string() + ": " + ec.message();
        return false;
    }
    std::sort(entries.begin(), entries.end());
    std::set<std::string> names;
    for (const auto& e : entries) {
        std::string file = e.path().filename().string();
        if (file.empty() || file[0] == '.') continue;
        package_job_t job;
        job.source = e.path();
        if (e.is_directory()) {
            job.is_folder = true;
            job.name = file + ".zip";
            job.stamp = folder_stamp(e.path());
        } else if (e.is_regular_file() && file.size() > 4 && ascii_upper(file.substr(file.size() - 4)) == ".ZIP") {
            job.name = file;
            job.stamp = file_stamp(e.path());
        } else {
            report.problems.push_back(file + ": neither a zip archive nor a folder; ignored");
            continue;
        }
        if (!names.insert(ascii_upper(job.name)).second) {
            report.problems.push_back(file + ": a package named " + job.name + " exists already; ignored");
            continue;
        }
        job.source = fs::absolute(job.source);
        jobs.push_back(std::move(job));
    }
    return true;
}

} // namespace

bool index_packages(const index_options_t& options, index_report_t& report, std::string& error)
{
    report = index_report_t{};
    fs::path zips = options.zip_folder;
    if (zips.empty() && is_postgres_catalogue(options.catalogue.string())) {
        error = "a catalogue in PostgreSQL needs a folder for the package store (--zips)";
        return false;
    }
    if (zips.empty()) zips = fs::path(options.catalogue.string() + ".zips");
    std::vector<package_job_t> jobs;
    if (!list_packages(options, jobs, report, error)) return false;
    std::error_code ec;
    fs::create_directories(zips, ec);
    package_store_t store(zips);
    auto step = [&](const std::string& what) {
        if (options.on_step) options.on_step(what);
    };

    catalogue_db_t db;
    if (!db.open(options.catalogue.string(), true, error) || !create_catalogue_schema(db, error)) return false;
    if (!db.exec("BEGIN", error)) return false;
    catalogue_writer_t writer(db);
    package_indexer_t indexer(writer, options, report);
    struct known_t {
        std::int64_t id;
        std::string stamp;
        fs::path file;
        std::string sha256;
    };
    std::map<std::string, known_t> known;
    {
        statement_t q(db, "SELECT id, name, stamp, file_path, sha256 FROM packages");
        while (q.step()) known[q.text(1)] = {q.integer(0), q.text(2), q.text(3), q.text(4)};
    }
    // The generation this run makes; the services notice it at their next
    // request and read the catalogue's keys again.
    std::int64_t generation = 1;
    {
        statement_t q(db, "SELECT value FROM catalogue_info WHERE name = 'generation'");
        if (q.step()) generation = std::atoll(q.text(0).c_str()) + 1;
    }
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    // A package's file leaves the catalogue with its row but stays in the
    // store, and its link answers, for the clients given it before.
    auto retire = [&](const std::string& name, const known_t& k) {
        statement_t r(db, "INSERT INTO retired_files (name, file_path, sha256, retired_generation, retired_at)"
                          " VALUES (?, ?, ?, ?, ?)");
        r.bind(1, name).bind(2, k.file.string()).bind(3, k.sha256).bind(4, generation).bind(5, now);
        if (writer.remove_package(k.id) && r.run()) return true;
        error = "cannot update the catalogue: " + db.last_error();
        return false;
    };
    bool ok = writer.prepare(error);
    for (const auto& job : jobs) {
        if (!ok) break;
        auto k = known.find(job.name);
        bool existed = k != known.end();
        if (existed) {
            bool same = k->second.stamp == job.stamp && fs::exists(k->second.file, ec);
            known_t old = k->second;
            known.erase(k);
            if (same) {
                ++report.unchanged;
                continue;
            }
            if (!(ok = retire(job.name, old))) break;
        }
        bool recorded = false;
        ok = indexer.add(job, store, recorded, error);
        if (recorded) ++(existed ? report.updated : report.added);
        else if (existed) ++report.removed;
    }
    // Packages gone from the folder leave the catalogue.
    for (const auto& [name, k] : known) {
        if (!ok) break;
        ok = retire(name, k);
        ++report.removed;
    }
    if (ok) {
        statement_t drop(db, "DELETE FROM catalogue_info WHERE name = 'generation'");
        statement_t insert(db, "INSERT INTO catalogue_info (name, value) VALUES ('generation', ?)");
        // Files an earlier run retired, long enough ago, go for good (after
        // the commit, with anything else no row names).
        statement_t expire(db, "DELETE FROM retired_files WHERE retired_generation < ? AND retired_at <= ?");
        ok = drop.run() && insert.bind(1, std::to_string(generation)).run() &&
             expire.bind(1, generation).bind(2, now - static_cast<std::int64_t>(options.keep_retired.count())).run();
        if (!ok) error = "cannot update the catalogue: " + db.last_error();
    }
    if (!ok) {
        std::string ignored;
        db.exec("ROLLBACK", ignored);
        return false;
    }
    step("written");
    if (!db.exec("COMMIT", error)) return false;
    step("committed");
    // PostgreSQL plans its look-ups from table statistics, which a bulk
    // load leaves empty until autovacuum comes by: without them an ID
    // look-up scans whole tables. SQLite's plan needs none.
    if (db.is_postgres() && !db.exec("ANALYZE", error)) return false;
    std::set<std::string> named;
    {
        statement_t q(db, "SELECT file_path FROM packages UNION SELECT file_path FROM retired_files");
        while (q.step()) named.insert(q.text(0));
        // Without the whole list nothing is removed.
        if (!q.valid() || q.failed()) {
            error = "cannot read the catalogue's files: " + db.last_error();
            return false;
        }
    }
    store.sweep(named, [&](const std::string& file) { step("removing " + file); });
    return true;
}

} // namespace tdu::server
