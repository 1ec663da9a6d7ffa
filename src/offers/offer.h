#pragma once
// One device of an update request as the matching sees it, and one offer
// the catalogue makes for it.
#include <cstdint>
#include <string>
#include <vector>

namespace tdu::offers {

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
    std::string sha256; // of the package file, 64 hexadecimal digits
    std::string link;   // when set, the package's link as it stands (a local file's URL)
    std::uint64_t size = 0;
    unsigned cp = 0;
    unsigned sign = 0;
    unsigned feature = 0;
    unsigned target_os = 0;
};

} // namespace tdu::offers

// The update service names these as its own.
namespace tdu::server {
using namespace tdu::offers;
}
