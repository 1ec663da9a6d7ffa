#include "app/environment.h"
#include "system/scheduled_scan.h"

#include <gtest/gtest.h>

#include <map>

using namespace tdu;

namespace {

task_time_t at(int year, int month, int day, int day_of_week, int hour, int minute)
{
    task_time_t t;
    t.year = static_cast<uint16_t>(year);
    t.month = static_cast<uint16_t>(month);
    t.day = static_cast<uint16_t>(day);
    t.day_of_week = static_cast<uint16_t>(day_of_week);
    t.hour = static_cast<uint16_t>(hour);
    t.minute = static_cast<uint16_t>(minute);
    return t;
}

// The scheduler's task folder as a table. A trigger is kept with its flags;
// `user_schedule` stands for whatever the user set in the property sheet.
struct fake_scheduler_c : task_scheduler_c {
    struct stored_t {
        scheduled_task_t task;
        uint32_t trigger_flags = 0;
        bool has_trigger = true;
    };
    std::map<u16, stored_t> tasks;
    task_time_t now = at(2013, 5, 14, 2, 10, 30);
    u16 computer = u"OFFICE-PC";
    u16 user = u"anna";
    bool save_fails = false;
    int edits = 0;
    void* edit_owner = nullptr;

    task_time_t local_now() override { return now; }
    u16 computer_name() override { return computer; }
    u16 user_name() override { return user; }
    bool create_task(const scheduled_task_t& task) override
    {
        if (save_fails || tasks.count(task.name)) return false;
        tasks[task.name].task = task;
        return true;
    }
    bool set_first_trigger_disabled(u16view name, bool disabled) override
    {
        auto it = tasks.find(u16(name));
        if (it == tasks.end() || !it->second.has_trigger || save_fails) return false;
        it->second.trigger_flags = trigger_flags_switched(it->second.trigger_flags, disabled);
        return true;
    }
    bool edit_task(u16view name, void* owner) override
    {
        if (!tasks.count(u16(name))) return false;
        ++edits;
        edit_owner = owner;
        return true;
    }
};

// The running program's path, as start-up captured it.
u16 program_path()
{
    return u16(environment.program_path);
}

const u16 task_name = u"Tavrill Driver Updater";

class ScheduledScan : public testing::Test {
protected:
    void SetUp() override
    {
        copy_field(environment.program_path, path_chars, u"C:\\Program Files\\Tavrill\\TavrillDriverUpdater.exe");
    }
    void TearDown() override { environment = environment_t{}; }
    fake_scheduler_c scheduler;
};

} // namespace

TEST(ScheduledScanTime, TheStartIsOneMinuteAheadWithEveryCarry)
{
    struct row {
        const char* what;
        task_time_t now;
        task_time_t start;
    };
    const row rows[] = {
        {"within the hour", at(2013, 5, 14, 2, 10, 30), at(2013, 5, 14, 2, 10, 31)},
        {"minute 58", at(2013, 5, 14, 2, 10, 58), at(2013, 5, 14, 2, 10, 59)},
        {"minute 59 into the next hour", at(2013, 5, 14, 2, 10, 59), at(2013, 5, 14, 2, 11, 0)},
        {"midnight into the next day", at(2013, 5, 14, 2, 23, 59), at(2013, 5, 15, 3, 0, 0)},
        {"Saturday into Sunday", at(2013, 5, 18, 6, 23, 59), at(2013, 5, 19, 0, 0, 0)},
        {"30 April into May", at(2013, 4, 30, 2, 23, 59), at(2013, 5, 1, 3, 0, 0)},
        {"31 January into February", at(2013, 1, 31, 4, 23, 59), at(2013, 2, 1, 5, 0, 0)},
        {"28 February of a common year", at(2013, 2, 28, 4, 23, 59), at(2013, 3, 1, 5, 0, 0)},
        {"28 February of a leap year", at(2012, 2, 28, 2, 23, 59), at(2012, 2, 29, 3, 0, 0)},
        {"29 February", at(2012, 2, 29, 3, 23, 59), at(2012, 3, 1, 4, 0, 0)},
        {"1900 was no leap year", at(1900, 2, 28, 3, 23, 59), at(1900, 3, 1, 4, 0, 0)},
        {"2000 was a leap year", at(2000, 2, 28, 1, 23, 59), at(2000, 2, 29, 2, 0, 0)},
        {"new year's eve", at(2013, 12, 31, 2, 23, 59), at(2014, 1, 1, 3, 0, 0)},
        {"not at midnight on new year's eve", at(2013, 12, 31, 2, 22, 59), at(2013, 12, 31, 2, 23, 0)},
    };
    for (const auto& r : rows) {
        weekly_trigger_t t = weekly_trigger_from(r.now);
        EXPECT_EQ(t.begin_year, r.start.year) << r.what;
        EXPECT_EQ(t.begin_month, r.start.month) << r.what;
        EXPECT_EQ(t.begin_day, r.start.day) << r.what;
        EXPECT_EQ(t.start_hour, r.start.hour) << r.what;
        EXPECT_EQ(t.start_minute, r.start.minute) << r.what;
        EXPECT_EQ(t.weeks_interval, 1) << r.what;
        EXPECT_EQ(t.days_of_week, 1u << r.start.day_of_week) << r.what;
    }
}

