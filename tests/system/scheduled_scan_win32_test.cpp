// The scan task in Wine's Task Scheduler: created, read back through the
// scheduler's own interfaces, switched off and on, and deleted afterwards.
#include "app/environment.h"
#include "system/scheduled_scan.h"

#include "common/win32_text.h"

#include <gtest/gtest.h>

#include <mstask.h>
#include <objbase.h>

#include <string>

using namespace tdu;

namespace {

const wchar_t task_name[] = L"Tavrill Driver Updater";

ITaskScheduler* open_scheduler()
{
    ITaskScheduler* scheduler = nullptr;
    CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                     reinterpret_cast<void**>(&scheduler));
    return scheduler;
}

// What the scheduler holds for the task, read without the code under test.
struct read_back_t {
    bool found = false;
    std::wstring application, parameters, comment;
    DWORD flags = 0;
    WORD trigger_count = 0;
    TASK_TRIGGER trigger{};
};

std::wstring take(LPWSTR s)
{
    std::wstring text = s ? s : L"";
    CoTaskMemFree(s);
    return text;
}

read_back_t read_task()
{
    read_back_t r;
    ITaskScheduler* scheduler = open_scheduler();
    if (!scheduler) return r;
    ITask* task = nullptr;
    if (SUCCEEDED(scheduler->Activate(task_name, IID_ITask, reinterpret_cast<IUnknown**>(&task)))) {
        r.found = true;
        LPWSTR s = nullptr;
        if (SUCCEEDED(task->GetApplicationName(&s))) r.application = take(s);
        if (SUCCEEDED(task->GetParameters(&s))) r.parameters = take(s);
        if (SUCCEEDED(task->GetComment(&s))) r.comment = take(s);
        task->GetFlags(&r.flags);
        task->GetTriggerCount(&r.trigger_count);
        ITaskTrigger* trigger = nullptr;
        if (SUCCEEDED(task->GetTrigger(0, &trigger))) {
            r.trigger.cbTriggerSize = sizeof r.trigger;
            trigger->GetTrigger(&r.trigger);
            trigger->Release();
        }
        task->Release();
    }
    scheduler->Release();
    return r;
}

// Stands for the user's own schedule from the property sheet: daily at
// 07:15 until an end date.
void set_daily_schedule()
{
    ITaskScheduler* scheduler = open_scheduler();
    ASSERT_TRUE(scheduler);
    ITask* task = nullptr;
    ASSERT_HRESULT_SUCCEEDED(scheduler->Activate(task_name, IID_ITask, reinterpret_cast<IUnknown**>(&task)));
    ITaskTrigger* trigger = nullptr;
    ASSERT_HRESULT_SUCCEEDED(task->GetTrigger(0, &trigger));
    TASK_TRIGGER t{};
    t.cbTriggerSize = sizeof t;
    trigger->GetTrigger(&t);
    t.TriggerType = TASK_TIME_TRIGGER_DAILY;
    t.Type.Daily.DaysInterval = 2;
    t.wStartHour = 7;
    t.wStartMinute = 15;
    t.wEndYear = 2030;
    t.wEndMonth = 6;
    t.wEndDay = 1;
    t.rgFlags = TASK_TRIGGER_FLAG_HAS_END_DATE;
    EXPECT_HRESULT_SUCCEEDED(trigger->SetTrigger(&t));
    IPersistFile* file = nullptr;
    task->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    EXPECT_HRESULT_SUCCEEDED(file->Save(nullptr, TRUE));
    file->Release();
    trigger->Release();
    task->Release();
    scheduler->Release();
}

void delete_task()
{
    if (ITaskScheduler* scheduler = open_scheduler()) {
        scheduler->Delete(task_name);
        scheduler->Release();
    }
}

task_time_t now()
{
    return win32_task_scheduler().local_now();
}

bool starts_at(const TASK_TRIGGER& t, const task_time_t& start)
{
    return t.wBeginYear == start.year && t.wBeginMonth == start.month && t.wBeginDay == start.day &&
           t.wStartHour == start.hour && t.wStartMinute == start.minute &&
           t.Type.Weekly.rgfDaysOfTheWeek == (1u << start.day_of_week);
}

// The running program's path, as start-up captured it.
u16 program_path()
{
    return u16(environment.program_path);
}

class ScheduledScanWin32 : public testing::Test {
protected:
    void SetUp() override
    {
        delete_task();
        GetModuleFileNameW(nullptr, wide(environment.program_path), path_chars);
    }
    void TearDown() override
    {
        delete_task();
        environment = environment_t{};
    }
};

} // namespace

