// The scan task in the Task Scheduler, through its version 1 interfaces.
#include "system/scheduled_scan.h"

#include "common/win32_text.h"
#include "system/com_ptr_win32.h"

#include <mstask.h>

namespace tdu {
namespace {

constexpr DWORD name_chars = 300;

bool open_scheduler(com_ptr<ITaskScheduler>& scheduler)
{
    return SUCCEEDED(CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                                      scheduler.out_void()));
}

bool open_task(ITaskScheduler* scheduler, u16view name, com_ptr<ITask>& task)
{
    return SUCCEEDED(scheduler->Activate(wide(u16(name).c_str()), IID_ITask, task.out_unknown()));
}

bool save(ITask* task)
{
    com_ptr<IPersistFile> file;
    if (FAILED(task->QueryInterface(IID_IPersistFile, file.out_void()))) return false;
    return SUCCEEDED(file->Save(nullptr, TRUE));
}

class win32_task_scheduler_c final : public task_scheduler_c {
public:
    task_time_t local_now() override
    {
        SYSTEMTIME st;
        GetLocalTime(&st);
        task_time_t t;
        t.year = st.wYear;
        t.month = st.wMonth;
        t.day = st.wDay;
        t.day_of_week = st.wDayOfWeek;
        t.hour = st.wHour;
        t.minute = st.wMinute;
        return t;
    }

    u16 computer_name() override
    {
        wchar_t name[name_chars];
        DWORD n = name_chars;
        if (!GetComputerNameW(name, &n)) return u16();
        return u16(u16ptr(name), n);
    }

    u16 user_name() override
    {
        wchar_t name[name_chars];
        DWORD n = name_chars;
        if (!GetUserNameW(name, &n)) return u16();
        return u16(u16ptr(name));
    }

    bool create_task(const scheduled_task_t& description) override
    {
        com_ptr<ITaskScheduler> scheduler;
        if (!open_scheduler(scheduler)) return false;
        // NewWorkItem refuses an existing name on Windows; not every
        // scheduler does, and a new item saved over the old task would lose
        // the schedule the user set. Look first.
        com_ptr<ITask> existing;
        if (open_task(scheduler.get(), description.name, existing)) return false;

        com_ptr<ITask> task;
        if (FAILED(scheduler->NewWorkItem(wide(description.name.c_str()), CLSID_CTask, IID_ITask,
                                          task.out_unknown())))
            return false;
        if (FAILED(task->SetApplicationName(wide(description.application.c_str()))) ||
            FAILED(task->SetComment(wide(description.comment.c_str()))) ||
            FAILED(task->SetParameters(wide(description.parameters.c_str()))) ||
            FAILED(task->SetFlags(description.flags)) ||
            // No password: the task runs only while the user is logged on.
            FAILED(task->SetAccountInformation(wide(description.account.c_str()), nullptr)))
            return false;

        WORD index = 0;
        com_ptr<ITaskTrigger> trigger;
        if (FAILED(task->CreateTrigger(&index, trigger.out()))) return false;
        TASK_TRIGGER t;
        ZeroMemory(&t, sizeof t);
        t.cbTriggerSize = sizeof t;
        t.wBeginYear = description.trigger.begin_year;
        t.wBeginMonth = description.trigger.begin_month;
        t.wBeginDay = description.trigger.begin_day;
        t.wStartHour = description.trigger.start_hour;
        t.wStartMinute = description.trigger.start_minute;
        t.TriggerType = TASK_TIME_TRIGGER_WEEKLY;
        t.Type.Weekly.WeeksInterval = description.trigger.weeks_interval;
        t.Type.Weekly.rgfDaysOfTheWeek = description.trigger.days_of_week;
        if (FAILED(trigger->SetTrigger(&t))) return false;
        return save(task.get());
    }

    bool set_first_trigger_disabled(u16view task_name, bool disabled) override
    {
        com_ptr<ITaskScheduler> scheduler;
        com_ptr<ITask> task;
        if (!open_scheduler(scheduler) || !open_task(scheduler.get(), task_name, task)) return false;
        com_ptr<ITaskTrigger> trigger;
        if (FAILED(task->GetTrigger(0, trigger.out()))) return false;
        TASK_TRIGGER t;
        ZeroMemory(&t, sizeof t);
        t.cbTriggerSize = sizeof t;
        if (FAILED(trigger->GetTrigger(&t))) return false;
        t.rgFlags = trigger_flags_switched(t.rgFlags, disabled);
        if (FAILED(trigger->SetTrigger(&t))) return false;
        return save(task.get());
    }

    bool edit_task(u16view task_name, void* owner_window) override
    {
        com_ptr<ITaskScheduler> scheduler;
        com_ptr<ITask> task;
        if (!open_scheduler(scheduler) || !open_task(scheduler.get(), task_name, task)) return false;
        return SUCCEEDED(task->EditWorkItem(static_cast<HWND>(owner_window), 0));
    }
};

} // namespace

task_scheduler_c& win32_task_scheduler()
{
    static win32_task_scheduler_c scheduler;
    return scheduler;
}

} // namespace tdu
