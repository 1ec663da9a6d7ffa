// The run's restore point around its first installation, with a recording
// System Restore.
#include "system/restore_point.h"

#include "restore_point_fake.h"

#include <gtest/gtest.h>

#include <thread>

using namespace tdu;
using test::recording_restore_point_c;

TEST(RestorePointRun, TheFirstInstallationRunsBetweenBeginAndEndAndLaterOnesAlone)
{
    struct row {
        const char* what;
        bool begins;
        bool installs;
        std::vector<std::string> first;  // the calls around the first installation
        restore_point_state_t state;
    };
    const row rows[] = {
        {"made, installed", true, true,
         {"begin Tavrill Driver Updater: driver.zip", "install", "end 7 installed"}, restore_point_state_t::made},
        {"made, installer failed", true, false,
         {"begin Tavrill Driver Updater: driver.zip", "install", "end 7 cancelled"}, restore_point_state_t::made},
    };
    for (const row& r : rows) {
        recording_restore_point_c system;
        system.begins = r.begins;
        restore_point_run_c run(system);
        EXPECT_EQ(run.state(), restore_point_state_t::none);
        auto install = [&] {
            system.note("install");
            return r.installs;
        };
        EXPECT_EQ(run.guard(u"driver.zip", install) == restore_point_guard_t::installed, r.installs) << r.what;
        EXPECT_EQ(system.lines(), r.first) << r.what;
        EXPECT_EQ(run.state(), r.state) << r.what;
        // One restore point a run: the next installation, failed or not,
        // makes no second one and is not retried when the first was refused.
        system.clear();
        EXPECT_EQ(run.guard(u"other.zip", install) == restore_point_guard_t::installed, r.installs) << r.what;
        EXPECT_EQ(system.lines(), std::vector<std::string>{"install"}) << r.what;
    }
}

TEST(RestorePointRun, AnInstallationAskedForMeanwhileWaitsForTheFirstOneToEnd)
{
    recording_restore_point_c system;
    restore_point_run_c run(system);
    std::thread second;
    run.guard(u"first.zip", [&] {
        second = std::thread([&] {
            run.guard(u"second.zip", [&] {
                system.note("install second");
                return true;
            });
        });
        // Give the second thread time to reach the guard.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        system.note("install first");
        return true;
    });
    second.join();
    EXPECT_EQ(system.lines(), (std::vector<std::string>{"begin Tavrill Driver Updater: first.zip", "install first",
                                                        "end 7 installed", "install second"}));
}

// When System Restore makes none, nothing is installed until the user
// agrees; System Restore is asked once a run, and the question asked once.
TEST(RestorePointRun, WithoutARestorePointNothingIsInstalledUntilTheUserAgrees)
{
    recording_restore_point_c system;
    system.begins = false;
    restore_point_run_c run(system);
    auto install = [&] {
        system.note("install");
        return true;
    };
    EXPECT_EQ(run.guard(u"driver.zip", install), restore_point_guard_t::no_restore_point);
    EXPECT_EQ(run.guard(u"driver.zip", install), restore_point_guard_t::no_restore_point);
    EXPECT_EQ(system.lines(), std::vector<std::string>{"begin Tavrill Driver Updater: driver.zip"});
    EXPECT_EQ(run.state(), restore_point_state_t::refused);
    EXPECT_TRUE(run.take_question());
    EXPECT_FALSE(run.take_question());
    run.allow_without();
    EXPECT_EQ(run.guard(u"driver.zip", install), restore_point_guard_t::installed);
    EXPECT_EQ(system.lines(), (std::vector<std::string>{"begin Tavrill Driver Updater: driver.zip", "install"}));
}

// Agreed beforehand (the console's switch): a refused restore point does
// not hold the installation. Turned off by the setting: none is asked for.
TEST(RestorePointRun, AllowedBeforehandOrTurnedOff)
{
    recording_restore_point_c system;
    system.begins = false;
    restore_point_run_c allowed(system);
    allowed.allow_without();
    auto install = [&] {
        system.note("install");
        return true;
    };
    EXPECT_EQ(allowed.guard(u"a.zip", install), restore_point_guard_t::installed);
    EXPECT_EQ(system.lines(), (std::vector<std::string>{"begin Tavrill Driver Updater: a.zip", "install"}));

    recording_restore_point_c working;
    restore_point_run_c off(working);
    off.turn_off();
    EXPECT_EQ(off.guard(u"a.zip", [&] {
        working.note("install");
        return false;
    }),
              restore_point_guard_t::failed);
    EXPECT_EQ(working.lines(), std::vector<std::string>{"install"});
    EXPECT_EQ(off.state(), restore_point_state_t::off);
}
