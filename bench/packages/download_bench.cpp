// Download throughput on loopback: a 200 MiB package fetched by a download
// session (transfer thread, file writer, completion check) against curl's
// command-line tool fetching the same address from the same server, in the
// same run. Prints both rates and their ratio (goal: at least 1.0).
#include "bench_clock.h"

#include "common/files.h"
#include "packages/download_session.h"
#include "support/server_access.h"
#include "support/test_pattern.h"
#include "support/test_support.h"

#include <cstdio>
#include <filesystem>
#include <thread>

using namespace tdu;
namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
    int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    size_t size = mib << 20;
    test::temp_dir_c dir;
    test::server_put_file("bench/package.zip", test::pattern_bytes(0, size));
    std::string url = test::server_url("/files/bench/package.zip");
    fs::path curl_out = dir.path() / "curl.out";

    bench::contender_t ours{
        [&] {
            fs::remove_all(dir.path() / "dl");
            fs::create_directories(dir.path() / "dl");
        },
        [&] {
            download_session_list_c sessions;
            sessions.settings.download_folder = utf8_to_utf16((dir.path() / "dl").u8string());
            auto s = sessions.find_or_create(url, static_cast<uint32_t>(size));
            s->start();
            while (s->check_completion() == completion_t::running)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (s->state() != download_complete) {
                std::fprintf(stderr, "the download ended in state %d\n", static_cast<int>(s->state()));
                std::exit(1);
            }
        }};
    bench::contender_t curl{[&] { fs::remove(curl_out); },
                            [&] { bench::run_tool("curl -s -f -o '" + curl_out.string() + "' '" + url + "'"); }};
    bench::race(runs, ours, curl);

    double mb = static_cast<double>(size) / 1e6;
    std::printf("download of %zu MiB on loopback, best of %d\n", mib, runs);
    std::printf("  download session  %8.1f MB/s  (%.3f s)\n", mb / ours.best, ours.best);
    std::printf("  curl              %8.1f MB/s  (%.3f s)\n", mb / curl.best, curl.best);
    std::printf("download throughput ratio (session / curl): %.2f\n", curl.best / ours.best);
    return 0;
}
