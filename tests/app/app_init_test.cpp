// The initialisation order and its failure codes, with each step failing in
// turn through recording steps.
#include "app/app_init.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tdu;

namespace {

// Records every step it is asked to run; the step named `failing` fails.
struct recording_steps_c final : app_init_steps_c {
    std::string failing;
    u16 language = u"English";
    std::vector<std::string> calls;
    std::vector<std::string> failures;

    bool step(const std::string& name)
    {
        calls.push_back(name);
        return name != failing;
    }
    void start_network() override { step("network"); }
    void enter_program_folder() override { step("folder"); }
    bool capture_environment() override { return step("environment"); }
    int collect_system_info() override { return step("system info") ? 0 : -1; }
    bool load_settings() override { return step("settings"); }
    void create_fonts() override { step("fonts"); }
    u16 settings_language() override { return language; }
    int load_language(u16view name, bool primary) override
    {
        return step((primary ? "language " : "fallback ") + utf16_to_utf8(name)) ? 0 : -1;
    }
    bool global_init() override { return step("global"); }
    void index_driver_packages() override { step("driver store"); }
    void show_failure(u16view text) override { failures.push_back(utf16_to_utf8(text)); }
};

const std::vector<std::string> all_steps = {"network", "folder",   "environment",      "system info", "settings",
                                            "fonts",   "language English", "global", "driver store"};

} // namespace

TEST(AppInit, RunsTheStepsInOrderAndStopsAtTheFirstFailureWithItsCode)
{
    struct row {
        const char* failing;
        int code;  // 0: start-up succeeds
    };
    const row rows[] = {
        {"", 0},
        {"environment", 1},
        {"system info", 2},
        {"settings", 3},
        {"language English", 4},
        {"global", 5},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.failing);
        recording_steps_c steps;
        steps.failing = r.failing;
        int result = app_init(steps);

        std::vector<std::string> expected = all_steps;
        if (r.code != 0) expected.resize(std::find(all_steps.begin(), all_steps.end(), r.failing) - all_steps.begin() + 1);
        EXPECT_EQ(steps.calls, expected);
        if (r.code == 0) {
            EXPECT_EQ(result, 0);
            EXPECT_TRUE(steps.failures.empty());
        } else {
            EXPECT_EQ(result, -1);
            ASSERT_EQ(steps.failures.size(), 1u);
            EXPECT_EQ(steps.failures[0], "Application initialization failed, error code: " + std::to_string(r.code) + ".");
        }
    }
}

TEST(AppInit, AnotherLanguageGetsEnglishAsItsFallback)
{
    // "english" in any case is English: no fallback is loaded.
    recording_steps_c english;
    english.language = u"eNGLISH";
    EXPECT_EQ(app_init(english), 0);
    EXPECT_EQ(std::count(english.calls.begin(), english.calls.end(), "fallback English"), 0);

    // The fallback follows the primary table; its failure does not matter.
    recording_steps_c german;
    german.language = u"Deutsch";
    german.failing = "fallback English";
    EXPECT_EQ(app_init(german), 0);
    auto primary = std::find(german.calls.begin(), german.calls.end(), "language Deutsch");
    ASSERT_NE(primary, german.calls.end());
    ASSERT_NE(primary + 1, german.calls.end());
    EXPECT_EQ(primary[1], "fallback English");
    EXPECT_EQ(german.calls.back(), "driver store");

    // A primary language that cannot be loaded stops start-up before any fallback.
    recording_steps_c missing;
    missing.language = u"Deutsch";
    missing.failing = "language Deutsch";
    EXPECT_EQ(app_init(missing), -1);
    EXPECT_EQ(missing.calls.back(), "language Deutsch");
    EXPECT_EQ(missing.failures, std::vector<std::string>{"Application initialization failed, error code: 4."});
}
