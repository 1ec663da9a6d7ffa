// Backup archives and the old store's digest index against the tools a user
// would otherwise use, on the same generated files, in one run:
//  - writing the archive of a driver package of typical files (INF, SYS,
//    DLL, CAT) with write_package_archive, against `zip -r -6`;
//  - unpacking that archive with extract_archive (as a restore does),
//    against `unzip`;
//  - the MD5 index of a "DRVSTORE" tree of INF files (init_driver_store as
//    before Windows Vista), against `md5sum` over the same files.
// Each pair runs in turns and each one's best run counts. Prints the times
// and the ratios (targets: archive at least as fast as zip, extraction at
// least as fast as unzip, index at least 0.9 of md5sum's speed).
//
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTDU_BUILD_BENCH=ON
//   cmake --build build/bench -j2 --target backup_bench
//   build/bench/bench/backup_bench [MiB, default 100] [runs, default 3]
#include "bench_clock.h"
#include "driver_files.h"
#include "extraction_race.h"

#include "backup/backup_archive.h"
#include "backup/driver_store.h"
#include "support/test_support.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

using namespace tdu;
namespace fs = std::filesystem;

namespace {

void write(const fs::path& file, const std::string& bytes)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

// A package folder of about `bytes` in files like a vendor's driver package.
size_t make_package(const fs::path& folder, size_t bytes, std::mt19937& rng)
{
    size_t total = 0;
    for (int i = 0; total < bytes; ++i) {
        std::string n = std::to_string(i);
        std::string files[] = {bench::inf_text(rng, 20000), bench::binary(rng, 12000),
                               bench::binary(rng, 300000 + rng() % 200000),
                               bench::binary(rng, 100000 + rng() % 100000)};
        write(folder / ("net" + n + ".inf"), files[0]);
        write(folder / ("net" + n + ".cat"), files[1]);
        write(folder / "x86" / ("net" + n + ".sys"), files[2]);
        write(folder / "x86" / ("coinst" + n + ".dll"), files[3]);
        for (const std::string& f : files) total += f.size();
    }
    return total;
}

// An old driver store of about `bytes` in INF files, a few per package.
size_t make_store(const fs::path& store, size_t bytes, std::mt19937& rng)
{
    size_t total = 0;
    for (int i = 0; total < bytes; ++i) {
        fs::path package = store / ("pkg" + std::to_string(i) + "_" + std::to_string(rng() % 100000));
        for (int j = 0; j < 3; ++j) {
            std::string inf = bench::inf_text(rng, 40000 + rng() % 80000);
            write(package / ("driver" + std::to_string(j) + ".inf"), inf);
            total += inf.size();
        }
    }
    return total;
}

// %SYSTEMROOT% is the benchmark's folder; no Setup API is needed before
// Windows Vista.
class bench_platform_c final : public store_platform_c {
public:
    explicit bench_platform_c(u16 root) : root_(std::move(root)) {}
    u16 expand_environment(u16view text) override
    {
        u16 out(text);
        out.replace(0, 12, root_);  // every path asked for starts with %SYSTEMROOT%
        return out;
    }
    locate_inf_t load_store_locator() override { return {}; }

private:
    u16 root_;
};

double mib(size_t bytes)
{
    return static_cast<double>(bytes) / (1 << 20);
}

} // namespace

int main(int argc, char** argv)
{
    size_t size = (argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100) << 20;
    int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    test::temp_dir_c dir;
    std::mt19937 rng(20130402);

    fs::path package = dir.path() / "store" / "acmelan_4f1c2a90";
    size_t package_bytes = make_package(package, size, rng);
    fs::path ours_zip = dir.path() / "ours.zip", zip_zip = dir.path() / "zip.zip";
    bench::contender_t archive{[&] { fs::remove(ours_zip); },
                               [&] {
                                   std::atomic<int32_t> progress{0};
                                   if (write_package_archive(test::program_path(package),
                                                             test::program_path(ours_zip), progress) != 0) {
                                       std::fprintf(stderr, "write_package_archive failed\n");
                                       std::exit(1);
                                   }
                               }};
    bench::contender_t zip{[&] { fs::remove(zip_zip); },
                           [&] {
                               bench::run_tool("cd '" + package.string() + "' && zip -q -r -6 '" + zip_zip.string() +
                                               "' .");
                           }};
    bench::race(runs, archive, zip);

    bench::extraction_times_t extraction = bench::race_extraction(runs, ours_zip, dir.path() / "unpacked");

    fs::path root = dir.path() / "windows";
    size_t store_bytes = make_store(root / "system32" / "DRVSTORE", size, rng);
    fs::create_directories(root / "inf");
    bench_platform_c platform(test::program_path(root));
    size_t indexed = 0;
    bench::contender_t index{[] {},
                             [&] {
                                 driver_store_t store;
                                 init_driver_store(store, 51, platform);
                                 indexed = store.store_inf_index.size();
                             }};
    bench::contender_t md5sum{[] {}, [&] {
                                  bench::run_tool("find '" + (root / "system32" / "DRVSTORE").string() +
                                                  "' -name '*.inf' -print0 | xargs -0 md5sum > /dev/null");
                              }};
    bench::race(runs, index, md5sum);

    std::printf("archive of a %.1f MiB package (ours %.1f MiB, zip %.1f MiB), best of %d\n", mib(package_bytes),
                mib(fs::file_size(ours_zip)), mib(fs::file_size(zip_zip)), runs);
    std::printf("  write_package_archive  %.3f s\n  zip -r -6              %.3f s\n", archive.best, zip.best);
    std::printf("  archive speed ratio (zip time / ours): %.2f\n", zip.best / archive.best);
    std::printf("extraction of that archive\n");
    std::printf("  extract_archive        %.3f s\n  unzip                  %.3f s\n", extraction.ours, extraction.unzip);
    std::printf("  extraction speed ratio (unzip time / ours): %.2f\n", extraction.unzip / extraction.ours);
    std::printf("MD5 index of %zu INF files, %.1f MiB\n", indexed, mib(store_bytes));
    std::printf("  init_driver_store      %.3f s\n  md5sum                 %.3f s\n", index.best, md5sum.best);
    std::printf("  index speed ratio (md5sum time / ours): %.2f\n", md5sum.best / index.best);
    return 0;
}
