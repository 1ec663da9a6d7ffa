#include "ui/model/update_window_model.h"

#include "app/language.h"
#include "app/language_keys.h"

#include <gtest/gtest.h>

using namespace tdu;

namespace {

language_table_t english()
{
    language_table_t table;
    language_load_text(table,
                       "[English]\n"
                       "update_checking=\"Looking\"\n"
                       "update_up_to_date=\"%s is up to date\"\n"
                       "update_offer=\"%s (%s) instead of %s?\"\n"
                       "update_downloading=\"%s of %s\"\n"
                       "update_installed=\"%s installed\"\n"
                       "update_installing=\"Installing\"\n"
                       "update_closing=\"Closing\"\n"
                       "update_verifying=\"Checking\"\n"
                       "update_fail_busy=\"Busy\"\n"
                       "update_fail_mismatch=\"Mismatch\"\n",
                       u"English", true);
    return table;
}

update_result_t result(update_outcome_t outcome)
{
    update_result_t r;
    r.outcome = outcome;
    parse_program_version("4.2.0.1", r.installed);
    parse_program_version("4.3", r.offered.version);
    r.offered.size = 3 * 1024 * 1024;
    return r;
}

} // namespace

TEST(UpdateWindowModel, OffersOnlyANewerVersionAndSaysEachOutcome)
{
    language_table_t table = english();
    update_view_t v = update_window_view(table, update_phase_t::checked, result(update_outcome_t::newer_available),
                                         update_step_t::checking, 0, 0);
    EXPECT_EQ(v.text, u"4.3.0.0 (3.00M) instead of 4.2.0.1?");
    EXPECT_TRUE(v.install_button);
    EXPECT_FALSE(v.progress_shown);

    struct row {
        update_phase_t phase;
        update_outcome_t outcome;
        const char16_t* text;
    } rows[] = {
        {update_phase_t::checking, update_outcome_t::up_to_date, u"Looking"},
        {update_phase_t::checked, update_outcome_t::up_to_date, u"4.2.0.1 is up to date"},
        {update_phase_t::finished, update_outcome_t::installed, u"4.3.0.0 installed"},
        {update_phase_t::finished, update_outcome_t::program_busy, u"Busy"},
        {update_phase_t::checked, update_outcome_t::document_refused, u""},  // not in this table
        {update_phase_t::finished, update_outcome_t::setup_mismatch, u"Mismatch"},
    };
    for (const auto& r : rows) {
        update_view_t view = update_window_view(table, r.phase, result(r.outcome), update_step_t::checking, 0, 0);
        EXPECT_EQ(view.text, r.text) << static_cast<int>(r.outcome);
        EXPECT_FALSE(view.install_button);
        EXPECT_TRUE(view.close_enabled);
    }
}

TEST(UpdateWindowModel, ProgressWhileDownloadingAndNoClosingWhileTheSetupRuns)
{
    language_table_t table = english();
    update_result_t r = result(update_outcome_t::newer_available);
    update_view_t v = update_window_view(table, update_phase_t::installing, r, update_step_t::downloading,
                                         1024 * 1024, 4 * 1024 * 1024);
    EXPECT_TRUE(v.progress_shown);
    EXPECT_FLOAT_EQ(v.progress, 0.25f);
    EXPECT_EQ(v.text, u"1024.00K of 4.00M");
    EXPECT_TRUE(v.close_enabled);  // stops the download; it resumes next time
    // More bytes than announced never draw past the end.
    EXPECT_FLOAT_EQ(update_window_view(table, update_phase_t::installing, r, update_step_t::downloading, 9, 4).progress,
                    1.0f);
    for (update_step_t step : {update_step_t::closing_program, update_step_t::installing, update_step_t::starting_program}) {
        update_view_t busy = update_window_view(table, update_phase_t::installing, r, step, 0, 0);
        EXPECT_FALSE(busy.close_enabled);
        EXPECT_FALSE(busy.install_button);
    }
}
