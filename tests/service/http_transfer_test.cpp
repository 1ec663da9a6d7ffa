// The HTTP transfer layer against real servers on 127.0.0.1: memory
// requests, downloads to file with resume, oversize and stop, and the retry
// loop. The same file runs natively and under Wine.
#include "service/http_transfer.h"

#include "common/last_error.h"
#include "common/text.h"
#include "support/server_access.h"
#include "support/test_pattern.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

using namespace tdu;
using namespace tdu::test;
namespace fs = std::filesystem;

namespace {

transfer_ptr make_transfer(int32_t capacity)
{
    transfer_ptr t(transfer_create(capacity));
    if (!t) ADD_FAILURE() << "transfer_create failed";
    return t;
}

std::string body_of(const http_response_t& r)
{
    return r.body ? std::string(r.body->data.get(), static_cast<size_t>(r.body->used)) : std::string();
}

// A download target in a fresh folder.
struct download_fixture_t {
    temp_dir_c dir;
    u16 path = utf8_to_utf16((dir.path() / "package.zip.tmp").u8string());
    transfer_progress_t progress;

    std::string file() const { return read_file(dir.path() / "package.zip.tmp"); }
    bool exists() const { return fs::exists(dir.path() / "package.zip.tmp"); }
    void put(const std::string& bytes)
    {
        write_file(dir.path() / "package.zip.tmp", bytes);
        progress.bytes_done = static_cast<uint32_t>(bytes.size());
    }
};

} // namespace

TEST(TransferRequest, TurnsStatusesAndTransportFailuresIntoOneResult)
{
    struct row {
        std::string url;
        int32_t status;
        int32_t result;  // -1: any non-zero transport result
    };
    const row rows[] = {
        {server_url("/status/200"), 200, 0},
        {server_url("/status/404"), 404, 22},
        {server_url("/status/500"), 500, 22},
        {server_url("/status/504"), 504, 22},
        {refused_url("/"), 504, CURLE_COULDNT_CONNECT},
        {garbage_server_url(), 504, -1},
    };
    auto t = make_transfer(4096);
    for (const auto& r : rows) {
        const http_response_t& res = transfer_request(*t, r.url.c_str(), transfer_method_get);
        EXPECT_EQ(res.status, r.status) << r.url;
        if (r.result >= 0) {
            EXPECT_EQ(res.result, r.result) << r.url;
        } else {
            EXPECT_NE(res.result, 0) << r.url;
        }
        if (res.result != 0 && res.result != 22) {
            EXPECT_STRNE(res.error_text, "") << r.url;
        }
    }
    const http_response_t& ok = transfer_request(*t, server_url("/status/200").c_str(), transfer_method_get);
    EXPECT_EQ(body_of(ok), "status 200");
    ASSERT_NE(ok.content_type, nullptr);
    EXPECT_EQ(std::string(ok.content_type).rfind("text/plain", 0), 0u);
}

TEST(TransferRequest, BodyFillsTheBufferUpToOneByteBelowItsCapacity)
{
    auto t = make_transfer(1001);
    const http_response_t& fits = transfer_request(*t, server_url("/bytes/1000").c_str(), transfer_method_get);
    EXPECT_EQ(fits.result, 0);
    EXPECT_EQ(body_of(fits), pattern_bytes(0, 1000));
    EXPECT_EQ(fits.body->data[1000], 0) << "the body is always followed by a zero byte";

    const http_response_t& over = transfer_request(*t, server_url("/bytes/1001").c_str(), transfer_method_get);
    EXPECT_EQ(over.result, CURLE_WRITE_ERROR);
    EXPECT_EQ(over.status, 200);
    EXPECT_STRNE(over.error_text, "");

    // A request after a long one starts from an empty, zeroed buffer.
    const http_response_t& small = transfer_request(*t, server_url("/bytes/3").c_str(), transfer_method_get);
    EXPECT_EQ(small.body->used, 3);
    EXPECT_EQ(small.body->data[3], 0);
    EXPECT_EQ(small.body->data[999], 0);

    auto no_buffer = make_transfer(0);
    EXPECT_EQ(transfer_request(*no_buffer, server_url("/bytes/10").c_str(), transfer_method_get).result,
              CURLE_WRITE_ERROR);
}

