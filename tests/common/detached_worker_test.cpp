// The worker helper under ThreadSanitizer: whichever of owner and thread
// finishes last frees the shared record, in both orders.
#include "common/detached_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <new>
#include <stdexcept>
#include <thread>

using namespace tdu;

namespace {

// A flag one thread raises and another waits for (polled: see wait()).
struct gate_t {
    std::atomic<bool> open{false};
    void wait() const
    {
        while (!open.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
};

} // namespace

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
    auto gate = std::make_shared<gate_t>();
    ASSERT_TRUE(worker.start([gate] { gate->wait(); return 1; }));
    EXPECT_TRUE(worker.running());
    EXPECT_FALSE(worker.start([] { return 2; }));
    gate->open = true;
    worker.wait();
    EXPECT_EQ(worker.result(), 1);
}

TEST(DetachedWorker, AWorkerOutlivesItsOwnerAndFinishesAlone)
{
    auto gate = std::make_shared<gate_t>();
    auto answer = std::make_shared<std::atomic<int>>(0);
    auto payload = std::make_shared<int>(7);
    {
        detached_worker_t worker;
        ASSERT_TRUE(worker.start([gate, answer, payload] {
            gate->wait();
            answer->store(*payload * 6);
            return 0;
        }));
    }  // the owner lets go while its worker waits
    payload.reset();
    gate->open = true;
    while (answer->load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(answer->load(), 42);
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

TEST(DetachedWorker, AProcedureThatThrowsEndsAsAFailureNotTheProcess)
{
    detached_worker_t worker;
    ASSERT_TRUE(worker.start([]() -> int32_t { throw std::runtime_error("no room"); }));
    worker.wait();
    EXPECT_FALSE(worker.running());
    EXPECT_EQ(worker.result(), worker_failed);
    // The owner can start its next worker as after any other end.
    ASSERT_TRUE(worker.start([]() -> int32_t { throw 7; }));
    worker.wait();
    EXPECT_EQ(worker.result(), worker_failed);
    ASSERT_TRUE(worker.start([] { return 5; }));
    worker.wait();
    EXPECT_EQ(worker.result(), 5);

    // One whose owner has let go throws alone, and the process goes on.
    auto done = std::make_shared<std::atomic<bool>>(false);
    {
        detached_worker_t orphan;
        ASSERT_TRUE(orphan.start([done]() -> int32_t {
            done->store(true);
            throw std::bad_alloc();
        }));
    }
    while (!done->load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}
