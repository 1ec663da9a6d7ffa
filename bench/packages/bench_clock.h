#pragma once
// Timing for the side-by-side comparisons: the best of a few runs of each
// contender, in seconds.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace tdu::bench {

inline double seconds_of(const std::function<void()>& run)
{
    auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double best_of(int runs, const std::function<void()>& prepare, const std::function<void()>& run)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        prepare();
        double s = seconds_of(run);
        if (s < best) best = s;
    }
    return best;
}

// Runs a shell command; exits the benchmark when it fails.
inline void run_tool(const std::string& command)
{
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

} // namespace tdu::bench
