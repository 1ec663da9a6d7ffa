#pragma once
// A local calendar time to the minute, as the system clock gives it, and the
// one step of arithmetic the scheduled scan needs.
#include <cstdint>

namespace tdu {

struct task_time_t {
    uint16_t year = 0;
    uint16_t month = 0;        // 1 to 12
    uint16_t day = 0;          // 1 to 31
    uint16_t day_of_week = 0;  // 0 Sunday to 6 Saturday
    uint16_t hour = 0;         // 0 to 23
    uint16_t minute = 0;       // 0 to 59
};

bool is_leap_year(int year);
int days_in_month(int year, int month);

// One minute later: minute 59 carries into the next hour, hour 23 into the
// next day (and weekday), the month's last day into the next month, the
// 31st of December into the next year.
task_time_t add_one_minute(const task_time_t& t);

} // namespace tdu
