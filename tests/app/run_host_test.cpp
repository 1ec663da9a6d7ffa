// The message box's answers: only the first button accepts; a box closed
// with its caption button is never taken as Yes or Retry.
#include "app/run_host.h"

#include <gtest/gtest.h>

using namespace tdu;

TEST(BoxResult, OnlyTheFirstButtonAccepts)
{
    struct case_t {
        int button;
        box_result_t answer;
    };
    const case_t cases[] = {
        {1, box_result_t::accepted},  // OK, Yes, Retry
        {2, box_result_t::declined},  // No, Cancel
        {0, box_result_t::declined},  // closed with the caption button
        {-1, box_result_t::declined},  // the dialog could not be made
    };
    for (const case_t& c : cases) EXPECT_EQ(box_result_from_button(c.button), c.answer) << c.button;
}
