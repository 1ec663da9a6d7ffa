// The row actions that need no running transfer: what the button does in
// each state, removing, opening the location, tick all, installing from a
// complete row, and the questions before downloading all and quitting.
#include "packages/download_row.h"

#include "common/files.h"
#include "fakes.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace tdu;
namespace fs = std::filesystem;

namespace {


const char* const pkg_link = "http://127.0.0.1/drivers/pkg.zip";

struct row_fixture_t {
    test::temp_dir_c dir;
    fs::path downloads = dir.path() / "download";
    fs::path program = dir.path() / "program";
    test::refusing_threads_c no_threads;
    download_session_list_c sessions;
    test::recording_shell_c shell;
    environment_t env;
    test::recording_processes_c processes;
    install_services_t services{shell, processes, no_threads, env};
    test::recording_host_c host;

    row_fixture_t()
    {
        fs::create_directories(downloads);
        fs::create_directories(program);
        copy_field(env.program_folder, path_chars, test::program_path(program) + u"\\");
        sessions.settings.download_folder = test::program_path(downloads);
        sessions.settings.threads = &no_threads;
    }
    fs::path temp() const { return downloads / "7d666be70f6586be664607040ebc2977.zip.tmp"; }
    fs::path final() const { return downloads / "7d666be70f6586be664607040ebc2977.zip"; }
    // The folder an installation unpacks the package into.
    fs::path unpacked() const { return downloads / "7d666be70f6586be664607040ebc2977"; }
    // The same files as the program names them.
    u16 temp_name() const { return path_join(test::program_path(downloads), u"7d666be70f6586be664607040ebc2977.zip.tmp"); }
    u16 final_name() const { return path_join(test::program_path(downloads), u"7d666be70f6586be664607040ebc2977.zip"); }
    download_row_input_t input(bool no_update = false) const
    {
        download_row_input_t in;
        in.link = pkg_link;
        in.expected_size = 5000;
        in.no_update = no_update;
        in.inf_names = {u"drv\\b.inf", u"drv\\a.inf"};
        return in;
    }
};

} // namespace

TEST(DownloadRow, InputFromTheGroupOfDevices)
{
    driver_offer_t best_a, latest_a, best_b;
    copy_field(best_a.inf_name, offer_inf_name_chars, u"net\\x64\\a.inf");
    copy_field(latest_a.inf_name, offer_inf_name_chars, u"net\\x64\\a2.inf");
    copy_field(best_b.inf_name, offer_inf_name_chars, u"net\\x86\\b.inf");
    best_a.size = 123456;
    device_t a, b, none;
    a.best_offer = &best_a;
    a.latest_offer = &latest_a;
    b.best_offer = &best_b;
    offer_group_t group;
    group.key = pkg_link;
    group.offer = &best_a;
    group.no_update = 1;
    group.devices = {&a, &none, &b};

    struct row { int32_t mode; std::vector<u16> inf_names; };
    const row rows[] = {
        {grouping_by_best_offer, {u"net\\x64\\a.inf", u"net\\x86\\b.inf"}},
        {grouping_by_latest_offer, {u"net\\x64\\a2.inf"}},
        {7, {}},
    };
    for (const auto& r : rows) {
        group.mode = r.mode;
        download_row_input_t in = download_row_input_for(group);
        EXPECT_EQ(in.link, pkg_link);
        EXPECT_EQ(in.expected_size, 123456u);
        EXPECT_TRUE(in.no_update);
        EXPECT_EQ(in.inf_names, r.inf_names) << r.mode;
    }
}

TEST(DownloadRow, ButtonActionByState)
{
    EXPECT_EQ(row_button_action(download_not_downloaded), row_action_t::start);
    EXPECT_EQ(row_button_action(download_downloading), row_action_t::pause);
    EXPECT_EQ(row_button_action(download_paused), row_action_t::start);
    EXPECT_EQ(row_button_action(download_failed), row_action_t::start);
    EXPECT_EQ(row_button_action(download_complete), row_action_t::install);
    EXPECT_EQ(row_button_action(static_cast<download_state_t>(0)), row_action_t::none);
    EXPECT_EQ(row_button_action(static_cast<download_state_t>(9)), row_action_t::none);
}

TEST(DownloadRow, ProgressAtCreationComesFromTheSession)
{
    row_fixture_t f;
    test::write_file(f.temp(), std::string(1250, 'x'));
    download_row_c row(f.input(), f.sessions, f.services, f.host);
    EXPECT_EQ(row.bytes_done, 1250u);
    EXPECT_EQ(row.expected_size, 5000u);
    EXPECT_FLOAT_EQ(row.fraction, 0.25f);
    EXPECT_EQ(f.host.timer_starts, 0);  // nothing runs
    EXPECT_STREQ(row.status_text_key().name, "download_download_paused");
}

