// The one worker mechanism, also under ThreadSanitizer: results and failure
// codes reach the owner, exceptions become failures, stop requests reach
// the job, shutdown waits or reports what it abandons, and the shared record
// is freed by whichever of owner and thread finishes last.
#include "common/last_error.h"
#include "common/worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <new>
#include <stdexcept>
#include <thread>

using namespace tdu;

namespace {

// A flag one thread raises and another waits for (polled).
struct gate_c {
    std::atomic<bool> open{false};
    void wait() const
    {
        while (!open.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
};

// A starter that makes no threads, as a system out of resources would.
class refusing_threads_c final : public thread_starter_c {
public:
    int refused = 0;
    bool start(std::function<void()>) override
    {
        ++refused;
        return false;
    }
};

worker_result_t finish(worker_c& worker)
{
    worker.wait();
    std::optional<worker_result_t> result = worker.take_result();
    EXPECT_TRUE(result.has_value());
    return result.value_or(worker_result_t{});
}

} // namespace

TEST(Worker, OwnerCollectsStatusAndTheJobThreadsOwnErrorCode)
{
    struct case_t {
        const char* what;
        worker_c::job_t job;
        int32_t status;
        int32_t code;
    };
    const case_t cases[] = {
        {"success", [](const stop_flag_t&) { return 0; }, 0, 0},
        {"failure with a code", [](const stop_flag_t&) { set_last_error(error_device_list); return -1; }, -1,
         error_device_list},
        {"exception", [](const stop_flag_t&) -> int32_t { throw std::runtime_error("x"); }, -1,
         error_worker_exception},
        {"out of memory", [](const stop_flag_t&) -> int32_t { throw std::bad_alloc(); }, -1,
         error_worker_exception},
        {"anything thrown", [](const stop_flag_t&) -> int32_t { throw 7; }, -1, error_worker_exception},
    };
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.what);
        worker_c worker;
        EXPECT_FALSE(worker.held());
        ASSERT_TRUE(worker.start(c.job));
        worker_result_t result = finish(worker);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.error_code, c.code);
        EXPECT_FALSE(worker.held());
        EXPECT_FALSE(worker.take_result().has_value());  // collected once
    }
}

TEST(Worker, ACodeSetOnAnotherThreadNeverReachesTheOwner)
{
    // A failing download elsewhere must not change what a scan reports.
    set_last_error(error_download_too_large);
    worker_c scan;
    worker_c download;
    auto gate = std::make_shared<gate_c>();
    ASSERT_TRUE(scan.start([gate](const stop_flag_t&) { gate->wait(); set_last_error(error_bad_response); return -1; }));
    ASSERT_TRUE(download.start([](const stop_flag_t&) { set_last_error(error_download_write); return -1; }));
    EXPECT_EQ(finish(download).error_code, error_download_write);
    gate->open = true;
    EXPECT_EQ(finish(scan).error_code, error_bad_response);
    EXPECT_EQ(get_last_error(), error_download_too_large);  // this thread's own code
}

TEST(Worker, RefusesASecondStartUntilTheFirstIsCollected)
{
    worker_c worker;
    auto gate = std::make_shared<gate_c>();
    ASSERT_TRUE(worker.start([gate](const stop_flag_t&) { gate->wait(); return 1; }));
    EXPECT_TRUE(worker.running());
    EXPECT_FALSE(worker.take_result().has_value());
    EXPECT_FALSE(worker.start([](const stop_flag_t&) { return 2; }));
    gate->open = true;
    worker.wait();
    EXPECT_FALSE(worker.running());
    EXPECT_TRUE(worker.held());
    EXPECT_FALSE(worker.start([](const stop_flag_t&) { return 2; }));  // ended, not yet collected
    EXPECT_EQ(worker.take_result()->status, 1);
    ASSERT_TRUE(worker.start([](const stop_flag_t&) { return 2; }));
    EXPECT_EQ(finish(worker).status, 2);
}

TEST(Worker, NoThreadMeansNoJobAndNothingHeld)
{
    refusing_threads_c threads;
    worker_c worker(threads);
    bool ran = false;
    EXPECT_FALSE(worker.start([&ran](const stop_flag_t&) { ran = true; return 0; }));
    EXPECT_EQ(threads.refused, 1);
    EXPECT_FALSE(ran);
    EXPECT_FALSE(worker.held());
    EXPECT_FALSE(worker.running());
    EXPECT_EQ(running_worker_count(), 0);
}

