#pragma once
// What the catalogue records of one INF: the [Version] facts, every
// manufacturer with its decorated Models sections, and each model line with
// its IDs and the FeatureScore of its install section.
#include "offers/inf_file.h"
#include "offers/target_os.h"

#include <string>
#include <vector>

namespace tdu::offers {

// Feature score of an install section without a FeatureScore directive.
constexpr unsigned default_feature_score = 0xFF;

struct inf_model_t {
    int line = 0;
    std::string description;
    std::string install_section;
    // ids[0] is the hardware ID (may be empty), the rest compatible IDs.
    std::vector<std::string> ids;
    unsigned feature_x86 = default_feature_score;
    unsigned feature_amd64 = default_feature_score;
};

struct inf_models_section_t {
    std::string name;       // as written, decoration included
    std::string decoration; // empty for the undecorated section
    target_os_t target;
    std::vector<inf_model_t> models;
};

struct inf_manufacturer_t {
    int line = 0;
    std::string name;
    std::vector<inf_models_section_t> sections;
};

struct inf_catalog_t {
    std::string decoration; // "", "NT", "NTx86", "NTamd64", ...
    std::string file_name;
};

struct driver_inf_t {
    std::string provider;
    std::string class_name;
    std::string class_guid;
    std::string date;    // yyyy-mm-dd
    std::string version; // four numbers
    std::vector<inf_catalog_t> catalogs;
    std::vector<inf_manufacturer_t> manufacturers;
    std::vector<inf_problem_t> warnings; // lines skipped, the rest still used
};

// Reads the driver facts of a parsed INF. False with the problem when the
// file is no usable driver INF: no [Version] or Signature, a missing or
// broken DriverVer, no [Manufacturer] section.
bool read_driver_inf(const inf_file_t& inf, driver_inf_t& driver, inf_problem_t& error);

// The catalog file that applies on `architecture` ("x86", "amd64"):
// CatalogFile.NT<arch>, then CatalogFile.NT, then CatalogFile; empty when
// none does.
std::string catalog_for(const driver_inf_t& driver, std::string_view architecture);

// Parses "mm/dd/yyyy" into "yyyy-mm-dd"; false when it is no date.
bool parse_driver_date(std::string_view text, std::string& iso);
// Normalises a driver version to four numbers ("1.2" gives "1.2.0.0");
// false when it is not one to four numbers of at most 65535.
bool parse_driver_version(std::string_view text, std::string& version);

} // namespace tdu::offers

// The update service names these as its own.
namespace tdu::server {
using namespace tdu::offers;
}
