// Extraction of a 200 MiB driver package of many files (INF texts, SYS and
// DLL binaries, catalogs; generated) by extract_archive against unzip on
// the same archive, in the same run. Prints both times and their ratio
// (target: not slower than unzip, a ratio of at least 1).
#include "bench_clock.h"
#include "driver_files.h"
#include "extraction_race.h"

#include "support/test_support.h"
#include "test_zip.h"

#include <cstdio>
#include <filesystem>
#include <random>

using namespace tdu;
namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
    int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    test::temp_dir_c dir;
    std::mt19937 rng(20120621);
    std::vector<test::zip_entry_t> entries;
    size_t total = 0;
    for (int package = 0; total < (mib << 20); ++package) {
        std::string folder = "drivers/pkg" + std::to_string(package) + "/";
        entries.push_back({folder, ""});
        entries.push_back({folder + "driver.inf", bench::inf_text(rng, 20000)});
        entries.push_back({folder + "driver.cat", bench::binary(rng, 12000)});
        entries.push_back({folder + "driver.sys", bench::binary(rng, 300000 + rng() % 200000)});
        entries.push_back({folder + "coinst.dll", bench::binary(rng, 100000 + rng() % 100000)});
        for (size_t i = entries.size() - 4; i < entries.size(); ++i) total += entries[i].data.size();
    }
    fs::path zip = dir.path() / "package.zip";
    test::write_zip(zip, entries);
    size_t entry_count = entries.size();
    entries.clear();

    bench::extraction_times_t times = bench::race_extraction(runs, zip, dir.path());

    std::printf("extraction of %.1f MiB in %zu entries (archive %.1f MiB), best of %d\n",
                static_cast<double>(total) / (1 << 20), entry_count,
                static_cast<double>(fs::file_size(zip)) / (1 << 20), runs);
    std::printf("  extract_archive  %.3f s\n", times.ours);
    std::printf("  unzip            %.3f s\n", times.unzip);
    std::printf("extraction speed ratio (unzip time / extract_archive time): %.2f\n", times.unzip / times.ours);
    return 0;
}
