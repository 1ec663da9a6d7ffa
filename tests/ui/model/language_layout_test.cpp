// The per-language layout table: every shipped interface language has its
// own row (a language added without one would silently take English's
// places), and the rows hold the places the views were drawn to.
#include "ui/model/language_layout.h"

#include "app/language.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace tdu;

namespace {

u16 shipped_file()
{
    return (test::data_dir() / ".." / ".." / "src" / "ui" / "resources" / "language.ini").u16string();
}

} // namespace

TEST(LanguageLayout, EveryShippedLanguageHasItsOwnRow)
{
    const char16_t* sections[] = {u"English",  u"Deutsch",    u"Español",    u"Français",  u"Italiano", u"日本語",
                                  u"简体中文", u"繁體中文", u"Nederlands", u"Português", u"العربية"};
    std::set<std::string> codes;
    for (const char16_t* name : sections) {
        language_table_t table;
        ASSERT_EQ(language_load(table, shipped_file(), name, true), 0);
        const std::string code = language_code(table);
        EXPECT_EQ(std::string(language_layout(code).code), code) << "no layout row for " << code;
        codes.insert(code);
    }
    EXPECT_EQ(codes.size(), std::size(sections)) << "two languages share a code";
    // A code the table does not hold takes English's places.
    EXPECT_EQ(std::string(language_layout("xx").code), "en");
    EXPECT_EQ(std::string(language_layout("").code), "en");
}

TEST(LanguageLayout, RowsHoldTheViewsPlaces)
{
    struct row_t {
        const char* code;
        bool small_steps, small_title, home_long, scan_long, regular_nav, small_header, small_score, settings_long;
        int32_t selector_extra, state_extra;
    };
    const row_t rows[] = {
        {"en", false, false, false, false, false, false, false, false, 0, 0},
        {"de", false, false, false, false, true, false, true, false, 0, 0},
        {"fr", true, false, true, true, false, false, false, true, 30, 10},
        {"it", true, true, false, false, true, true, false, false, 0, 0},
        {"es", true, false, false, false, true, true, false, true, 30, 0},
        {"pt", false, true, false, false, true, false, false, true, 30, 0},
        {"nl", false, false, true, false, false, true, false, false, 30, 0},
        {"jp", false, false, false, false, false, false, false, false, 0, 0},
        {"ar", false, false, false, false, false, false, false, false, 0, 0},
    };
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.code);
        const language_layout_t& l = language_layout(r.code);
        EXPECT_EQ(l.home_small_step_labels, r.small_steps);
        EXPECT_EQ(l.home_small_side_bar_title, r.small_title);
        EXPECT_EQ(l.home_long_side_bar_labels, r.home_long);
        EXPECT_EQ(l.scan_long_side_bar_labels, r.scan_long);
        EXPECT_EQ(l.nav_labels_regular, r.regular_nav);
        EXPECT_EQ(l.results_small_header, r.small_header);
        EXPECT_EQ(l.results_small_score_title, r.small_score);
        EXPECT_EQ(l.settings_long_labels, r.settings_long);
        EXPECT_EQ(l.kind_selector_extra_left, r.selector_extra);
        EXPECT_EQ(l.row_state_text_extra_left, r.state_extra);
    }
}
