#pragma once
// update_look_c: the window program's weekly look for a newer version of
// itself after a scan (ui/model/update_check_model.h decides when). The
// check runs on a worker of its own, never on the interface thread; the
// main window polls it on a timer and hands what it found to the results
// view's header. It never updates anything: the header's text, clicked,
// opens the updater, which asks the user.
#include "packages/program_update.h"

#include <atomic>
#include <memory>

namespace tdu {

// One look, shared by the worker and the window.
struct update_look_job_t {
    std::atomic<int32_t> done{0};
    update_result_t result;  // written by the worker before done, read after
};

class update_look_c {
public:
    // Starts a look of the program file `exe` on a worker.
    void start(const u16& exe);
    bool running() const { return job_ != nullptr; }
    // True once the worker has ended, with its result; the look is over then.
    bool finished(update_result_t& result);

private:
    std::shared_ptr<update_look_job_t> job_;
};

} // namespace tdu
