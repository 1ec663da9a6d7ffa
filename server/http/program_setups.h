#pragma once
// The program's own setups the service offers to the updater: a folder of
// files named as the Windows builds name them,
//
//     TavrillDriverUpdater-Setup-<version>.exe       x86
//     TavrillDriverUpdater-Setup-<version>-x64.exe   x64
//
// read again at every request (a new setup dropped in is offered at once).
// Other files in the folder are ignored.
#include "service/program_document.h"

#include <cstdint>
#include <mutex>
#include <map>
#include <string>
#include <string_view>

namespace tdu::server {

// The version and architecture a setup's file name gives; false for any
// other name.
bool setup_file_name(std::string_view name, program_version_t& version, std::string& arch);

struct program_setup_t {
    std::string name;  // the file name, the last part of its link
    std::string path;
    program_version_t version;
    uint64_t size = 0;
    std::string sha256;
};

class program_setups_t {
public:
    explicit program_setups_t(std::string folder) : folder_(std::move(folder)) {}
    bool enabled() const { return !folder_.empty(); }
    // The newest setup of `arch` with its size and digest; false with
    // `error` when there is none or it cannot be read.
    bool newest(std::string_view arch, program_setup_t& out, std::string& error);
    // The path of the setup named `name` in the folder (a setup's name
    // only, never a path); false when there is none.
    bool path_of(std::string_view name, std::string& path) const;

private:
    struct digest_t {
        uint64_t size = 0;
        int64_t modified = 0;
        std::string sha256;
    };
    std::string folder_;
    std::mutex mutex_;
    std::map<std::string, digest_t> digests_;  // by path: hashed once per size and time
};

} // namespace tdu::server
