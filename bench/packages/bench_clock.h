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

struct contender_t {
    std::function<void()> prepare;
    std::function<void()> run;
    double best = 1e30;
};

// Runs two contenders in turns, so that a machine busy with other work
// slows both alike, and keeps each one's best time.
inline void race(int runs, contender_t& a, contender_t& b)
{
    for (int i = 0; i < runs; ++i) {
        for (contender_t* c : {&a, &b}) {
            c->prepare();
            double s = seconds_of(c->run);
            if (s < c->best) c->best = s;
        }
    }
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
