#include "system/restore_point.h"

#include "common/program_title.h"

namespace tdu {

u16 restore_point_description(u16view package_name)
{
    u16 text = program_title;
    text += u": ";
    text += package_name;
    return text;
}

namespace {

restore_point_guard_t outcome(bool installed)
{
    return installed ? restore_point_guard_t::installed : restore_point_guard_t::failed;
}

} // namespace

restore_point_guard_t restore_point_run_c::guard(u16view package_name, const std::function<bool()>& install)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (state_ == restore_point_state_t::none) {
        // The lock is held through the first installation: one started
        // meanwhile waits, and then runs within the restore point's changes.
        restore_point_begin_t begun = system_.begin(restore_point_description(package_name));
        if (begun.made) {
            state_ = restore_point_state_t::made;
            bool installed = install();
            system_.end(begun.sequence, !installed);
            return outcome(installed);
        }
        state_ = restore_point_state_t::refused;
    }
    if (state_ == restore_point_state_t::refused && !allowed_without_) return restore_point_guard_t::no_restore_point;
    lock.unlock();
    return outcome(install());
}

void restore_point_run_c::turn_off()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ == restore_point_state_t::none) state_ = restore_point_state_t::off;
}

void restore_point_run_c::allow_without()
{
    std::lock_guard<std::mutex> lock(mutex_);
    allowed_without_ = true;
}

bool restore_point_run_c::allowed_without() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return allowed_without_;
}

bool restore_point_run_c::take_question()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (asked_) return false;
    asked_ = true;
    return true;
}

restore_point_state_t restore_point_run_c::state() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return state_;
}

} // namespace tdu
