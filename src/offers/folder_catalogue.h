#pragma once
// A catalogue held in memory: a folder of driver packages (each zip archive
// and each sub-folder one package, as the update service reads its own
// folder) indexed into model lines with their IDs, and the offers for the
// devices of one system found and written as the service's answer
// document. The program uses it to take its offers from a local driver
// folder (a stick, a share) when there is no service.
//
// The index is kept in a file: beside the folder when the folder is
// writable, else in the program's cache. An index run reads only the
// packages whose stamp (size and time of their files) changed since. Zip
// archives are offered as they lie; a folder package is zipped into the
// cache (the folder itself is never written), the same bytes every time.
#include "offers/offer.h"
#include "offers/target_os.h"
#include "offers/update_answer.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tdu::offers {

// One model line of a Models section some system uses, with the offer it
// makes (cp, sign and feature are filled per request).
struct folder_model_t {
    offer_t offer;
    unsigned feature_x86 = 0, feature_amd64 = 0;
    unsigned sign_x86 = 0, sign_amd64 = 0;
    std::vector<std::string> os_codes; // the systems whose chosen section holds the line
    std::vector<std::string> ids;      // [0] the hardware ID (may be empty), then compatible IDs
};

struct folder_package_t {
    std::string name;    // "NAME.zip" (a folder "NAME" gives "NAME.zip")
    std::string source;  // the file or folder name inside the driver folder
    bool is_folder = false;
    std::string stamp;
    std::filesystem::path file; // the zip archive offered: the source, or its copy in the cache
    std::uint64_t size = 0;
    std::string sha256;
    std::vector<folder_model_t> models;
};

struct folder_index_options_t {
    std::filesystem::path folder; // the driver folder
    // The program's own folder for this driver folder: zipped folder
    // packages, and the index when the driver folder is not writable.
    std::filesystem::path cache;
    std::string language = "0409";
    // SHA-256 of a file as 64 lower-case hexadecimal digits; false when the
    // file cannot be read to its end.
    std::function<bool(const std::filesystem::path&, std::string&)> digest;
    // Read between packages: non-zero ends the run ("stopped").
    const std::atomic<std::int32_t>* stop = nullptr;
};

struct folder_index_progress_t {
    std::atomic<std::int32_t> packages_total{0};
    std::atomic<std::int32_t> packages_done{0};
};

struct folder_index_report_t {
    int read = 0;      // packages read in this run
    int unchanged = 0; // taken from the index file
    int models = 0;
    bool index_written = false;
    std::filesystem::path index_file;
    // One line per package or INF left out, and why.
    std::vector<std::string> problems;
};

// The index file's name inside the driver folder (or the cache).
extern const char folder_index_file_name[];

class folder_catalogue_t {
public:
    // Indexes the folder. False with a reason when the folder cannot be
    // used at all (missing, unreadable, gone during the run, stopped);
    // single packages and INF files that cannot be read only go into the
    // report's problems.
    bool index(const folder_index_options_t& options, folder_index_progress_t& progress,
               folder_index_report_t& report, std::string& error);

    // The offers for one device on `os`, best first, at most `limit` (the
    // service's order and identifier scores).
    std::vector<offer_t> find(const device_query_t& device, const os_profile_t& os, std::size_t limit) const;

    // The answer document for `devices` (ID as the request names it, and
    // its query), as the service writes it: at most `offers_per_device`
    // offers each (with the program's best and latest kept), within the
    // budget. Each offer's link is the file URL of its package. False when
    // even the devices alone would not fit.
    bool answer(std::vector<std::pair<std::string, device_query_t>> devices, const std::string& os_code,
                unsigned ansi_code_page, std::size_t offers_per_device, std::string& document) const;

    const std::vector<folder_package_t>& packages() const { return packages_; }

private:
    void build_lookup();

    std::filesystem::path folder_;
    std::vector<folder_package_t> packages_;
    struct id_row_t {
        const folder_model_t* model;
        std::size_t position;
    };
    std::unordered_map<std::string, std::vector<id_row_t>> by_id_; // upper-case ID
};

// "file:///" and the path with '/' between folders, each byte but the
// unreserved ones and '/' and ':' percent-encoded.
std::string file_url(const std::filesystem::path& file);

} // namespace tdu::offers