TEST(TransferRequest, SendsTheSharedHeadersAndDecodesCompressedAnswers)
{
    auto t = make_transfer(100000);
    const http_response_t& r = transfer_request(*t, server_url("/text/50000").c_str(), transfer_method_get);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(body_of(r), text_bytes(50000));
    EXPECT_EQ(server_seen("/text/50000", "user-agent"), "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0)");
    EXPECT_EQ(server_seen("/text/50000", "connection"), "close");
    EXPECT_NE(server_seen("/text/50000", "accept-encoding").find("gzip"), std::string::npos);
}

TEST(TransferRequest, FollowsUpToTwentyRedirectsOverPlainHttpOnly)
{
    auto t = make_transfer(4096);
    const http_response_t& twenty = transfer_request(*t, server_url("/redirect/20").c_str(), transfer_method_get);
    EXPECT_EQ(twenty.result, 0);
    EXPECT_EQ(body_of(twenty), "landed");
    EXPECT_EQ(transfer_request(*t, server_url("/redirect/21").c_str(), transfer_method_get).result,
              CURLE_TOO_MANY_REDIRECTS);
    EXPECT_EQ(transfer_request(*t, server_url("/to-https").c_str(), transfer_method_get).result,
              CURLE_UNSUPPORTED_PROTOCOL);
}

TEST(TransferRequest, PostsAFormOnceAndAnEmptyBodyWithout)
{
    auto t = make_transfer(4096);
    curl_formadd(&t->form_first, &t->form_last, CURLFORM_COPYNAME, "field", CURLFORM_COPYCONTENTS, "value",
                 CURLFORM_END);
    EXPECT_EQ(transfer_request(*t, server_url("/status/201/form").c_str(), transfer_method_post).result, 0);
    EXPECT_EQ(t->form_first, nullptr);
    EXPECT_EQ(t->form_last, nullptr);
    // With no form the POST has an empty body (and never waits for stdin).
    const http_response_t& empty = transfer_request(*t, server_url("/status/200/empty").c_str(), transfer_method_post);
    EXPECT_EQ(empty.result, 0);
    EXPECT_EQ(server_seen("/status/200/empty", "hits"), "1");
}

TEST(TransferDownload, WritesAFreshFileAndResumesWithARange)
{
    download_fixture_t d;
    d.progress.expected_size = 5000;
    auto t = make_transfer(0);
    std::string url = server_url("/bytes/5000/fresh");
    ASSERT_EQ(transfer_download(*t, url.c_str(), d.path.c_str(), d.progress), 0);
    EXPECT_EQ(d.progress.result_code, 0);
    EXPECT_EQ(d.progress.http_status, 200);
    EXPECT_EQ(d.progress.bytes_done, 5000u);
    EXPECT_EQ(d.file(), pattern_bytes(0, 5000));
    EXPECT_EQ(server_seen("/bytes/5000/fresh", "range"), "");

    download_fixture_t r;
    r.put(pattern_bytes(0, 1000));
    r.progress.expected_size = 5000;
    url = server_url("/bytes/5000/resume");
    ASSERT_EQ(transfer_download(*t, url.c_str(), r.path.c_str(), r.progress), 0);
    EXPECT_EQ(server_seen("/bytes/5000/resume", "range"), "bytes=1000-");
    EXPECT_EQ(r.progress.http_status, 206);
    EXPECT_EQ(r.progress.result_code, 0);
    EXPECT_EQ(r.progress.bytes_done, 5000u);
    EXPECT_EQ(r.file(), pattern_bytes(0, 5000));

    // After a resume the same transfer downloads afresh without a range and
    // truncates what the file held.
    download_fixture_t again;
    again.put("stale bytes of an earlier attempt");
    again.progress.bytes_done = 0;
    again.progress.expected_size = 300;
    url = server_url("/bytes/300/again");
    ASSERT_EQ(transfer_download(*t, url.c_str(), again.path.c_str(), again.progress), 0);
    EXPECT_EQ(server_seen("/bytes/300/again", "range"), "");
    EXPECT_EQ(again.file(), pattern_bytes(0, 300));
}

