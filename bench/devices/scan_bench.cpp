// The device scan of a generated machine through the fake Setup API, and the
// result groups built from it. The scan must grow linearly with the number
// of nodes: nodes per second at 1,000, 10,000 and 40,000 nodes should stay
// about the same. The program ends with the per-node ratio: CPU time per
// node at 40,000 nodes against that at 1,000 (medians of 5 repetitions in the
// steady state of repeated scans; goal: at most 1.3). The first scan into
// a fresh inventory is timed apart and printed on its own: its records, 6 KB
// each, land on pages the system has to hand out and zero, a cost of the
// machine's page faults that a 40,000-node run (one iteration long) would
// otherwise count in full and a 1,000-node run (hundreds of iterations)
// not at all.
//
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTDU_BUILD_BENCH=ON
//   cmake --build build/bench --target devices_scan_bench
//   build/bench/bench/devices_scan_bench
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "median_report.h"

#include "devices/device_scan.h"
#include "devices/fake_setup_api.h"
#include "devices/offer_grouping.h"

using namespace tdu;
using namespace tdu::test;

namespace {

// One offer per kept device; every fifth device shares its package with the
// device before it, so groups of one and of several devices occur.
void attach_offers(device_inventory_t& inventory)
{
    for (size_t i = 0; i < inventory.devices.size(); ++i) {
        device_t& d = inventory.devices[i];
        d.offers.reset(new driver_offer_t[1]());
        d.offer_count = 1;
        std::string link = "http://127.0.0.1:8080/packages/" + std::to_string(i % 5 == 4 ? i - 1 : i) + ".zip";
        copy_field(d.offers[0].link, offer_link_bytes, link);
        d.best_offer = d.latest_offer = &d.offers[0];
        d.best_offer_better = i % 3 == 0;
    }
}

void scan_and_group(benchmark::State& state)
{
    const int nodes = static_cast<int>(state.range(0));
    fake_setup_api_c api(generate_machine(nodes));
    device_inventory_t inventory;
    offer_grouping_t grouping;
    size_t kept = 0, groups = 0;
    scan_progress_t first;
    if (!device_scan(inventory, api, first)) state.SkipWithError("scan failed");
    for (auto _ : state) {
        scan_progress_t progress;
        if (!device_scan(inventory, api, progress)) state.SkipWithError("scan failed");
        state.PauseTiming();
        attach_offers(inventory);
        state.ResumeTiming();
        offer_grouping_build(grouping, inventory.devices.data(), static_cast<int32_t>(inventory.devices.size()),
                             grouping_by_best_offer);
        kept = inventory.devices.size();
        groups = grouping.groups.size();
    }
    state.counters["nodes/s"] = benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["kept"] = static_cast<double>(kept);
    state.counters["groups"] = static_cast<double>(groups);
}

void scan_only(benchmark::State& state)
{
    const int nodes = static_cast<int>(state.range(0));
    fake_setup_api_c api(generate_machine(nodes));
    device_inventory_t inventory;
    scan_progress_t first;
    std::clock_t start = std::clock();
    if (!device_scan(inventory, api, first)) state.SkipWithError("scan failed");
    double first_ms = static_cast<double>(std::clock() - start) * 1e3 / CLOCKS_PER_SEC;
    for (auto _ : state) {
        scan_progress_t progress;
        if (!device_scan(inventory, api, progress)) state.SkipWithError("scan failed");
    }
    state.counters["nodes/s"] = benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["first_scan_ms"] = first_ms;
}

} // namespace

BENCHMARK(scan_and_group)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Repetitions(5)->DisplayAggregatesOnly();
BENCHMARK(scan_only)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Repetitions(5)->DisplayAggregatesOnly();

int main(int argc, char** argv)
{
    tdu::bench::median_report_c report;
    tdu::bench::run_benchmarks(argc, argv, report);
    double small = report.median("scan_only/1000") / 1000;
    double large = report.median("scan_only/40000") / 40000;
    if (small > 0 && large > 0) {
        std::printf("scan per-node ratio (CPU time per node at 40,000 / at 1,000 nodes, medians): %.2f\n",
                    large / small);
        double grouped_small = report.median("scan_and_group/1000") / 1000;
        double grouped_large = report.median("scan_and_group/40000") / 40000;
        if (grouped_small > 0 && grouped_large > 0)
            std::printf("  scan and grouping, the same ratio: %.2f\n", grouped_large / grouped_small);
        std::printf("  first scan into a fresh inventory: %.0f ms CPU at 1,000 nodes, %.0f ms at 40,000"
                    " (steady %.1f / %.0f ms)\n", report.median_counter("scan_only/1000", "first_scan_ms"),
                    report.median_counter("scan_only/40000", "first_scan_ms"), small * 1000 * 1e3,
                    large * 40000 * 1e3);
    }
    return 0;
}
