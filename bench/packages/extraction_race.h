#pragma once
// extract_archive against unzip on one archive, each unpacking into a fresh
// folder below `work` in turns; the best time of each.
#include "bench_clock.h"

#include "packages/archive_extract.h"

#include <filesystem>

namespace tdu::bench {

struct extraction_times_t {
    double ours = 0;
    double unzip = 0;
};

inline extraction_times_t race_extraction(int runs, const std::filesystem::path& zip,
                                          const std::filesystem::path& work)
{
    namespace fs = std::filesystem;
    fs::path ours_dir = work / "ours", unzip_dir = work / "unzip";
    u16 archive = utf8_to_utf16(zip.u8string()), target = utf8_to_utf16(ours_dir.u8string());
    contender_t ours{[&] {
                         fs::remove_all(ours_dir);
                         fs::create_directories(ours_dir);
                     },
                     [&] {
                         if (extract_archive(archive, target) != 0) {
                             std::fprintf(stderr, "extract_archive failed\n");
                             std::exit(1);
                         }
                     }};
    // Status 1 is a warning (such as names with backslashes), not a failure.
    contender_t unzip{[&] {
                          fs::remove_all(unzip_dir);
                          fs::create_directories(unzip_dir);
                      },
                      [&] {
                          run_tool("unzip -q -o '" + zip.string() + "' -d '" + unzip_dir.string() +
                                   "' 2>/dev/null; test $? -le 1");
                      }};
    race(runs, ours, unzip);
    return {ours.best, unzip.best};
}

} // namespace tdu::bench
