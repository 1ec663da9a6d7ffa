// The scan's progress read by another thread while the scan runs (run under
// ThreadSanitizer): the counters and the current name are safe to read while
// the device list grows.
#include "devices/device_scan.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "devices/fake_setup_api.h"

using namespace tdu;
using namespace tdu::test;

TEST(ScanProgress, IsReadableWhileTheScanRuns)
{
    fake_setup_api_c api(generate_machine(5000));
    device_inventory_t inventory;
    scan_progress_t progress;

    std::atomic<bool> done{false};
    bool ok = false;
    std::thread scan([&] {
        ok = device_scan(inventory, api, progress);
        done = true;
    });

    // Poll like the scan view does, without a timer: the values only grow,
    // processed never passes total, and the name is always a whole copy.
    int32_t last_processed = 0;
    do {
        int32_t total = progress.total_nodes.load();
        int32_t processed = progress.processed_nodes.load();
        EXPECT_GE(processed, last_processed);
        if (total > 0) {
            EXPECT_LE(processed, total);
        }
        last_processed = processed;
        if (auto name = progress.current_name()) {
            EXPECT_EQ(name->rfind(u"Generated device ", 0), 0u);
        }
        std::this_thread::yield();
    } while (!done);
    scan.join();

    ASSERT_TRUE(ok);
    EXPECT_EQ(progress.total_nodes.load(), 5000);
    EXPECT_EQ(progress.processed_nodes.load(), 5000);
    // 30% of the nodes are duplicates or dropped.
    EXPECT_EQ(inventory.devices.size(), 3500u);
}