TEST(TransferDownload, NeverGrowsTheFilePastTheExpectedSize)
{
    download_fixture_t d;
    d.progress.expected_size = 4000;
    auto t = make_transfer(0);
    set_last_error(0);
    std::string url = server_url("/bytes/5000/oversize");
    ASSERT_EQ(transfer_download(*t, url.c_str(), d.path.c_str(), d.progress), 0);
    EXPECT_EQ(d.progress.result_code, CURLE_WRITE_ERROR);
    EXPECT_EQ(t->download_error, error_download_too_large);
    EXPECT_EQ(get_last_error(), error_download_too_large);
    EXPECT_LE(d.file().size(), 4000u);
    EXPECT_EQ(d.file().size(), d.progress.bytes_done.load());
    EXPECT_EQ(d.file(), pattern_bytes(0, d.file().size()));
}

TEST(TransferDownload, ResumeAgainstAServerThatIgnoresRangeAppendsNothing)
{
    download_fixture_t d;
    d.put(pattern_bytes(0, 1000));
    d.progress.expected_size = 5000;
    auto t = make_transfer(0);
    std::string url = server_url("/norange/5000/resume");
    ASSERT_EQ(transfer_download(*t, url.c_str(), d.path.c_str(), d.progress), 0);
    EXPECT_EQ(server_seen("/norange/5000/resume", "range"), "bytes=1000-");
    EXPECT_EQ(d.progress.http_status, 200);
    EXPECT_NE(d.progress.result_code, 0);
    EXPECT_EQ(t->download_error, error_download_too_large);
    EXPECT_EQ(d.file(), pattern_bytes(0, 1000)) << "the file's start must not be appended to its end";
    EXPECT_EQ(d.progress.bytes_done, 1000u);
}

TEST(TransferDownload, ARefusedResumeMarksTheAttemptForAFreshStart)
{
    // The bytes on disk reach the end of the server's file: a conforming
    // server answers the range with 416, and nothing reaches the file.
    download_fixture_t d;
    d.put(pattern_bytes(0, 3000));
    d.progress.expected_size = 5000;
    auto t = make_transfer(0);
    std::string url = server_url("/bytes/3000/refused");
    ASSERT_EQ(transfer_download(*t, url.c_str(), d.path.c_str(), d.progress), 0);
    EXPECT_EQ(server_seen("/bytes/3000/refused", "range"), "bytes=3000-");
    EXPECT_EQ(d.progress.http_status, 416);
    EXPECT_NE(d.progress.result_code, 0);
    EXPECT_TRUE(t->range_refused);
    EXPECT_EQ(d.file(), pattern_bytes(0, 3000));

    // Any other answer, also another error, leaves the mark off.
    download_fixture_t other;
    other.put(pattern_bytes(0, 100));
    other.progress.expected_size = 5000;
    url = server_url("/status/503/not-a-range");
    ASSERT_EQ(transfer_download(*t, url.c_str(), other.path.c_str(), other.progress), 0);
    EXPECT_FALSE(t->range_refused);
}

TEST(TransferDownload, ErrorPagesNeverReachThePackageFile)
{
    download_fixture_t fresh;
    fresh.progress.expected_size = 5000;
    auto t = make_transfer(0);
    std::string url = server_url("/status/404/pkg.zip");
    ASSERT_EQ(transfer_download(*t, url.c_str(), fresh.path.c_str(), fresh.progress), 0);
    EXPECT_EQ(fresh.progress.http_status, 404);
    EXPECT_EQ(fresh.progress.result_code, CURLE_HTTP_RETURNED_ERROR);
    EXPECT_EQ(fresh.file(), "");
    EXPECT_EQ(fresh.progress.bytes_done, 0u);

    download_fixture_t resumed;
    resumed.put(pattern_bytes(0, 700));
    resumed.progress.expected_size = 5000;
    url = server_url("/status/503/pkg.zip");
    ASSERT_EQ(transfer_download(*t, url.c_str(), resumed.path.c_str(), resumed.progress), 0);
    EXPECT_EQ(resumed.progress.http_status, 503);
    EXPECT_NE(resumed.progress.result_code, 0);
    EXPECT_EQ(resumed.file(), pattern_bytes(0, 700));
    EXPECT_EQ(resumed.progress.bytes_done, 700u);
}

