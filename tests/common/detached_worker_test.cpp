// The worker helper under ThreadSanitizer: whichever of owner and thread
// finishes last frees the shared record, in both orders.
#include "common/detached_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

using namespace tdu;

TEST(DetachedWorker, OwnerReadsTheResultOfAWorkerThatEndedFirst)
{
    detached_worker_t worker;
    EXPECT_FALSE(worker.running());
    ASSERT_TRUE(worker.start([] { return 42; }));
    worker.wait();
    EXPECT_FALSE(worker.running());
    EXPECT_EQ(worker.result(), 42);
    ASSERT_TRUE(worker.start([] { return -1; }));
    worker.wait();
    EXPECT_EQ(worker.result(), -1);
}

TEST(DetachedWorker, RefusesASecondStartWhileTheFirstRuns)
{
    detached_worker_t worker;
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
    ASSERT_TRUE(worker.start([gate] { gate.wait(); return 1; }));
    EXPECT_TRUE(worker.running());
    EXPECT_FALSE(worker.start([] { return 2; }));
    release.set_value();
    worker.wait();
    EXPECT_EQ(worker.result(), 1);
}

TEST(DetachedWorker, AWorkerOutlivesItsOwnerAndFinishesAlone)
{
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
    auto finished = std::make_shared<std::promise<int>>();
    std::future<int> done = finished->get_future();
    auto payload = std::make_shared<int>(7);
    {
        detached_worker_t worker;
        ASSERT_TRUE(worker.start([gate, finished, payload] {
            gate.wait();
            finished->set_value(*payload * 6);
            return 0;
        }));
    }  // the owner lets go while its worker waits
    payload.reset();
    release.set_value();
    EXPECT_EQ(done.get(), 42);
}

TEST(DetachedWorker, OwnersAndWorkersEndingInAnyOrder)
{
    std::atomic<int> ran{0};
    for (int i = 0; i < 200; ++i) {
        detached_worker_t worker;
        ASSERT_TRUE(worker.start([&ran, i] {
            if (i % 3 == 0) std::this_thread::yield();
            ran.fetch_add(1);
            return i;
        }));
        if (i % 2 == 0) {
            worker.wait();
            EXPECT_EQ(worker.result(), i);
        }
    }
    while (ran.load() < 200) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // Records of the workers whose owners went first are freed by the
    // workers themselves: LeakSanitizer would report any that were not.
}
