// Download sessions with their transfer threads against the misbehaving
// test server on 127.0.0.1: whole downloads, resume with a range, pauses,
// servers that ignore the range, close early or send too much, links that
// never reach the network, and a list rebuilt while a transfer runs.
#include "packages/download_row.h"

#include "common/files.h"
#include "common/sha256.h"
#include "fakes.h"
#include "support/server_access.h"
#include "support/test_pattern.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace tdu;
using namespace tdu::test;
namespace fs = std::filesystem;

namespace {


// A deadline that only guards against a hang; nothing asserts on time.
constexpr int hang_guard_ms = 60000;

void sleep_ms(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Polls like the row's timer until the transfer has ended and the state is
// settled.
completion_t settle(download_session_c& s)
{
    for (int waited = 0; waited < hang_guard_ms; waited += 5) {
        completion_t c = s.check_completion();
        if (c != completion_t::running) return c;
        sleep_ms(5);
    }
    ADD_FAILURE() << "the transfer did not end";
    return completion_t::running;
}

template <typename Condition>
bool wait_for(Condition done)
{
    for (int waited = 0; waited < hang_guard_ms && !done(); waited += 2) sleep_ms(2);
    return done();
}


// Compares file contents without printing megabytes when they differ.
::testing::AssertionResult same_bytes(const std::string& got, const std::string& want)
{
    if (got == want) return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
    return ::testing::AssertionFailure() << got.size() << " bytes where " << want.size()
                                         << " were expected, first difference at " << at;
}

struct transfer_fixture_t {
    temp_dir_c dir;
    download_session_list_c sessions;
    std::string file_of(const download_session_c& s) const { return read_file(test::fs_path(s.final_path())); }
    std::string temp_of(const download_session_c& s) const { return read_file(test::fs_path(s.temp_path())); }
    bool temp_exists(const download_session_c& s) const { return fs::exists(test::fs_path(s.temp_path())); }

    explicit transfer_fixture_t(uint32_t pause_ms = 10)
    {
        sessions.settings.download_folder = test::program_path(dir.path());
        sessions.settings.retry_pause_ms = pause_ms;
    }
    // The session of a server path whose first `have` bytes an earlier run
    // left in the temporary file.
    std::shared_ptr<download_session_c> paused_session(const std::string& path, size_t have, uint32_t expected)
    {
        download_names_t names = download_names(server_url(path), sessions.settings.download_folder);
        write_file(test::fs_path(names.temp_path), pattern_bytes(0, have));
        return sessions.find_or_create(server_url(path), expected);
    }
};

int hits(const std::string& path)
{
    return std::stoi(server_seen(path, "hits"));
}

} // namespace

TEST(DownloadTransfer, WholeDownloadEndsCompleteUnderTheFinalName)
{
    transfer_fixture_t f;
    const std::string path = "/bytes/70000/packages-whole/pkg.zip";
    auto s = f.sessions.find_or_create(server_url(path), 70000);
    ASSERT_EQ(s->state(), download_not_downloaded);

    ASSERT_TRUE(s->start());
    EXPECT_EQ(s->state(), download_downloading);
    EXPECT_TRUE(f.sessions.any_downloading());
    EXPECT_TRUE(s->start());  // a running transfer is not started twice
    EXPECT_EQ(settle(*s), completion_t::settled);

    EXPECT_EQ(s->state(), download_complete);
    EXPECT_FALSE(f.sessions.any_downloading());
    EXPECT_EQ(s->bytes_done(), 70000u);
    EXPECT_EQ(s->http_status(), 200);
    EXPECT_TRUE(same_bytes(f.file_of(*s), pattern_bytes(0, 70000)));
    EXPECT_FALSE(f.temp_exists(*s));
    EXPECT_EQ(hits(path), 1);
    EXPECT_EQ(s->check_completion(), completion_t::no_transfer);
}

TEST(DownloadTransfer, APackageThatCannotTakeItsFinalNameIsNotComplete)
{
    transfer_fixture_t f;
    const std::string path = "/bytes/3000/packages-blocked/pkg.zip";
    auto s = f.sessions.find_or_create(server_url(path), 3000);
    fs::create_directories(test::fs_path(s->final_path()));  // a folder holds the name
    ASSERT_TRUE(s->start());
    settle(*s);
    EXPECT_EQ(s->state(), download_failed);
    EXPECT_TRUE(same_bytes(f.temp_of(*s), pattern_bytes(0, 3000)));  // nothing is lost

    // Once the name is free, the next start only retries the move: the
    // bytes are all there, and a resume would ask for a range past the end.
    fs::remove(test::fs_path(s->final_path()));
    ASSERT_TRUE(s->start());
    settle(*s);
    EXPECT_EQ(s->state(), download_complete);
    EXPECT_TRUE(same_bytes(f.file_of(*s), pattern_bytes(0, 3000)));
    EXPECT_FALSE(f.temp_exists(*s));
    EXPECT_EQ(hits(path), 1);
}

TEST(DownloadTransfer, ACompleteTemporaryFileSettlesCompleteWithoutTheNetwork)
{
    // A pause after the last chunk, or a program that ended before its
    // completion tick, leaves every byte in the temporary file.
    transfer_fixture_t f;
    const std::string path = "/bytes/8000/packages-full/pkg.zip";
    auto s = f.paused_session(path, 8000, 8000);
    ASSERT_EQ(s->state(), download_paused);
    ASSERT_TRUE(s->start());
    settle(*s);
    EXPECT_EQ(s->state(), download_complete);
    EXPECT_EQ(s->result_code(), 0);
    EXPECT_TRUE(same_bytes(f.file_of(*s), pattern_bytes(0, 8000)));
    EXPECT_EQ(hits(path), 0);
}

TEST(DownloadTransfer, AResumeTheServerRefusesStartsAgainFromZero)
{
    // The temporary file holds more than the package the server now serves:
    // the range is refused with 416, the file deleted, and the next attempt
    // fetches the package whole.
    transfer_fixture_t f;
    const std::string path = "/bytes/2500/packages-shorter/pkg.zip";
    auto s = f.paused_session(path, 2600, 2500);
    ASSERT_TRUE(s->start());
    settle(*s);
    EXPECT_EQ(hits(path), 2);
    EXPECT_EQ(server_seen(path, "range"), "");
    EXPECT_EQ(s->state(), download_complete);
    EXPECT_TRUE(same_bytes(f.file_of(*s), pattern_bytes(0, 2500)));
}

TEST(DownloadTransfer, ResumeAsksForTheRangeOnDiskAndAppends)
{
    transfer_fixture_t f;
    const std::string path = "/bytes/50000/packages-resume/pkg.zip";
    auto s = f.paused_session(path, 12345, 50000);
    ASSERT_EQ(s->state(), download_paused);
    ASSERT_EQ(s->bytes_done(), 12345u);
    ASSERT_TRUE(s->start());
    settle(*s);

    EXPECT_EQ(s->state(), download_complete);
    EXPECT_EQ(server_seen(path, "range"), "bytes=12345-");
    EXPECT_TRUE(same_bytes(f.file_of(*s), pattern_bytes(0, 50000)));
}

TEST(DownloadTransfer, PauseStopsARunningTransferAndKeepsItsBytes)
{
    transfer_fixture_t f;
    const std::string path = "/stall/9000/packages-pause/pkg.zip";
    auto s = f.sessions.find_or_create(server_url(path), 9000);
    ASSERT_TRUE(s->start());
    ASSERT_TRUE(wait_for([&] { return s->bytes_done() >= 1; }));
    s->request_pause();
    EXPECT_EQ(s->state(), download_downloading);  // until the thread has ended
    settle(*s);

    EXPECT_EQ(s->state(), download_paused);
    EXPECT_EQ(s->result_code(), 0);
    EXPECT_TRUE(same_bytes(f.temp_of(*s), pattern_bytes(0, 1)));
    EXPECT_EQ(s->bytes_done(), 1u);
    EXPECT_EQ(hits(path), 1);

    // The pause request was cleared: the next start transfers again.
    ASSERT_TRUE(s->start());
    ASSERT_TRUE(wait_for([&] { return hits(path) == 2; }));
    EXPECT_EQ(server_seen(path, "range"), "bytes=1-");
    s->request_pause();
    settle(*s);
    EXPECT_EQ(s->state(), download_paused);
}

TEST(DownloadTransfer, ServerThatIgnoresTheRangeOverflowsAndStartsAgainFromZero)
{
    transfer_fixture_t f;
    const std::string path = "/norange/40000/packages-norange/pkg.zip";
    auto s = f.paused_session(path, 10000, 40000);
    ASSERT_EQ(s->state(), download_paused);
    ASSERT_TRUE(s->start());
    settle(*s);

    EXPECT_EQ(hits(path), 2);
    EXPECT_EQ(server_seen(path, "range"), "");  // the second attempt starts at 0
    EXPECT_EQ(s->state(), download_complete);
    EXPECT_TRUE(same_bytes(f.file_of(*s), pattern_bytes(0, 40000)));
}

TEST(DownloadTransfer, AttemptsThatKeepFailingEndFailed)
{
    struct row {
        const char* what;
        std::string path;      // on the test server; empty for `link`
        std::string link;
        uint32_t expected;
        int attempts;          // requests the server saw; -1: not counted
        bool temp_left;        // an empty file is never left: it would read as paused
        int32_t result_code;   // -1: any non-zero
        download_failure_t failure;
        const char* status;    // the row's text
        const char* button;    // the row's button: resume only where bytes can be resumed
    };
    const row rows[] = {
        {"server closes early", "/close-early/30000/packages-early/pkg.zip", "", 30000, 10, true, -1,
         download_failure_t::transfer, "download_download_error", "download_btn_resume"},
        {"more than the expected size", "/bytes/6000/packages-big/pkg.zip", "", 5000, 10, false, -1,
         download_failure_t::too_large, "download_error_too_large", "download_btn_download"},
        {"an error page instead of the package", "/status/404/packages-404/pkg.zip", "", 5000, 10, false, -1,
         download_failure_t::not_found, "download_error_not_found", "download_btn_download"},
        {"https never reaches the network", "", "https://127.0.0.1:1/packages/pkg.zip", 5000, -1, false, 3,
         download_failure_t::transfer, "download_download_error", "download_btn_download"},
        {"connection refused", "", refused_url("/packages/pkg.zip"), 5000, -1, false, -1,
         download_failure_t::transfer, "download_download_error", "download_btn_download"},
        {"expected size 0 refuses any body", "/bytes/10/packages-zero/pkg.zip", "", 0, 10, false, -1,
         download_failure_t::too_large, "download_error_too_large", "download_btn_download"},
    };
    for (const auto& r : rows) {
        transfer_fixture_t f;
        std::string link = r.path.empty() ? r.link : server_url(r.path);
        auto s = f.sessions.find_or_create(link, r.expected);
        ASSERT_TRUE(s->start()) << r.what;
        settle(*s);
        EXPECT_EQ(s->state(), download_failed) << r.what;
        if (r.attempts >= 0) EXPECT_EQ(hits(r.path), r.attempts) << r.what;
        EXPECT_EQ(f.temp_exists(*s), r.temp_left) << r.what;
        if (r.result_code >= 0)
            EXPECT_EQ(s->result_code(), r.result_code) << r.what;
        else
            EXPECT_NE(s->result_code(), 0) << r.what;
        EXPECT_EQ(s->failure(), r.failure) << r.what;
        row_status_t status = row_status(s->state(), s->failure(), s->bytes_done(), install_outcome_none);
        EXPECT_STREQ(status.text.name, r.status) << r.what;
        EXPECT_STREQ(status.button.name, r.button) << r.what;
        EXPECT_TRUE(status.failure) << r.what;
        // The next start of the program finds what the row showed.
        download_session_c again(link, r.expected, f.sessions.settings);
        EXPECT_EQ(again.state(), r.temp_left ? download_paused : download_not_downloaded) << r.what;
    }
}

TEST(DownloadTransfer, PauseDuringTheWaitEndsAfterTheNextAttempt)
{
    transfer_fixture_t f(2000);
    const std::string path = "/close-early/30000/packages-wait/pkg.zip";
    auto s = f.sessions.find_or_create(server_url(path), 30000);
    ASSERT_TRUE(s->start());
    // The first attempt has failed: the thread now waits before the next.
    ASSERT_TRUE(wait_for([&] { return s->result_code() != 0; }));
    s->request_pause();
    settle(*s);

    EXPECT_EQ(s->state(), download_paused);
    EXPECT_LE(hits(path), 2);
    EXPECT_TRUE(f.temp_exists(*s));
}

TEST(DownloadTransfer, SessionGoingAwayStopsItsTransfer)
{
    transfer_fixture_t f;
    const std::string path = "/stall/9000/packages-exit/pkg.zip";
    auto s = f.sessions.find_or_create(server_url(path), 9000);
    ASSERT_TRUE(s->start());
    ASSERT_TRUE(wait_for([&] { return s->bytes_done() >= 1; }));
    s.reset();
    f.sessions.clear();  // as at exit: waits for the thread, which stops
    EXPECT_FALSE(f.sessions.any_downloading());
}

TEST(DownloadRow, ARebuiltListFindsTheRunningTransferAndCompletesIt)
{
    transfer_fixture_t f;
    recording_shell_c shell;
    environment_t env;
    recording_processes_c processes;
    install_services_t services{shell, processes, system_threads(), env};
    const std::string path = "/stall/9000/packages-rebuild/pkg.zip";
    download_row_input_t input;
    input.link = server_url(path);
    input.expected_size = 9000;

    recording_host_c first_host;
    auto first = std::make_unique<download_row_c>(input, f.sessions, services, first_host);
    EXPECT_EQ(first_host.timer_starts, 0);
    first->click();
    EXPECT_EQ(first->session().state(), download_downloading);
    EXPECT_TRUE(first_host.timer_running);
    ASSERT_TRUE(wait_for([&] { return first->session().bytes_done() >= 1; }));
    first.reset();  // the results list is rebuilt: the old row goes away

    recording_host_c second_host;
    download_row_c second(input, f.sessions, services, second_host);
    EXPECT_TRUE(second_host.timer_running);  // started at once for the running transfer
    EXPECT_STREQ(second.button_text_key().name, "download_btn_pause");
    EXPECT_FALSE(second.remove_enabled());

    // Quitting while it runs: only Yes quits; a box closed without an
    // answer keeps the download running.
    struct quit_case_t {
        box_result_t answer;
        bool quits;
    };
    for (quit_case_t q : {quit_case_t{box_result_t::declined, false}, quit_case_t{box_result_from_button(0), false},
                          quit_case_t{box_result_t::accepted, true}}) {
        recording_host_c main_window;
        main_window.answers = {q.answer};
        EXPECT_EQ(confirm_quit(f.sessions, main_window), q.quits) << static_cast<int>(q.answer);
        EXPECT_EQ(main_window.boxes, std::vector<std::string>{"quit_confirm/3"});
    }

    second.click();  // pause
    for (int waited = 0; second_host.timer_running && waited < hang_guard_ms; waited += 5) {
        second.timer_tick();
        sleep_ms(5);
    }
    EXPECT_FALSE(second_host.timer_running);
    EXPECT_EQ(second.session().state(), download_paused);
    EXPECT_STREQ(second.status_text_key().name, "download_download_paused");
    EXPECT_EQ(second.bytes_done, 1u);
    EXPECT_FLOAT_EQ(second.fraction, 1.0f / 9000.0f);
    EXPECT_TRUE(second.remove_enabled());
}

TEST(DownloadRow, ButtonDownloadsAndTheTimerSettlesTheRow)
{
    transfer_fixture_t f;
    recording_shell_c shell;
    environment_t env;
    recording_processes_c processes;
    install_services_t services{shell, processes, system_threads(), env};
    recording_host_c host;
    download_row_input_t input;
    input.link = server_url("/bytes/20000/packages-row/pkg.zip");
    input.expected_size = 20000;
    download_row_c row(input, f.sessions, services, host);
    EXPECT_STREQ(row.button_text_key().name, "download_btn_download");
    EXPECT_EQ(row.fraction, 0.0f);

    row.click();
    EXPECT_EQ(host.timer_starts, 1);
    for (int waited = 0; host.timer_running && waited < hang_guard_ms; waited += 5) {
        row.timer_tick();
        sleep_ms(5);
    }
    EXPECT_EQ(host.timer_stops, 1);
    EXPECT_EQ(row.session().state(), download_complete);
    EXPECT_STREQ(row.button_text_key().name, "download_btn_setup");
    EXPECT_EQ(row.bytes_done, 20000u);
    EXPECT_FLOAT_EQ(row.fraction, 1.0f);
    EXPECT_GE(host.redraws, 2);
}

TEST(DownloadRow, DownloadAllStartsTickedRowsThatCanStart)
{
    transfer_fixture_t f;
    recording_shell_c shell;
    environment_t env;
    recording_processes_c processes;
    install_services_t services{shell, processes, system_threads(), env};
    recording_host_c ticked_host, unticked_host;
    download_row_input_t a, b;
    a.link = server_url("/bytes/3000/packages-all/a.zip");
    a.expected_size = 3000;
    b.link = server_url("/bytes/3000/packages-all/b.zip");
    b.expected_size = 3000;
    download_row_c ticked(a, f.sessions, services, ticked_host), unticked(b, f.sessions, services, unticked_host);
    ticked.ticked = true;

    ticked.download_all();
    unticked.download_all();
    EXPECT_EQ(ticked.session().state(), download_downloading);
    EXPECT_EQ(unticked.session().state(), download_not_downloaded);
    EXPECT_TRUE(ticked_host.timer_running);
    EXPECT_FALSE(unticked_host.timer_running);
    ticked.download_all();  // a downloading row is left alone
    settle(ticked.session());
    EXPECT_EQ(ticked.session().state(), download_complete);
    ticked.download_all();  // so is a complete one
    EXPECT_EQ(ticked.session().state(), download_complete);
    EXPECT_EQ(ticked_host.timer_starts, 1);
}

TEST(DownloadTransfer, APackageRepublishedBetweenPauseAndResumeIsCaughtByItsDigest)
{
    // The package as it was offered, and the one the server holds when the
    // paused download resumes: the same size, other bytes past the pause.
    const std::string offered = pattern_bytes(0, 90000);
    std::string republished = offered;
    for (size_t i = 30000; i < republished.size(); i += 7) republished[i] = static_cast<char>(republished[i] ^ 0x5A);
    struct row {
        const char* what;
        std::string on_server;
        std::string sha256;  // of the offer; empty: the service named none
        int32_t state;
        bool mismatch;
    };
    const row rows[] = {
        {"republished, digest given", republished, sha256_hex_of(offered), download_failed, true},
        {"unchanged, digest given", offered, sha256_hex_of(offered), download_complete, false},
        {"republished, no digest", republished, "", download_complete, false},
    };
    int n = 0;
    for (const auto& r : rows) {
        transfer_fixture_t f;
        const std::string name = "republished" + std::to_string(n++) + ".zip";
        const std::string url = server_url("/files/" + name);
        download_names_t names = download_names(url, f.sessions.settings.download_folder);
        write_file(test::fs_path(names.temp_path), offered.substr(0, 20000));  // paused after 20,000 bytes
        server_put_file(name, r.on_server);
        auto s = f.sessions.find_or_create(url, 90000, r.sha256);
        ASSERT_EQ(s->state(), download_paused) << r.what;

        ASSERT_TRUE(s->start()) << r.what;
        EXPECT_EQ(settle(*s), completion_t::settled) << r.what;
        EXPECT_EQ(s->state(), r.state) << r.what;
        EXPECT_EQ(s->digest_mismatch(), r.mismatch) << r.what;
        if (r.mismatch) {
            // nothing of the mixture is kept, and the resume starts afresh
            EXPECT_FALSE(f.temp_exists(*s)) << r.what;
            EXPECT_FALSE(fs::exists(test::fs_path(s->final_path()))) << r.what;
            EXPECT_EQ(s->bytes_done(), 0u) << r.what;
            EXPECT_EQ(row_button_action(s->state()), row_action_t::start) << r.what;
            // The row says so in the failure colour, and offers a new
            // download rather than a resume of nothing.
            row_status_t status = row_status(s->state(), s->failure(), s->bytes_done(), install_outcome_none);
            EXPECT_STREQ(status.text.name, "download_error_digest") << r.what;
            EXPECT_STREQ(status.button.name, "download_btn_download") << r.what;
            EXPECT_TRUE(status.failure) << r.what;
        } else {
            EXPECT_TRUE(same_bytes(f.file_of(*s), offered.substr(0, 20000) + r.on_server.substr(20000))) << r.what;
        }
    }
}