TEST(Worker, AStopRequestReachesTheJobAtItsNextCheckpoint)
{
    worker_c worker;
    std::atomic<int> checkpoints{0};
    ASSERT_TRUE(worker.start([&checkpoints](const stop_flag_t& stop) {
        while (stop.load() == 0) {
            checkpoints.fetch_add(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return -1;
    }));
    while (checkpoints.load() < 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    worker.request_stop();
    EXPECT_EQ(finish(worker).status, -1);
}

TEST(Worker, AStopFlagHandedInIsTheOneTheJobReads)
{
    auto flag = std::make_shared<stop_flag_t>(0);
    worker_c worker;
    ASSERT_TRUE(worker.start([](const stop_flag_t& stop) {
        while (stop.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return 5;
    }, flag));
    flag->store(1);  // as a transfer's own pause does
    EXPECT_EQ(finish(worker).status, 5);
    flag->store(0);
    ASSERT_TRUE(worker.start([](const stop_flag_t& stop) {
        while (stop.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return 6;
    }, flag));
    worker.request_stop();
    EXPECT_EQ(finish(worker).status, 6);
    EXPECT_EQ(flag->load(), 1);
}

TEST(Worker, ShutdownStopsEveryRunningJobAndWaitsForIt)
{
    auto ended = std::make_shared<std::atomic<int>>(0);
    {
        worker_c a;
        worker_c b;
        for (worker_c* w : {&a, &b}) {
            ASSERT_TRUE(w->start([ended](const stop_flag_t& stop) {
                while (stop.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                ended->fetch_add(1);
                return 0;
            }));
        }
        EXPECT_EQ(running_worker_count(), 2);
        EXPECT_TRUE(stop_all_workers(10000));
        EXPECT_EQ(ended->load(), 2);
        EXPECT_EQ(running_worker_count(), 0);
        EXPECT_EQ(finish(a).status, 0);  // the owner collects the end as usual
    }
}

TEST(Worker, ShutdownReportsAJobThatDoesNotStopInTime)
{
    auto gate = std::make_shared<gate_c>();
    {
        worker_c stubborn;
        ASSERT_TRUE(stubborn.start([gate](const stop_flag_t&) { gate->wait(); return 0; }));
        EXPECT_FALSE(stop_all_workers(20));
        EXPECT_EQ(running_worker_count(), 1);
    }  // the owner lets go; the job is abandoned, not freed under
    gate->open = true;
    EXPECT_TRUE(stop_all_workers(10000));
}

TEST(Worker, AJobWhoseOwnerLetGoThrowsAloneAndTheProcessGoesOn)
{
    auto done = std::make_shared<std::atomic<bool>>(false);
    {
        worker_c orphan;
        ASSERT_TRUE(orphan.start([done](const stop_flag_t&) -> int32_t {
            done->store(true);
            throw std::bad_alloc();
        }));
    }
    EXPECT_TRUE(stop_all_workers(10000));
    EXPECT_TRUE(done->load());
}

TEST(Worker, AJobOutlivesItsOwnerAndFinishesAlone)
{
    auto gate = std::make_shared<gate_c>();
    auto answer = std::make_shared<std::atomic<int>>(0);
    auto payload = std::make_shared<int>(7);
    auto stopped = std::make_shared<std::atomic<int>>(0);
    {
        worker_c worker;
        ASSERT_TRUE(worker.start([gate, answer, payload, stopped](const stop_flag_t& stop) {
            gate->wait();
            stopped->store(stop.load());
            answer->store(*payload * 6);
            return 0;
        }));
    }  // the owner lets go while its job waits; the job goes on unstopped
    payload.reset();
    gate->open = true;
    while (answer->load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(answer->load(), 42);
    EXPECT_EQ(stopped->load(), 0);
    EXPECT_TRUE(stop_all_workers(10000));
}

TEST(Worker, OwnersAndJobsEndingInAnyOrder)
{
    std::atomic<int> ran{0};
    for (int i = 0; i < 200; ++i) {
        worker_c worker;
        ASSERT_TRUE(worker.start([&ran, i](const stop_flag_t&) {
            if (i % 3 == 0) std::this_thread::yield();
            ran.fetch_add(1);
            return i;
        }));
        if (i % 2 == 0) EXPECT_EQ(finish(worker).status, i);
    }
    EXPECT_TRUE(stop_all_workers(10000));
    EXPECT_EQ(ran.load(), 200);
    // Records of the jobs whose owners went first are freed by the jobs
    // themselves: LeakSanitizer would report any that were not.
}
