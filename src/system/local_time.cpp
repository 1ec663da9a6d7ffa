#include "system/local_time.h"

namespace tdu {

bool is_leap_year(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 31;
    return month == 2 && is_leap_year(year) ? 29 : days[month - 1];
}

task_time_t add_one_minute(const task_time_t& t)
{
    task_time_t r = t;
    if (++r.minute < 60) return r;
    r.minute = 0;
    if (++r.hour < 24) return r;
    r.hour = 0;
    r.day_of_week = static_cast<uint16_t>((r.day_of_week + 1) % 7);
    if (++r.day <= days_in_month(r.year, r.month)) return r;
    r.day = 1;
    if (++r.month <= 12) return r;
    r.month = 1;
    ++r.year;
    return r;
}

} // namespace tdu