TEST(DownloadRow, NoThreadForTheTransferShowsTheErrorWithoutATimer)
{
    row_fixture_t f;
    download_row_c row(f.input(), f.sessions, f.services, f.host);
    row.click();
    EXPECT_EQ(row.session().state(), download_failed);
    EXPECT_STREQ(row.status_text_key().name, "download_download_error");
    EXPECT_TRUE(row.status().failure);
    // No byte is on disk: "Resume" would promise what cannot be.
    EXPECT_STREQ(row.button_text_key().name, "download_btn_download");
    EXPECT_EQ(f.host.timer_starts, 0);
    EXPECT_EQ(f.host.redraws, 1);
    EXPECT_FALSE(f.sessions.any_downloading());
    // A timer tick without a transfer stops the timer instead of waiting.
    row.timer_tick();
    EXPECT_EQ(f.host.timer_stops, 1);
}

TEST(DownloadRow, RemoveAsksAndDeletesTheFileOfTheStateAndTheUnpackedFolderWithThePackage)
{
    struct row {
        const char* what;
        bool temp, final;
        box_result_t answer;
        bool deleted;
        bool folder_kept;  // the unpacked folder after removing
    };
    const row rows[] = {
        {"complete, Yes", false, true, box_result_t::accepted, true, false},
        {"complete, closed without an answer keeps the file", false, true, box_result_from_button(0), false, true},
        {"complete, No", false, true, box_result_t::declined, false, true},
        // The package file stays, and so does what was unpacked from it.
        {"paused, Yes", true, true, box_result_t::accepted, true, true},
        {"paused without a package file, Yes", true, false, box_result_t::accepted, true, false},
    };
    for (const auto& r : rows) {
        row_fixture_t f;
        if (r.temp) test::write_file(f.temp(), "part");
        if (r.final) test::write_file(f.final(), "whole");
        test::write_file(f.unpacked() / "drv" / "a.inf", "unpacked");
        download_row_c rw(f.input(), f.sessions, f.services, f.host);
        int32_t before = rw.session().state();
        EXPECT_TRUE(rw.remove_enabled()) << r.what;
        f.host.answers = {r.answer};

        rw.remove();

        EXPECT_EQ(f.host.boxes, std::vector<std::string>{"remove_confirm/3"}) << r.what;
        EXPECT_EQ(rw.session().state(), r.deleted ? download_not_downloaded : before) << r.what;
        EXPECT_EQ(rw.bytes_done, r.deleted ? 0u : rw.session().bytes_done()) << r.what;
        EXPECT_EQ(rw.fraction, r.deleted ? 0.0f : rw.fraction) << r.what;
        if (before == download_complete) EXPECT_EQ(fs::exists(f.final()), !r.deleted) << r.what;
        if (before == download_paused) {
            EXPECT_EQ(fs::exists(f.temp()), !r.deleted) << r.what;
            EXPECT_EQ(fs::exists(f.final()), r.final) << r.what;
        }
        EXPECT_EQ(fs::exists(f.unpacked()), r.folder_kept) << r.what;
        EXPECT_TRUE(fs::is_directory(f.downloads)) << r.what;
    }

    row_fixture_t f;
    download_row_c rw(f.input(), f.sessions, f.services, f.host);
    EXPECT_FALSE(rw.remove_enabled());  // nothing downloaded
}

TEST(DownloadRow, RemoveTakesOnlyThePackagesOwnFolderAndNeverFollowsALinkOut)
{
    row_fixture_t f;
    test::write_file(f.final(), "whole");
    test::write_file(f.unpacked() / "drv" / "a.inf", "unpacked");
    // Another package's folder and download beside it, and a folder outside
    // that a link inside the package folder points to (where the system
    // lets the test make links).
    test::write_file(f.downloads / "0123456789abcdef0123456789abcdef" / "b.inf", "other package");
    test::write_file(f.downloads / "0123456789abcdef0123456789abcdef.zip", "other download");
    test::write_file(f.dir.path() / "outside" / "keep.txt", "keep");
    std::error_code no_link;
    fs::create_directory_symlink(f.dir.path() / "outside", f.unpacked() / "drv" / "link", no_link);

    // While an installation of the package holds its folder, the folder stays.
    u16 folder = package_folder_for(test::program_path(f.downloads), f.final_name());
    ASSERT_TRUE(package_installs().begin(folder));
    EXPECT_FALSE(remove_package_folder(test::program_path(f.downloads), f.final_name()));
    EXPECT_TRUE(fs::exists(f.unpacked() / "drv" / "a.inf"));
    package_installs().end(folder);

    download_row_c rw(f.input(), f.sessions, f.services, f.host);
    f.host.answers = {box_result_t::accepted};
    rw.remove();

    EXPECT_FALSE(fs::exists(f.final()));
    EXPECT_FALSE(fs::exists(f.unpacked()));
    EXPECT_EQ(test::read_file(f.dir.path() / "outside" / "keep.txt"), "keep");
    EXPECT_EQ(test::read_file(f.downloads / "0123456789abcdef0123456789abcdef" / "b.inf"), "other package");
    EXPECT_EQ(test::read_file(f.downloads / "0123456789abcdef0123456789abcdef.zip"), "other download");

    // The package folder itself a link to elsewhere: the link goes, what it
    // points to stays.
    test::write_file(f.final(), "whole");
    fs::create_directory_symlink(f.dir.path() / "outside", f.unpacked(), no_link);
    EXPECT_TRUE(remove_package_folder(test::program_path(f.downloads), f.final_name()));
    EXPECT_FALSE(fs::exists(fs::symlink_status(f.unpacked())));
    EXPECT_EQ(test::read_file(f.dir.path() / "outside" / "keep.txt"), "keep");

    // A package file without a name before its extension would make the
    // download folder its package folder: nothing is removed.
    EXPECT_FALSE(remove_package_folder(test::program_path(f.downloads),
                                       path_join(test::program_path(f.downloads), u".zip")));
    EXPECT_TRUE(fs::exists(f.downloads / "0123456789abcdef0123456789abcdef.zip"));
}

