// Runs one index run and ends itself with SIGKILL at its step number N (as
// a crash or kill -9 would end it there), for the tests of what a
// half-done run leaves behind:
//
//   server_index_step_helper CATALOGUE PACKAGES STORE N
//
// Prints the step it was killed at; prints "finished" (exit 0) when the run
// has fewer steps than N, "failed: REASON" (exit 1) when it failed.
#include "catalogue/indexer.h"

#include <csignal>
#include <cstdlib>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 5) return 2;
    tdu::server::index_options_t options;
    options.catalogue = argv[1];
    options.packages = argv[2];
    options.zip_folder = argv[3];
    options.keep_retired = std::chrono::seconds(0);
    const long stop_at = std::atol(argv[4]);
    long steps = 0;
    options.on_step = [&](const std::string& step) {
        if (++steps < stop_at) return;
        std::cout << step << std::endl;
        std::raise(SIGKILL);
    };
    tdu::server::index_report_t report;
    std::string error;
    if (!tdu::server::index_packages(options, report, error)) {
        std::cout << "failed: " << error << std::endl;
        return 1;
    }
    std::cout << "finished" << std::endl;
    return 0;
}
