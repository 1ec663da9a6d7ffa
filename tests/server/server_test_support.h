#pragma once
// Helpers for the update service's tests: zip archives written entry by
// entry, INF texts of a small driver, and the demo catalogue.
#include "catalogue/indexer.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tdu::server::test {

using zip_entries_t = std::vector<std::pair<std::string, std::string>>; // name, bytes

// Writes a zip archive with exactly these entries (names as given, so a
// hostile name can be written too).
void write_zip(const std::filesystem::path& zip, const zip_entries_t& entries);
// Adds these entries to an existing archive.
void append_to_zip(const std::filesystem::path& zip, const zip_entries_t& entries);

// A minimal valid INF with one model line per ID list, in NTx86 and NTamd64
// sections. `extra_version` lines are added to [Version].
std::string small_inf(const std::string& date, const std::string& version, const std::vector<std::string>& models,
                      const std::string& extra_version = "");

// The zlib stream of `text`, as the program compresses its request.
std::string deflate_text(const std::string& text);

// Indexes `packages` into `catalogue` (a file or a PostgreSQL connect
// string; folders zipped into `zips`, by default beside a file); fails the
// test on an error.
index_report_t index_folder(const std::filesystem::path& packages, const std::filesystem::path& catalogue,
                            const std::filesystem::path& zips = {});

// Where the build wrote the demo packages.
std::filesystem::path demo_packages_dir();
std::filesystem::path demo_request_file();

} // namespace tdu::server::test
