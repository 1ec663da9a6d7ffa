#pragma once
// Indexing a folder of driver packages into the catalogue. Each zip archive
// and each sub-folder of the folder is one package. A package whose file is
// unchanged since the last run is kept as it is; changed ones are read
// again, vanished ones removed, all in one transaction, so a service reading
// the catalogue sees the old state or the new one, never a mixture.
#include <filesystem>
#include <string>
#include <vector>

namespace tdu::server {

struct index_options_t {
    std::filesystem::path packages;  // the folder of packages
    std::filesystem::path catalogue; // the SQLite file, created when missing
    // Where folder packages are zipped for download; empty: beside the
    // catalogue, in "<catalogue>.zips".
    std::filesystem::path zip_folder;
    std::string language = "0409"; // preferred [Strings.LLLL] section
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
