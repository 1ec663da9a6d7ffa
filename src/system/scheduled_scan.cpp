#include "system/scheduled_scan.h"

#include "common/program_title.h"

namespace tdu {

weekly_trigger_t weekly_trigger_from(const task_time_t& now)
{
    // The scheduler refuses minute 60, so the start carries instead; the
    // weekday is the start's own, or the first run would be a week late.
    task_time_t start = add_one_minute(now);
    weekly_trigger_t t;
    t.begin_year = start.year;
    t.begin_month = start.month;
    t.begin_day = start.day;
    t.start_hour = start.hour;
    t.start_minute = start.minute;
    t.weeks_interval = 1;
    t.days_of_week = static_cast<uint16_t>(1u << (start.day_of_week % 7));
    return t;
}

scheduled_task_t scan_task(u16view program_path, const task_time_t& now, u16view computer, u16view user)
{
    scheduled_task_t task;
    task.name = program_title;
    task.application = u16(program_path);
    task.parameters = scan_task_parameters;
    task.comment = scan_task_comment;
    task.flags = scan_task_flags;
    task.account = u16(computer) + u"\\" + u16(user);
    task.trigger = weekly_trigger_from(now);
    return task;
}

bool schedule_task_create(task_scheduler_c& scheduler, u16view program_path)
{
    u16view path = program_path;
    return scheduler.create_task(
        scan_task(path, scheduler.local_now(), scheduler.computer_name(), scheduler.user_name()));
}

uint32_t trigger_flags_switched(uint32_t flags, bool disabled)
{
    return disabled ? flags | task_trigger_flag_disabled : flags & ~task_trigger_flag_disabled;
}

bool schedule_task_enable(task_scheduler_c& scheduler, bool enabled)
{
    return scheduler.set_first_trigger_disabled(program_title, !enabled);
}

bool schedule_task_edit(task_scheduler_c& scheduler, void* owner_window)
{
    return scheduler.edit_task(program_title, owner_window);
}

} // namespace tdu
