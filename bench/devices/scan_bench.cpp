// The device scan of a generated machine through the fake Setup API, and the
// result groups built from it. The scan must grow linearly with the number
// of nodes: nodes per second at 1,000, 10,000 and 40,000 nodes should stay
// about the same.
//
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTDU_BUILD_BENCH=ON
//   cmake --build build/bench --target devices_scan_bench
//   build/bench/bench/devices_scan_bench
#include <benchmark/benchmark.h>

#include <string>

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
    for (auto _ : state) {
        scan_progress_t progress;
        if (!device_scan(inventory, api, progress)) state.SkipWithError("scan failed");
    }
    state.counters["nodes/s"] = benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(scan_and_group)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(scan_only)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
