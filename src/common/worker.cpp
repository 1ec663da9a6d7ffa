#include "common/worker.h"

#include "common/last_error.h"

#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>

namespace tdu {

// What owner and thread share for one job. Each side holds a shared
// pointer, which is what makes "whichever finishes last frees it" hold.
struct worker_c::record_t {
    std::mutex lock;
    std::condition_variable ended;
    bool alive = true;  // the job has not returned yet
    worker_result_t result;
    std::shared_ptr<stop_flag_t> stop;
};

namespace {

// The stop flags of the running jobs, for shutdown. Made once and never
// freed: a job abandoned at exit may still end after static destructors
// have run, and must then find its lock intact.
struct running_jobs_t {
    std::mutex lock;
    std::condition_variable changed;
    std::list<std::shared_ptr<stop_flag_t>> stops;
};

running_jobs_t& running_jobs()
{
    static running_jobs_t* jobs = new running_jobs_t;
    return *jobs;
}

std::list<std::shared_ptr<stop_flag_t>>::iterator add_running(const std::shared_ptr<stop_flag_t>& stop)
{
    running_jobs_t& jobs = running_jobs();
    std::lock_guard<std::mutex> g(jobs.lock);
    return jobs.stops.insert(jobs.stops.end(), stop);
}

void remove_running(std::list<std::shared_ptr<stop_flag_t>>::iterator it)
{
    running_jobs_t& jobs = running_jobs();
    std::lock_guard<std::mutex> g(jobs.lock);
    jobs.stops.erase(it);
    jobs.changed.notify_all();
}

} // namespace

worker_c::worker_c(thread_starter_c& threads) : threads_(threads) {}

worker_c::~worker_c() = default;

bool worker_c::start(job_t job)
{
    return start(std::move(job), std::make_shared<stop_flag_t>(0));
}

bool worker_c::start(job_t job, std::shared_ptr<stop_flag_t> stop)
{
    if (held_ || !job || !stop) return false;
    auto record = std::make_shared<record_t>();
    record->stop = std::move(stop);
    auto running = add_running(record->stop);
    bool started = threads_.start([record, running, job = std::move(job)]() mutable {
        worker_result_t result;
        set_last_error(0);
        try {
            result.status = job(*record->stop);
        } catch (...) {
            result.status = -1;
            set_last_error(error_worker_exception);
        }
        result.error_code = get_last_error();
        // Whatever the job holds goes before shutdown is told it ended, and
        // shutdown is told before the owner: once either sees the end,
        // nothing of the job is left but this record.
        job = nullptr;
        remove_running(running);
        std::lock_guard<std::mutex> g(record->lock);
        record->result = result;
        record->alive = false;
        record->ended.notify_all();
    });
    if (!started) {
        remove_running(running);
        return false;
    }
    record_ = std::move(record);
    held_ = true;
    return true;
}

bool worker_c::running() const
{
    if (!record_) return false;
    std::lock_guard<std::mutex> g(record_->lock);
    return record_->alive;
}

std::optional<worker_result_t> worker_c::take_result()
{
    if (!record_) return std::nullopt;
    worker_result_t result;
    {
        std::lock_guard<std::mutex> g(record_->lock);
        if (record_->alive) return std::nullopt;
        result = record_->result;
    }
    record_.reset();
    held_ = false;
    return result;
}

void worker_c::wait() const
{
    if (!record_) return;
    std::unique_lock<std::mutex> g(record_->lock);
    record_->ended.wait(g, [this] { return !record_->alive; });
}

void worker_c::request_stop()
{
    if (record_) record_->stop->store(1);
}

bool stop_all_workers(uint32_t wait_ms)
{
    running_jobs_t& jobs = running_jobs();
    std::unique_lock<std::mutex> g(jobs.lock);
    for (const auto& stop : jobs.stops) stop->store(1);
    return jobs.changed.wait_for(g, std::chrono::milliseconds(wait_ms), [&jobs] { return jobs.stops.empty(); });
}

int running_worker_count()
{
    running_jobs_t& jobs = running_jobs();
    std::lock_guard<std::mutex> g(jobs.lock);
    return static_cast<int>(jobs.stops.size());
}

} // namespace tdu
