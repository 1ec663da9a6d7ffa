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

bool restore_point_run_c::guard(u16view package_name, const std::function<bool()>& install)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (state_ != restore_point_state_t::none) {
        lock.unlock();
        return install();
    }
    // The lock is held through the first installation: one started
    // meanwhile waits, and then runs within the restore point's changes.
    restore_point_begin_t begun = system_.begin(restore_point_description(package_name));
    state_ = begun.made ? restore_point_state_t::made : restore_point_state_t::refused;
    bool installed = install();
    if (begun.made) system_.end(begun.sequence, !installed);
    return installed;
}

restore_point_state_t restore_point_run_c::state() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return state_;
}

} // namespace tdu