TEST(TransferDownload, TakesHttpInAnyCaseAndRefusesOtherSchemes)
{
    auto t = make_transfer(0);
    download_fixture_t upper;
    upper.progress.expected_size = 100;
    std::string url = server_url("/bytes/100/upper");
    url.replace(0, 4, "HTTP");
    ASSERT_EQ(transfer_download(*t, url.c_str(), upper.path.c_str(), upper.progress), 0);
    EXPECT_EQ(upper.progress.result_code, 0);
    EXPECT_EQ(upper.file(), pattern_bytes(0, 100));

    for (const char* other : {"https://127.0.0.1:1/pkg.zip", "file:///etc/hostname", "", "http:/x"}) {
        download_fixture_t d;
        d.progress.expected_size = 100;
        EXPECT_EQ(transfer_download(*t, other, d.path.c_str(), d.progress), -1) << other;
        EXPECT_EQ(d.progress.result_code, CURLE_URL_MALFORMAT) << other;
        EXPECT_FALSE(d.exists()) << other;
    }
}

TEST(TransferDownload, FtpStartsFromTheFirstByteEvenWithBytesOnDisk)
{
    // No FTP server runs here: the refused connection still shows that the
    // file was truncated and the count restarted rather than resumed.
    download_fixture_t d;
    d.put(pattern_bytes(0, 800));
    d.progress.expected_size = 1000;
    auto t = make_transfer(0);
    ASSERT_EQ(transfer_download(*t, "FTP://127.0.0.1:1/pkg.zip", d.path.c_str(), d.progress), 0);
    EXPECT_EQ(d.progress.result_code, CURLE_COULDNT_CONNECT);
    EXPECT_EQ(d.file(), "");
    EXPECT_EQ(d.progress.bytes_done, 0u);
}

TEST(TransferDownload, ATargetThatCannotBeOpenedFailsWithCode4)
{
    temp_dir_c dir;
    u16 path = utf8_to_utf16((dir.path() / "missing folder" / "pkg.tmp").u8string());
    transfer_progress_t progress;
    progress.expected_size = 100;
    auto t = make_transfer(0);
    set_last_error(0);
    std::string url = server_url("/bytes/100");
    EXPECT_EQ(transfer_download(*t, url.c_str(), path.c_str(), progress), -1);
    EXPECT_EQ(get_last_error(), error_download_open);
}

TEST(TransferDownload, AStopRequestEndsTheTransferWithResultZero)
{
    auto t = make_transfer(0);
    download_fixture_t before;
    before.progress.expected_size = 5000;
    before.progress.stop_requested = 1;
    std::string url = server_url("/bytes/5000/stopped");
    ASSERT_EQ(transfer_download(*t, url.c_str(), before.path.c_str(), before.progress), 0);
    EXPECT_EQ(before.progress.result_code, 0);
    EXPECT_LT(before.progress.bytes_done, 5000u);

    // A stalled transfer is stopped from another thread once its first
    // byte is in.
    download_fixture_t stalled;
    stalled.progress.expected_size = 1000;
    std::thread pauser([&] {
        while (stalled.progress.bytes_done.load() < 1) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        stalled.progress.stop_requested = 1;
    });
    url = server_url("/stall/1000/paused");
    ASSERT_EQ(transfer_download(*t, url.c_str(), stalled.path.c_str(), stalled.progress), 0);
    pauser.join();
    EXPECT_EQ(stalled.progress.result_code, 0);
    EXPECT_EQ(stalled.progress.bytes_done, 1u);
    EXPECT_EQ(stalled.file(), pattern_bytes(0, 1));
}

TEST(TransferDownload, AStalledOrCutAnswerEndsWithATransportError)
{
    auto t = make_transfer(0);
    // The shipped low-speed window is 30 s; one second shows the same rule.
    curl_easy_setopt(t->handle, CURLOPT_LOW_SPEED_TIME, 1L);
    download_fixture_t stalled;
    stalled.progress.expected_size = 1000;
    std::string url = server_url("/stall/1000/timeout");
    ASSERT_EQ(transfer_download(*t, url.c_str(), stalled.path.c_str(), stalled.progress), 0);
    EXPECT_EQ(stalled.progress.result_code, CURLE_OPERATION_TIMEDOUT);
    EXPECT_EQ(stalled.file(), pattern_bytes(0, 1));

    download_fixture_t cut;
    cut.progress.expected_size = 4000;
    url = server_url("/close-early/4000");
    ASSERT_EQ(transfer_download(*t, url.c_str(), cut.path.c_str(), cut.progress), 0);
    EXPECT_EQ(cut.progress.result_code, CURLE_PARTIAL_FILE);
    EXPECT_EQ(cut.progress.bytes_done, 2000u);
    EXPECT_EQ(cut.file(), pattern_bytes(0, 2000));
}

