#pragma once
// The weekly scan: a task of the system's Task Scheduler (the version 1
// interfaces) that starts the program with "--autorun" once a week. The
// settings dialog creates it, switches its first trigger on and off, and
// opens the scheduler's own property sheet for it; the program never deletes
// it.
#include "common/text.h"
#include "system/local_time.h"

#include <cstdint>

namespace tdu {

// Task flags: interactive, do not start on batteries, stop when going on
// batteries, run only while the user is logged on.
constexpr uint32_t scan_task_flags = 0x20C1;
// The trigger flag that switches a trigger off.
constexpr uint32_t task_trigger_flag_disabled = 4;
constexpr char16_t scan_task_parameters[] = u"--autorun";
constexpr char16_t scan_task_comment[] =
    u"Tavrill Driver Updater automatically scan, keep your drivers up to date.";

// Every week on one weekday, from a begin date at a start time.
struct weekly_trigger_t {
    uint16_t begin_year = 0;
    uint16_t begin_month = 0;
    uint16_t begin_day = 0;
    uint16_t start_hour = 0;
    uint16_t start_minute = 0;
    uint16_t weeks_interval = 1;
    uint16_t days_of_week = 0;  // bit 0 Sunday to bit 6 Saturday
};

struct scheduled_task_t {
    u16 name;
    u16 application;
    u16 parameters;
    u16 comment;
    uint32_t flags = 0;
    u16 account;  // computer\user, no password
    weekly_trigger_t trigger;
};

// Where the task lives: the Task Scheduler on Windows, a table in native
// tests. COM is initialised by start-up on the calling thread; each call
// makes its own scheduler object and releases everything before it returns.
class task_scheduler_c {
public:
    virtual ~task_scheduler_c() = default;
    virtual task_time_t local_now() = 0;
    virtual u16 computer_name() = 0;  // empty when it cannot be read
    virtual u16 user_name() = 0;      // empty when it cannot be read
    // Makes and saves the task; false when a task of that name exists (it is
    // left as it is) or any step fails.
    virtual bool create_task(const scheduled_task_t& task) = 0;
    // Sets or clears the disabled flag of the task's first trigger, keeping
    // the rest of the trigger (its other flags too: an end date the user set
    // stays) as it is, and saves the task.
    virtual bool set_first_trigger_disabled(u16view task_name, bool disabled) = 0;
    // Opens the scheduler's property sheet of the task, owned by
    // `owner_window`, and returns when the user closes it.
    virtual bool edit_task(u16view task_name, void* owner_window) = 0;
};

// The trigger of a task created at `now`: weekly, every week, starting one
// minute from now (carried into the next hour, day, month or year where
// needed) on that minute's weekday.
weekly_trigger_t weekly_trigger_from(const task_time_t& now);

// The scan task of a program at `program_path`, created at `now` by the user
// `computer`\`user`.
scheduled_task_t scan_task(u16view program_path, const task_time_t& now, u16view computer, u16view user);

// Trigger flags with the disabled flag set or cleared and the others kept.
uint32_t trigger_flags_switched(uint32_t flags, bool disabled);

// Creates the scan task for the program at `program_path` (the running
// program's path); false when it exists already (nothing changes) or cannot
// be made.
bool schedule_task_create(task_scheduler_c& scheduler, u16view program_path);
// Switches the existing task's first trigger on or off; only its disabled
// flag changes.
bool schedule_task_enable(task_scheduler_c& scheduler, bool enabled);
// The scheduler's own property sheet of the task.
bool schedule_task_edit(task_scheduler_c& scheduler, void* owner_window);

// The Task Scheduler over COM (Windows build only).
task_scheduler_c& win32_task_scheduler();

} // namespace tdu
