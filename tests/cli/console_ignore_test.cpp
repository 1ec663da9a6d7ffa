// The console's "ignore" command over a settings store in memory: what it
// prints, what it saves, and the command lines it refuses.
#include "cli/console_ignore.h"

#include "app/registry.h"

#include <gtest/gtest.h>

using namespace tdu;

namespace {

int64_t clock_now() { return 1700000000; }

// The download and backup folders count as there: nothing on disk.
class present_folders_c final : public folder_ops_c {
public:
    bool is_folder(u16view) override { return true; }
    bool create_folders(u16view) override { return true; }
};

struct ignore_fixture_c : ::testing::Test {
    memory_registry_c registry;
    present_folders_c folders;
    settings_store_t store{registry, folders, u"C:\\Tdu\\", u"C:\\Tdu\\TavrillDriverUpdater.exe", clock_now};
    app_settings_t settings;
    void SetUp() override { ASSERT_TRUE(settings_load(store, settings)); }

    console_ignore_result_t run(std::vector<std::string> args) { return console_ignore(store, settings, args); }
    // The list as the next start reads it.
    ignored_offers_t reloaded()
    {
        settings_store_t next{registry, folders, u"C:\\Tdu\\", u"C:\\Tdu\\TavrillDriverUpdater.exe", clock_now};
        app_settings_t s;
        EXPECT_TRUE(settings_load(next, s));
        return s.ignored_offers;
    }
};
using ConsoleIgnore = ignore_fixture_c;

} // namespace

TEST_F(ConsoleIgnore, AddListAndRemoveAreSavedAtOnce)
{
    console_ignore_result_t added = run({"--add", "USBPRINT\\ACME_LASER", "2.0.1", "2023-01-09", "ACME Laser"});
    EXPECT_EQ(added.status, 0);
    EXPECT_EQ(added.out, "ignored: USBPRINT\\ACME_LASER\t2.0.1\t2023-01-09\tACME Laser\n");
    run({"--add", "PCI\\VEN_1", "1.0", "2020-02-02"});
    ASSERT_EQ(reloaded().size(), 2u);

    console_ignore_result_t again = run({"--add", "usbprint\\acme_laser", "2.0.1", "2023-01-09"});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out.rfind("already ignored: ", 0), 0u);

    EXPECT_EQ(run({"--list"}).out, "USBPRINT\\ACME_LASER\t2.0.1\t2023-01-09\tACME Laser\n"
                                   "PCI\\VEN_1\t1.0\t2020-02-02\t\n");

    console_ignore_result_t removed = run({"--remove", "USBPRINT\\ACME_LASER", "2.0.1", "2023-01-09"});
    EXPECT_EQ(removed.status, 0);
    ignored_offers_t left = reloaded();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].hardware_id, u"PCI\\VEN_1");

    console_ignore_result_t missing = run({"--remove", "USBPRINT\\ACME_LASER", "2.0.1", "2023-01-09"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.error.find("not on the ignore list"), std::string::npos);
}

TEST_F(ConsoleIgnore, WrongCommandLinesChangeNothing)
{
    run({"--add", "PCI\\VEN_1", "1.0", "2020-02-02"});
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"--frobnicate"},
        {"--list", "extra"},
        {"--add", "PCI\\VEN_2", "1.0"},
        {"--add", "", "1.0", "2020-02-02"},
        {"--add", "PCI\\VEN_2", "1.0", "02.02.2020"},
        {"--add", "PCI\\VEN_2", "1.0", "2020-02-02", "title", "extra"},
        {"--remove", "PCI\\VEN_1", "1.0", "2020-02-02", "title"},
    };
    for (const auto& args : wrong) {
        console_ignore_result_t r = run(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "(none)" : args[0]) << " " << args.size();
        EXPECT_NE(r.error.find("usage: tdu-cli ignore"), std::string::npos);
    }
    ASSERT_EQ(reloaded().size(), 1u);
}

TEST_F(ConsoleIgnore, AListThatCannotBeSavedIsReportedAndKeptAsItWas)
{
    registry.deny_writes(store.keys.settings);
    settings_store_t denied{registry, folders, u"C:\\Tdu\\", u"C:\\Tdu\\TavrillDriverUpdater.exe", clock_now};
    app_settings_t s;
    ASSERT_TRUE(settings_load(denied, s));
    console_ignore_result_t r = console_ignore(denied, s, {"--add", "PCI\\VEN_3", "1.0", "2020-02-02"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.error.find("could not be saved"), std::string::npos);
    EXPECT_TRUE(s.ignored_offers.empty());
}