TEST_F(ScheduledScan, CreateDescribesTheWeeklyScanTask)
{
    ASSERT_TRUE(schedule_task_create(scheduler, program_path()));
    ASSERT_EQ(scheduler.tasks.size(), 1u);
    const scheduled_task_t& t = scheduler.tasks.begin()->second.task;
    EXPECT_EQ(t.name, task_name);
    EXPECT_EQ(t.application, u"C:\\Program Files\\Tavrill\\TavrillDriverUpdater.exe");
    EXPECT_EQ(t.parameters, u"--autorun");
    EXPECT_EQ(t.comment, u"Tavrill Driver Updater automatically scan, keep your drivers up to date.");
    EXPECT_EQ(t.flags, 0x20C1u);
    EXPECT_EQ(t.account, u"OFFICE-PC\\anna");
    EXPECT_EQ(t.trigger.begin_year, 2013);
    EXPECT_EQ(t.trigger.begin_month, 5);
    EXPECT_EQ(t.trigger.begin_day, 14);
    EXPECT_EQ(t.trigger.start_hour, 10);
    EXPECT_EQ(t.trigger.start_minute, 31);
    EXPECT_EQ(t.trigger.days_of_week, 1u << 2);  // Tuesday
}

TEST_F(ScheduledScan, ASecondCreateChangesNothing)
{
    ASSERT_TRUE(schedule_task_create(scheduler, program_path()));
    ASSERT_TRUE(schedule_task_enable(scheduler, false));
    scheduler.now = at(2014, 1, 1, 3, 8, 0);
    copy_field(environment.program_path, path_chars, u"D:\\elsewhere.exe");

    EXPECT_FALSE(schedule_task_create(scheduler, program_path()));
    const auto& stored = scheduler.tasks.at(task_name);
    EXPECT_EQ(stored.task.application, u"C:\\Program Files\\Tavrill\\TavrillDriverUpdater.exe");
    EXPECT_EQ(stored.task.trigger.begin_year, 2013);
    EXPECT_EQ(stored.trigger_flags, task_trigger_flag_disabled);

    // Checking the box again re-enables the one task and opens its sheet.
    EXPECT_TRUE(schedule_task_enable(scheduler, true));
    EXPECT_EQ(scheduler.tasks.at(task_name).trigger_flags, 0u);
    int owner;
    EXPECT_TRUE(schedule_task_edit(scheduler, &owner));
    EXPECT_EQ(scheduler.edit_owner, &owner);
    EXPECT_EQ(scheduler.tasks.size(), 1u);
}

TEST_F(ScheduledScan, SwitchingChangesOnlyTheDisabledFlag)
{
    // Flags the user may have set in the scheduler's sheet: 1 an end date,
    // 2 stop at the end of the duration.
    struct row {
        uint32_t before;
        bool enabled;
        uint32_t after;
    };
    const row rows[] = {
        {0, false, 4}, {4, true, 0},   {1, false, 5}, {5, true, 1},
        {3, false, 7}, {7, false, 7},  {3, true, 3},  {7, true, 3},
    };
    ASSERT_TRUE(schedule_task_create(scheduler, program_path()));
    for (const row& r : rows) {
        scheduler.tasks.at(task_name).trigger_flags = r.before;
        ASSERT_TRUE(schedule_task_enable(scheduler, r.enabled));
        EXPECT_EQ(scheduler.tasks.at(task_name).trigger_flags, r.after) << r.before << (r.enabled ? " on" : " off");
    }
}
