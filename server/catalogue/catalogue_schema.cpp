#include "catalogue/catalogue_schema.h"

namespace tdu::server {

namespace {

// packages: one downloadable archive; name is the last part of its link.
// drivers: one INF inside a package; sign_* is the signature class the
//   answer reports per architecture (0 with its catalog file present).
// catalog_files: the CatalogFile entries of [Version] with decorations.
// model_sections: one Models section of a manufacturer (undecorated or
//   decorated); target_os is major x 10 + minor of its decoration.
// section_targets: for which request OS codes Windows would use that
//   section, worked out at indexing time so a look-up is one join.
// retired_files: package files the catalogue offered before, kept for the
//   clients that were given their links, until a later run removes them.
// models / model_ids: the lines of a Models section and their IDs in order
//   (position 0 the hardware ID, 1.. the compatible IDs); id_key is the ID
//   upper-cased, the column the matching looks up.
const char* const schema[] = {
    "CREATE TABLE IF NOT EXISTS catalogue_info (name VARCHAR(64) PRIMARY KEY, value TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS packages (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE,"
    " source_path TEXT NOT NULL, file_path TEXT NOT NULL, stamp TEXT NOT NULL, size BIGINT NOT NULL,"
    " sha256 VARCHAR(64) NOT NULL, has_setup_program INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS retired_files (name TEXT NOT NULL, file_path TEXT NOT NULL,"
    " sha256 VARCHAR(64) NOT NULL, retired_generation BIGINT NOT NULL, retired_at BIGINT NOT NULL)",
    "CREATE INDEX IF NOT EXISTS retired_files_by_name ON retired_files (name)",
    "CREATE TABLE IF NOT EXISTS drivers (id INTEGER PRIMARY KEY, package_id INTEGER NOT NULL,"
    " inf_path TEXT NOT NULL, provider TEXT NOT NULL, class_name TEXT NOT NULL, class_guid TEXT NOT NULL,"
    " driver_date VARCHAR(10) NOT NULL, driver_version VARCHAR(32) NOT NULL,"
    " sign_x86 INTEGER NOT NULL, sign_amd64 INTEGER NOT NULL)",
    "CREATE INDEX IF NOT EXISTS drivers_by_package ON drivers (package_id)",
    "CREATE TABLE IF NOT EXISTS catalog_files (driver_id INTEGER NOT NULL, decoration TEXT NOT NULL,"
    " file_name TEXT NOT NULL, present INTEGER NOT NULL)",
    "CREATE INDEX IF NOT EXISTS catalog_files_by_driver ON catalog_files (driver_id)",
    "CREATE TABLE IF NOT EXISTS model_sections (id INTEGER PRIMARY KEY, driver_id INTEGER NOT NULL,"
    " manufacturer TEXT NOT NULL, section_name TEXT NOT NULL, decoration TEXT NOT NULL,"
    " target_os INTEGER NOT NULL)",
    "CREATE INDEX IF NOT EXISTS model_sections_by_driver ON model_sections (driver_id)",
    "CREATE TABLE IF NOT EXISTS section_targets (section_id INTEGER NOT NULL, os_code VARCHAR(16) NOT NULL,"
    " PRIMARY KEY (section_id, os_code))",
    "CREATE TABLE IF NOT EXISTS models (id INTEGER PRIMARY KEY, section_id INTEGER NOT NULL,"
    " description TEXT NOT NULL, install_section TEXT NOT NULL, feature_x86 INTEGER NOT NULL,"
    " feature_amd64 INTEGER NOT NULL, inf_line INTEGER NOT NULL)",
    "CREATE INDEX IF NOT EXISTS models_by_section ON models (section_id)",
    "CREATE TABLE IF NOT EXISTS model_ids (model_id INTEGER NOT NULL, position INTEGER NOT NULL,"
    " id_text TEXT NOT NULL, id_key TEXT NOT NULL)",
    "CREATE INDEX IF NOT EXISTS model_ids_by_key ON model_ids (id_key)",
    "CREATE INDEX IF NOT EXISTS model_ids_by_model ON model_ids (model_id)",
};

} // namespace

bool check_catalogue_schema(catalogue_db_t& db, std::string& error)
{
    statement_t q(db, "SELECT value FROM catalogue_info WHERE name = 'schema_version'");
    if (!q.valid() || !q.step()) {
        error = "the file is no driver catalogue (index a package folder into it first)";
        return false;
    }
    if (q.text(0) != std::to_string(catalogue_schema_version)) {
        error = "the catalogue has schema version " + q.text(0) + ", this program reads version " +
                std::to_string(catalogue_schema_version) + ": index it again into a new file";
        return false;
    }
    return true;
}

bool create_catalogue_schema(catalogue_db_t& db, std::string& error)
{
    // SQLite only: readers keep answering while an index run writes.
    if (!db.is_postgres() && !db.exec("PRAGMA journal_mode=WAL", error)) return false;
    for (const char* sql : schema)
        if (!db.exec(sql, error)) return false;
    statement_t q(db, "SELECT value FROM catalogue_info WHERE name = 'schema_version'");
    if (q.step()) return check_catalogue_schema(db, error);
    statement_t insert(db, "INSERT INTO catalogue_info (name, value) VALUES ('schema_version', ?)");
    if (!insert.bind(1, std::to_string(catalogue_schema_version)).run()) {
        error = "cannot write the schema version: " + db.last_error();
        return false;
    }
    return true;
}

} // namespace tdu::server
