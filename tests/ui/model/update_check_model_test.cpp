#include "ui/model/update_check_model.h"

#include "app/language.h"

#include <gtest/gtest.h>

using namespace tdu;

namespace {

constexpr int64_t day = 24 * 60 * 60;
constexpr int64_t now = 1'780'000'000;  // a Thursday in 2026

} // namespace

TEST(UpdateCheckModel, LooksOnceAWeekWhileTheSettingIsOn)
{
    struct row {
        int32_t setting;
        int64_t last_check;
        bool due;
        const char* why;
    } rows[] = {
        {1, 0, true, "never looked"},
        {1, now - 7 * day, true, "exactly a week ago"},
        {1, now - 30 * day, true, "a month ago"},
        {1, now - 7 * day + 1, false, "a second short of a week"},
        {1, now - 1, false, "just looked"},
        {1, now, false, "looked now"},
        {1, now + day, false, "a day ahead: the clocks of two runs differ a little"},
        {1, now + day + 1, true, "more than a day ahead: the clock was set back"},
        {1, -5, true, "a damaged stamp"},
        {0, 0, false, "off, never looked"},
        {0, now - 30 * day, false, "off, a month ago"},
        {2, now - 8 * day, true, "any value but 0 is on"},
    };
    for (const row& r : rows) EXPECT_EQ(update_check_due(r.setting, r.last_check, now), r.due) << r.why;
}

TEST(UpdateCheckModel, OnlyAnAnswerCountsAsTheWeeksLook_AndOnlyANewerVersionIsSaid)
{
    language_table_t table;
    language_load_text(table, "[English]\nupdate_notice=\"Version %s is out\"\n", u"English", true);
    struct row {
        update_outcome_t outcome;
        const char* offered;
        bool answered;
        const char16_t* notice;
    } rows[] = {
        {update_outcome_t::newer_available, "4.3", true, u"Version 4.3.0.0 is out"},
        {update_outcome_t::up_to_date, "4.2.0.1", true, u""},
        // A result that says newer but offers the installed version (a
        // fault upstream) still says nothing: never a downgrade or a loop.
        {update_outcome_t::newer_available, "4.2.0.1", true, u""},
        {update_outcome_t::service_unreachable, "", false, u""},
        {update_outcome_t::document_refused, "", false, u""},
        {update_outcome_t::version_unknown, "", false, u""},
    };
    for (const row& r : rows) {
        update_result_t result;
        result.outcome = r.outcome;
        parse_program_version("4.2.0.1", result.installed);
        if (*r.offered) parse_program_version(r.offered, result.offered.version);
        EXPECT_EQ(update_check_answered(r.outcome), r.answered) << update_outcome_text(r.outcome);
        EXPECT_EQ(update_notice_text(table, result), r.notice) << update_outcome_text(r.outcome);
    }
}
