#pragma once
// Indexing a folder of driver packages into the catalogue. Each zip archive
// and each sub-folder of the folder is one package. A package whose file is
// unchanged since the last run is kept as it is; changed ones are read
// again, vanished ones removed, all in one transaction, so a service reading
// the catalogue sees the old state or the new one, never a mixture. The
// files served are those of the package store, written before the
// transaction under new names and removed only after it, so an interrupted
// run leaves every offer's file as it was offered.
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tdu::server {

struct index_options_t {
    std::filesystem::path packages;  // the folder of packages
    std::filesystem::path catalogue; // the SQLite file, created when missing
    // The package store (package_store.h): every package file the service
    // offers, zip archives copied and folders zipped, under names that
    // change with their bytes. Empty: beside the catalogue, in
    // "<catalogue>.zips".
    std::filesystem::path zip_folder;
    std::string language = "0409"; // preferred [Strings.LLLL] section
    // A file the catalogue stopped offering stays in the store (its link
    // still answers) until a later run finds it gone from the catalogue for
    // at least this long.
    std::chrono::seconds keep_retired{3600};
    // Called as each step of the run is done ("stored NAME", "written",
    // "committed", "removing FILE"), so a test can stop the run at any of
    // them.
    std::function<void(const std::string& step)> on_step;
};

struct index_report_t {
    int added = 0;
    int updated = 0;
    int unchanged = 0;
    int removed = 0;
    int drivers = 0; // INF files recorded in this run
    int models = 0;
    // One line per problem: "package/path.inf:12: message"; INF files with
    // an error are left out, warnings leave out only their line.
    std::vector<std::string> problems;
};

// False with a reason when the folder or the catalogue cannot be used at
// all; problems of single packages and INF files only go into the report.
bool index_packages(const index_options_t& options, index_report_t& report, std::string& error);

} // namespace tdu::server