TEST_F(ScheduledScanWin32, CreateReadBackDisableEnable)
{
    task_scheduler_c& scheduler = win32_task_scheduler();
    task_time_t before = now();
    ASSERT_TRUE(schedule_task_create(scheduler, program_path()));
    task_time_t after = now();

    read_back_t r = read_task();
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.application, std::wstring(wide(environment.program_path)));
    EXPECT_EQ(r.parameters, L"--autorun");
    EXPECT_EQ(r.comment, L"Tavrill Driver Updater automatically scan, keep your drivers up to date.");
    EXPECT_EQ(r.flags, 0x20C1u);
    EXPECT_EQ(r.trigger_count, 1);
    EXPECT_EQ(r.trigger.TriggerType, TASK_TIME_TRIGGER_WEEKLY);
    EXPECT_EQ(r.trigger.Type.Weekly.WeeksInterval, 1);
    EXPECT_TRUE(starts_at(r.trigger, add_one_minute(before)) || starts_at(r.trigger, add_one_minute(after)));
    EXPECT_EQ(r.trigger.rgFlags, 0u);

    // A second creation (the box checked again) leaves the task as it was.
    copy_field(environment.program_path, path_chars, u"C:\\elsewhere\\other.exe");
    EXPECT_FALSE(schedule_task_create(scheduler, program_path()));
    read_back_t again = read_task();
    EXPECT_EQ(again.application, r.application);
    EXPECT_EQ(again.trigger_count, 1);

    ASSERT_TRUE(schedule_task_enable(scheduler, false));
    read_back_t off = read_task();
    EXPECT_EQ(off.trigger.rgFlags, static_cast<DWORD>(TASK_TRIGGER_FLAG_DISABLED));
    EXPECT_EQ(off.trigger.TriggerType, TASK_TIME_TRIGGER_WEEKLY);
    EXPECT_EQ(off.trigger.wStartMinute, r.trigger.wStartMinute);
    EXPECT_EQ(off.trigger.wBeginDay, r.trigger.wBeginDay);
    EXPECT_EQ(off.application, r.application);

    ASSERT_TRUE(schedule_task_enable(scheduler, true));
    EXPECT_EQ(read_task().trigger.rgFlags, 0u);
}

TEST_F(ScheduledScanWin32, SwitchingKeepsTheUsersSchedule)
{
    task_scheduler_c& scheduler = win32_task_scheduler();
    ASSERT_TRUE(schedule_task_create(scheduler, program_path()));
    set_daily_schedule();

    ASSERT_TRUE(schedule_task_enable(scheduler, false));
    read_back_t r = read_task();
    // Only the disabled flag changes: the user's end date stays in force.
    EXPECT_EQ(r.trigger.rgFlags, static_cast<DWORD>(TASK_TRIGGER_FLAG_DISABLED | TASK_TRIGGER_FLAG_HAS_END_DATE));
    EXPECT_EQ(r.trigger.TriggerType, TASK_TIME_TRIGGER_DAILY);
    EXPECT_EQ(r.trigger.Type.Daily.DaysInterval, 2);
    EXPECT_EQ(r.trigger.wStartHour, 7);
    EXPECT_EQ(r.trigger.wStartMinute, 15);
    EXPECT_EQ(r.trigger.wEndYear, 2030);

    ASSERT_TRUE(schedule_task_enable(scheduler, true));
    r = read_task();
    EXPECT_EQ(r.trigger.rgFlags, static_cast<DWORD>(TASK_TRIGGER_FLAG_HAS_END_DATE));
    EXPECT_EQ(r.trigger.wEndYear, 2030);
    EXPECT_EQ(r.trigger.wEndMonth, 6);
    EXPECT_EQ(r.trigger.wEndDay, 1);
}

TEST_F(ScheduledScanWin32, ACreationAtMinute59StartsInTheNextHour)
{
    // The scheduler refuses a start at minute 60; created on new year's eve
    // at 23:59, the task starts at midnight of the new year.
    task_time_t eve;
    eve.year = 2013;
    eve.month = 12;
    eve.day = 31;
    eve.day_of_week = 2;
    eve.hour = 23;
    eve.minute = 59;
    ASSERT_TRUE(win32_task_scheduler().create_task(scan_task(u"C:\\Tavrill\\TavrillDriverUpdater.exe", eve,
                                                             u"PC", u"user")));
    TASK_TRIGGER t = read_task().trigger;
    EXPECT_EQ(t.wBeginYear, 2014);
    EXPECT_EQ(t.wBeginMonth, 1);
    EXPECT_EQ(t.wBeginDay, 1);
    EXPECT_EQ(t.wStartHour, 0);
    EXPECT_EQ(t.wStartMinute, 0);
    EXPECT_EQ(t.Type.Weekly.rgfDaysOfTheWeek, TASK_WEDNESDAY);
}

TEST_F(ScheduledScanWin32, WithoutTheTask)
{
    task_scheduler_c& scheduler = win32_task_scheduler();
    EXPECT_FALSE(schedule_task_enable(scheduler, true));
    EXPECT_FALSE(schedule_task_edit(scheduler, nullptr));
    EXPECT_FALSE(read_task().found);
}

TEST_F(ScheduledScanWin32, WinesSchedulerHasNoPropertySheet)
{
    // Wine's EditWorkItem answers E_NOTIMPL; on Windows the sheet would
    // open here and block until closed.
    ASSERT_TRUE(schedule_task_create(win32_task_scheduler(), program_path()));
    EXPECT_FALSE(schedule_task_edit(win32_task_scheduler(), nullptr));
}