TEST(DownloadRow, OpenLocationByState)
{
    row_fixture_t f;
    {
        download_row_c row(f.input(), f.sessions, f.services, f.host);
        row.open_location();
    }
    test::write_file(f.temp(), "part");
    {
        download_session_list_c fresh;
        fresh.settings = f.sessions.settings;
        download_row_c row(f.input(), fresh, f.services, f.host);
        row.open_location();
    }
    fs::rename(f.temp(), f.final());
    {
        download_session_list_c fresh;
        fresh.settings = f.sessions.settings;
        download_row_c row(f.input(), fresh, f.services, f.host);
        row.open_location();
    }
    const std::vector<std::string> expected = {
        utf16_to_utf8(test::program_path(f.downloads)) + "|",
        "explorer.exe|/select,\"" + utf16_to_utf8(f.temp_name()) + "\"",
        "explorer.exe|/select,\"" + utf16_to_utf8(f.final_name()) + "\"",
    };
    EXPECT_EQ(f.shell.lines(), expected);
}

TEST(DownloadRow, TickAllLeavesRowsWithoutANewerDriver)
{
    row_fixture_t f;
    download_row_c newer(f.input(false), f.sessions, f.services, f.host);
    download_row_c same(f.input(true), f.sessions, f.services, f.host);
    EXPECT_TRUE(newer.tick_all(true));
    EXPECT_TRUE(newer.ticked);
    EXPECT_FALSE(same.tick_all(true));
    EXPECT_FALSE(same.ticked);
    same.ticked = true;  // ticked by hand
    EXPECT_FALSE(same.tick_all(false));
    EXPECT_TRUE(same.ticked);
    EXPECT_TRUE(newer.tick_all(false));
    EXPECT_FALSE(newer.ticked);
}

TEST(DownloadRow, CompleteRowInstallsWithTheSessionsFileAndTheGroupsInfFiles)
{
    row_fixture_t f;
    test::write_file(f.final(), "whole");
    download_row_c row(f.input(true), f.sessions, f.services, f.host);
    ASSERT_STREQ(row.button_text_key().name, "download_btn_setup");
    f.host.answers = {box_result_t::accepted};

    row.click();

    EXPECT_EQ(f.host.boxes, std::vector<std::string>{"download_setup_warning/3"});
    EXPECT_EQ(row.install_request()->package_path, f.final_name());
    EXPECT_EQ(row.install_request()->download_folder, test::program_path(f.downloads));
    EXPECT_EQ(row.install_request()->inf_names, (inf_name_set_t{u"drv\\a.inf", u"drv\\b.inf"}));
    // The link waits for the worker: no installer was started, so nothing
    // is recorded (here no thread could be made for it).
    EXPECT_EQ(row.install_request()->link, pkg_link);
    EXPECT_FALSE(std::filesystem::exists(f.program / "setup.dat"));
    EXPECT_EQ(f.no_threads.refused, 1);
    EXPECT_EQ(row.session().state(), download_complete);
}

TEST(DownloadRow, QuestionsBeforeDownloadingAllAndQuitting)
{
    struct row { box_result_t answer; bool download_all; };
    const row rows[] = {
        {box_result_t::accepted, true},
        {box_result_t::declined, false},
        {box_result_from_button(0), false},  // closed without an answer
    };
    for (const auto& r : rows) {
        test::recording_host_c host;
        host.answers = {r.answer};
        EXPECT_EQ(confirm_download_all(host), r.download_all) << static_cast<int>(r.answer);
        EXPECT_EQ(host.boxes, std::vector<std::string>{"download_all_warning/3"});
    }

    // Nothing downloading: no question at all.
    row_fixture_t f;
    f.sessions.find_or_create(pkg_link, 5000);
    EXPECT_TRUE(confirm_quit(f.sessions, f.host));
    EXPECT_TRUE(f.host.boxes.empty());
}
