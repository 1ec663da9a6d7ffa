#include "app/app_messages.h"
#include "app/startup_instance.h"
#include "app/startup_switches.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tdu;

namespace {

std::vector<u16> command_line(std::initializer_list<const char16_t*> args)
{
    std::vector<u16> v{u"C:\\Tavrill\\TavrillDriverUpdater.exe"};
    for (const char16_t* a : args) v.emplace_back(a);
    return v;
}

// Records what the rule does to the running copy's window.
struct fake_platform_c : instance_platform_c {
    bool another_runs = false;
    bool window_exists = true;
    bool window_closes_on_message = false;
    std::vector<u16> args;
    std::string calls;  // "mutex args find send(1029,1) find forward"
    int window = 0;

    bool create_instance_mutex() override
    {
        calls += "mutex ";
        return another_runs;
    }
    std::vector<u16> command_line_arguments() override
    {
        calls += "args ";
        return args;
    }
    void* find_main_window() override
    {
        calls += "find ";
        return window_exists ? &window : nullptr;
    }
    void send_message(void* w, uint32_t message, uintptr_t wparam) override
    {
        EXPECT_EQ(w, &window);
        calls += "send(" + std::to_string(message) + "," + std::to_string(wparam) + ") ";
        if (window_closes_on_message) window_exists = false;
    }
    void bring_forward(void* w) override
    {
        EXPECT_EQ(w, &window);
        calls += "forward ";
    }
};

} // namespace

TEST(StartupSwitches, OnlyASingleArgumentCounts)
{
    struct row { std::vector<u16> args; startup_switch expected; };
    const row rows[] = {
        {command_line({}), startup_switch::none},
        {command_line({u"--autorun"}), startup_switch::autorun},
        {command_line({u"--AutoRun"}), startup_switch::autorun},
        {command_line({u"--BOOT"}), startup_switch::boot},
        {command_line({u"--autoscan"}), startup_switch::autoscan},
        {command_line({u"--autorun", u"--boot"}), startup_switch::none},
        {command_line({u"--boot", u"x"}), startup_switch::none},
        {command_line({u"-autorun"}), startup_switch::none},
        {command_line({u"--autorun "}), startup_switch::none},
        {command_line({u"autorun"}), startup_switch::none},
        {command_line({u""}), startup_switch::none},
        {{}, startup_switch::none},
        {{u"--autorun"}, startup_switch::none},  // the program's own name is never a switch
    };
    for (const auto& r : rows) {
        std::string shown;
        for (const auto& a : r.args) shown += utf16_to_utf8(a) + " ";
        EXPECT_EQ(parse_startup_switch(r.args), r.expected) << shown;
    }
}

TEST(StartupSwitches, DriversTakesAFolderBeforeTheOtherSwitch)
{
    struct row { std::vector<u16> args; u16 folder; startup_switch then; };
    const row rows[] = {
        {command_line({u"--drivers", u"E:\\drivers"}), u"E:\\drivers", startup_switch::none},
        {command_line({u"--Drivers", u"E:\\drivers", u"--autoscan"}), u"E:\\drivers", startup_switch::autoscan},
        {command_line({u"--autoscan", u"--drivers", u"E:\\drivers"}), u"", startup_switch::none},
        {command_line({u"--drivers"}), u"", startup_switch::none},
        {command_line({u"--drivers", u""}), u"", startup_switch::none},
    };
    for (auto r : rows) {
        u16 folder = take_drivers_switch(r.args);
        EXPECT_EQ(folder, r.folder) << utf16_to_utf8(r.folder);
        EXPECT_EQ(parse_startup_switch(r.args), r.then) << utf16_to_utf8(r.folder);
    }
}

TEST(SingleInstance, TheFirstInstanceKeepsItsSwitch)
{
    struct row { std::vector<u16> args; startup_switch sw; int32_t boot_mode, autorun_pending; };
    const row rows[] = {
        {command_line({}), startup_switch::none, 0, 0},
        {command_line({u"--Boot"}), startup_switch::boot, 1, 0},
        {command_line({u"--autorun"}), startup_switch::autorun, 0, 1},
        {command_line({u"--autoscan"}), startup_switch::autoscan, 0, 0},
        {command_line({u"--autorun", u"now"}), startup_switch::none, 0, 0},
    };
    for (const auto& r : rows) {
        fake_platform_c platform;
        platform.args = r.args;
        startup_state_t state;
        EXPECT_EQ(single_instance_check(platform, state), 0);
        EXPECT_EQ(platform.calls, "mutex args ");
        EXPECT_EQ(state.command_switch, r.sw);
        EXPECT_EQ(state.boot_mode, r.boot_mode);
        EXPECT_EQ(state.autorun_pending, r.autorun_pending);
    }
}

TEST(SingleInstance, ASecondInstanceHandsOverAndExits)
{
    const std::string second = std::to_string(wm_second_instance);
    EXPECT_EQ(wm_second_instance, 0x0400u + 5);
    struct row { const char* what; std::vector<u16> args; bool window; bool closes; std::string calls; };
    const row rows[] = {
        {"no argument", command_line({}), true, false, "mutex args find forward "},
        {"--autorun", command_line({u"--AUTORUN"}), true, false,
         "mutex args find send(" + second + ",1) find forward "},
        {"--boot", command_line({u"--boot"}), true, false, "mutex args find send(" + second + ",0) find "},
        {"--autoscan is not examined", command_line({u"--autoscan"}), true, false, "mutex args find forward "},
        {"a switch with a further argument", command_line({u"--boot", u"x"}), true, false,
         "mutex args find forward "},
        {"no window to hand over to", command_line({u"--autorun"}), false, false, "mutex args find find "},
        {"the window goes while handling the message", command_line({u"--autorun"}), true, true,
         "mutex args find send(" + second + ",1) find "},
    };
    for (const auto& r : rows) {
        fake_platform_c platform;
        platform.another_runs = true;
        platform.args = r.args;
        platform.window_exists = r.window;
        platform.window_closes_on_message = r.closes;
        startup_state_t state;
        EXPECT_EQ(single_instance_check(platform, state), -1) << r.what;
        EXPECT_EQ(platform.calls, r.calls) << r.what;
        EXPECT_EQ(state.boot_mode, 0) << r.what;
        EXPECT_EQ(state.autorun_pending, 0) << r.what;
    }
}
