#pragma once
// The catalogue's tables. The statements are plain SQL that SQLite and
// PostgreSQL both run: ids are assigned by the indexer (no AUTOINCREMENT or
// SERIAL), ID look-ups use an upper-cased key column (no COLLATE NOCASE),
// and child rows are deleted explicitly (no reliance on ON DELETE CASCADE).
#include "catalogue/catalogue_db.h"

#include <string>

namespace tdu::server {

// The schema version this build reads and writes.
constexpr int catalogue_schema_version = 2;

// Creates the tables and indexes a missing catalogue needs; false when the
// file holds a catalogue of another schema version.
bool create_catalogue_schema(catalogue_db_t& db, std::string& error);

// False with a reason when `db` is no catalogue of this schema version.
bool check_catalogue_schema(catalogue_db_t& db, std::string& error);

} // namespace tdu::server