TEST(DownloadWithRetries, EscapesSpacesAndStopsAtTheFirstCleanAttempt)
{
    download_fixture_t d;
    d.progress.expected_size = 100;
    std::string link = server_url("/bytes/100/new driver.zip?name=a%20b");
    EXPECT_EQ(download_with_retries(link, d.path.c_str(), d.progress, 0), 0);
    EXPECT_EQ(d.progress.result_code, 0);
    EXPECT_EQ(d.file(), pattern_bytes(0, 100));
    EXPECT_EQ(server_seen("/bytes/100/new%20driver.zip", "hits"), "1");
}

TEST(DownloadWithRetries, MakesTenAttemptsThenGivesUp)
{
    download_fixture_t d;
    d.progress.expected_size = 100;
    EXPECT_EQ(download_with_retries(server_url("/status/500/ten"), d.path.c_str(), d.progress, 0), 0);
    EXPECT_EQ(server_seen("/status/500/ten", "hits"), "10");
    EXPECT_EQ(d.progress.http_status, 500);
    EXPECT_NE(d.progress.result_code, 0);

    download_fixture_t scheme;
    scheme.progress.expected_size = 100;
    EXPECT_EQ(download_with_retries("https://127.0.0.1:1/pkg.zip", scheme.path.c_str(), scheme.progress, 0), -1);
    EXPECT_EQ(scheme.progress.result_code, CURLE_URL_MALFORMAT);
}

TEST(DownloadWithRetries, StartsAfreshAfterAnOversizedAttempt)
{
    // The server ignores the range: the first attempt is refused, the file
    // deleted, and the second attempt fetches the whole file from byte 0.
    download_fixture_t d;
    d.put(pattern_bytes(0, 1000));
    d.progress.expected_size = 5000;
    EXPECT_EQ(download_with_retries(server_url("/norange/5000/retry"), d.path.c_str(), d.progress, 0), 0);
    EXPECT_EQ(d.progress.result_code, 0);
    EXPECT_EQ(d.progress.bytes_done, 5000u);
    EXPECT_EQ(d.file(), pattern_bytes(0, 5000));
    EXPECT_EQ(server_seen("/norange/5000/retry", "hits"), "2");
    EXPECT_EQ(server_seen("/norange/5000/retry", "range"), "");

    // An answer that is always too long: every attempt deletes the file.
    download_fixture_t big;
    big.progress.expected_size = 4000;
    EXPECT_EQ(download_with_retries(server_url("/bytes/5000/always"), big.path.c_str(), big.progress, 0), 0);
    EXPECT_EQ(server_seen("/bytes/5000/always", "hits"), "10");
    EXPECT_FALSE(big.exists());
    EXPECT_EQ(big.progress.bytes_done, 0u);
}

TEST(DownloadWithRetries, AFileThatHoldsEveryByteNeedsNoNetwork)
{
    // The move to the final name failed, or a pause came after the last
    // chunk: the next start finds the whole package in the temporary file.
    download_fixture_t d;
    d.put(pattern_bytes(0, 4000));
    d.progress.expected_size = 4000;
    d.progress.result_code = CURLE_WRITE_ERROR;  // left by an earlier run
    EXPECT_EQ(download_with_retries(server_url("/bytes/4000/complete"), d.path.c_str(), d.progress, 0), 0);
    EXPECT_EQ(d.progress.result_code, 0);
    EXPECT_EQ(d.progress.bytes_done, 4000u);
    EXPECT_EQ(d.file(), pattern_bytes(0, 4000));
    EXPECT_EQ(server_seen("/bytes/4000/complete", "hits"), "0");

    // A package of size 0 still asks the server: nothing on disk tells an
    // empty package from one never fetched.
    download_fixture_t empty;
    empty.put("");
    empty.progress.expected_size = 0;
    EXPECT_EQ(download_with_retries(server_url("/bytes/0/empty"), empty.path.c_str(), empty.progress, 0), 0);
    EXPECT_EQ(server_seen("/bytes/0/empty", "hits"), "1");
    EXPECT_EQ(empty.progress.result_code, 0);
}

