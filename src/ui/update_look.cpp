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

u16 running_program_file()
{
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    return u16(u16ptr(path), n);
}

u16 updater_file()
{
    u16 exe = running_program_file();
    size_t slash = exe.find_last_of(u'\\');
    if (slash == u16::npos) return {};
    return exe.substr(0, slash + 1) + u"update\\update.exe";
}

} // namespace tdu
