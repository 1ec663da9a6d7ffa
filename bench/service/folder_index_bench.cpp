// The program's in-memory catalogue of a local driver folder beside the
// update service's own indexer, on the same folder of synthetic packages
// (made by tdu-synthetic-packages as the service's load test makes them).
//
//   folder_index_bench [--infs N] [--per-inf M] [--devices D] [--runs R]
//
// Prints, each as the median of R runs: the first index of the folder (every
// package read, folder packages zipped into the cache), a later index that
// finds nothing changed (the index file), the first scan's time to results
// (first index + matching a machine of D devices), the matching alone, and
// the service's index run into SQLite; per 1,000 INFs, and as ratios.
#include "catalogue/indexer.h"
#include "common/sha256.h"
#include "offers/folder_catalogue.h"
#include "protocol/update_request.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using clock_type = std::chrono::steady_clock;

namespace {

double seconds_of(const std::function<void()>& work)
{
    auto start = clock_type::now();
    work();
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool fail(const std::string& what)
{
    std::fprintf(stderr, "folder_index_bench: %s\n", what.c_str());
    std::exit(1);
}

} // namespace

int main(int argc, char** argv)
{
    std::map<std::string, long> o{{"--infs", 10000}, {"--per-inf", 20}, {"--devices", 300}, {"--runs", 3}};
    for (int i = 1; i + 1 < argc; i += 2) o[argv[i]] = std::atol(argv[i + 1]);
    const long infs = o["--infs"], per_inf = o["--per-inf"], runs = std::max(1L, o["--runs"]);
    fs::path work = fs::temp_directory_path() / ("tdu-folder-bench-" + std::to_string(::getpid()));
    fs::path packages = work / "packages", request_file = work / "request.xml";
    fs::create_directories(work);
    std::string make = std::string(TDU_SYNTHETIC_PACKAGES) + " --out " + packages.string() + " --models " +
                       std::to_string(infs * per_inf) + " --per-inf " + std::to_string(per_inf) + " --request " +
                       request_file.string() + " --devices " + std::to_string(o["--devices"]);
    if (std::system(make.c_str()) != 0) fail("cannot make the packages: " + make);

    std::ifstream in(request_file, std::ios::binary);
    std::string document((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    tdu::server::update_request_t request;
    tdu::server::request_failure_t failure;
    if (!tdu::server::parse_update_request(document, tdu::server::request_limits_t{}, request, failure))
        fail("the synthetic request does not parse: " + failure.reason);
    std::vector<std::pair<std::string, tdu::offers::device_query_t>> devices;
    for (auto& d : request.devices) devices.push_back({d.id_bytes, {d.hardware_ids, d.compatible_ids}});

    auto digest = [](const fs::path& file, std::string& hex) { return tdu::sha256_file_hex(file.u16string(), hex); };
    std::vector<double> first, again, match, service;
    std::size_t offers = 0;
    for (long run = 0; run < runs; ++run) {
        fs::path cache = work / ("cache" + std::to_string(run));
        fs::remove(packages / tdu::offers::folder_index_file_name);
        tdu::offers::folder_index_options_t options;
        options.folder = packages;
        options.cache = cache;
        options.digest = digest;
        tdu::offers::folder_index_progress_t progress;
        tdu::offers::folder_index_report_t report;
        std::string error;
        tdu::offers::folder_catalogue_t catalogue;
        first.push_back(seconds_of([&] {
            if (!catalogue.index(options, progress, report, error)) fail(error);
        }));
        if (report.read != infs) fail("read " + std::to_string(report.read) + " packages");
        std::string answer;
        match.push_back(seconds_of([&] {
            if (!catalogue.answer(devices, request.os_code, request.ansi_code_page, 8, answer)) fail("no answer");
        }));
        offers = static_cast<std::size_t>(std::count(answer.begin(), answer.end(), '\n'));
        tdu::offers::folder_catalogue_t later;
        again.push_back(seconds_of([&] {
            if (!later.index(options, progress, report, error)) fail(error);
        }));
        if (report.unchanged != infs) fail("the index file was not used");

        tdu::server::index_options_t service_options;
        service_options.packages = packages;
        service_options.catalogue = work / ("catalogue" + std::to_string(run) + ".db");
        tdu::server::index_report_t service_report;
        service.push_back(seconds_of([&] {
            if (!tdu::server::index_packages(service_options, service_report, error)) fail(error);
        }));
        if (service_report.added != infs) fail("the service indexed " + std::to_string(service_report.added));
    }
    fs::remove_all(work);

    const double per_k = 1000.0 / static_cast<double>(infs);
    const double f = median(first), a = median(again), m = median(match), s = median(service);
    std::printf("%ld INF files (%ld model lines each), %zu devices, median of %ld runs; answer of %zu lines\n", infs,
                per_inf, devices.size(), runs, offers);
    std::printf("  folder catalogue, first index      %8.3f s  %7.3f s per 1,000 INFs\n", f, f * per_k);
    std::printf("  folder catalogue, unchanged index  %8.3f s  %7.3f s per 1,000 INFs\n", a, a * per_k);
    std::printf("  matching %zu devices               %8.3f s\n", devices.size(), m);
    std::printf("  first scan's time to results       %8.3f s\n", f + m);
    std::printf("  service indexer (SQLite)           %8.3f s  %7.3f s per 1,000 INFs\n", s, s * per_k);
    std::printf("ratios: first index / service indexer %.2f; unchanged index / service indexer %.3f\n", f / s, a / s);
    return 0;
}
