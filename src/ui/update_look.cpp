#include "ui/update_look.h"

#include "common/win32_text.h"
#include "packages/program_check_win32.h"
#include "service/update_client.h"

#include <windows.h>

#include <thread>

namespace tdu {

namespace {

void run_look(std::shared_ptr<update_look_job_t> job, u16 exe)
{
    win32_program_check_c check(std::move(exe));
    job->result = check_for_update(check, program_arch(), configured_answer_keys());
    job->done.store(1);
}

} // namespace

void update_look_c::start(const u16& exe)
{
    if (job_) return;
    job_ = std::make_shared<update_look_job_t>();
    std::thread(run_look, job_, exe).detach();
}

bool update_look_c::finished(update_result_t& result)
{
    if (!job_ || job_->done.load() == 0) return false;
    result = job_->result;
    job_.reset();
    return true;
}

} // namespace tdu