TEST(DownloadWithRetries, ARefusedResumeStartsAfreshFromZero)
{
    // The package was re-published shorter than what the temporary file
    // holds: the resume gets 416, the file is deleted, and the next attempt
    // fetches the whole file from byte 0 (its size then decides).
    download_fixture_t d;
    d.put(pattern_bytes(0, 3000));
    d.progress.expected_size = 5000;
    EXPECT_EQ(download_with_retries(server_url("/bytes/2000/shorter"), d.path.c_str(), d.progress, 0), 0);
    EXPECT_EQ(server_seen("/bytes/2000/shorter", "hits"), "2");
    EXPECT_EQ(server_seen("/bytes/2000/shorter", "range"), "");
    EXPECT_EQ(d.progress.result_code, 0);
    EXPECT_EQ(d.progress.bytes_done, 2000u);
    EXPECT_EQ(d.file(), pattern_bytes(0, 2000));
}

TEST(DownloadWithRetries, ALinkLongerThanTheLimitIsRefusedWithoutAnAttempt)
{
    struct row {
        const char* what;
        size_t length;  // of the whole link
        char filler;    // a space is escaped into three characters
        bool fetched;
    };
    const row rows[] = {
        {"a link at the limit", download_link_max, 'a', true},
        {"a link one past the limit", download_link_max + 1, 'a', false},
        {"a link whose escaped form passes the limit", 600, ' ', false},
    };
    for (const auto& r : rows) {
        std::string base = server_url("/bytes/10/long/");
        std::string link = base + std::string(r.length - base.size() - 4, r.filler) + ".zip";
        download_fixture_t d;
        d.progress.expected_size = 10;
        int rc = download_with_retries(link, d.path.c_str(), d.progress, 0);
        if (r.fetched) {
            EXPECT_EQ(rc, 0) << r.what;
            EXPECT_EQ(d.progress.result_code, 0) << r.what;
            EXPECT_EQ(server_seen(link.substr(link.find("/bytes/")), "hits"), "1") << r.what;
        } else {
            EXPECT_EQ(rc, -1) << r.what;
            EXPECT_EQ(d.progress.result_code, CURLE_URL_MALFORMAT) << r.what;
            EXPECT_FALSE(d.exists()) << r.what;
        }
    }
}

TEST(DownloadWithRetries, ReactsOnlyToItsOwnOversizeCode)
{
    // Another thread's code 25 in last_error_code must not make this loop
    // delete a file that a failed attempt left for resuming.
    download_fixture_t d;
    d.put(pattern_bytes(0, 500));
    d.progress.expected_size = 5000;
    set_last_error(error_download_too_large);
    EXPECT_EQ(download_with_retries(server_url("/status/503/own"), d.path.c_str(), d.progress, 0), 0);
    EXPECT_EQ(d.file(), pattern_bytes(0, 500));
    EXPECT_EQ(d.progress.bytes_done, 500u);
}

TEST(DownloadWithRetries, APauseDuringTheWaitEndsTheLoop)
{
    download_fixture_t d;
    d.progress.expected_size = 100;
    std::thread pauser([&] {
        while (server_seen("/status/500/pause", "hits") == "0")
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        d.progress.stop_requested = 1;
    });
    // With the shipped 5-second pause: the stop request cuts the wait short
    // and the next attempt stops at once.
    EXPECT_EQ(download_with_retries(server_url("/status/500/pause"), d.path.c_str(), d.progress), 0);
    pauser.join();
    // The pause lands during the first attempt (which then ends the loop with
    // its own result) or during the wait (the second attempt stops at once).
    EXPECT_LE(std::stoi(server_seen("/status/500/pause", "hits")), 2);
    EXPECT_NE(d.progress.stop_requested.load(), 0);
}
