// Download sessions without transfers: names, the starting state found on
// disk, state texts, the list, removing files, and a thread that cannot be
// started.
#include "packages/download_session.h"

#include "common/files.h"
#include "common/sha256.h"
#include "fakes.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace tdu;
namespace fs = std::filesystem;

namespace {


struct sessions_fixture_t {
    test::temp_dir_c dir;
    test::refusing_threads_c no_threads;
    download_session_list_c sessions;

    sessions_fixture_t()
    {
        sessions.settings.download_folder = test::program_path(dir.path());
        sessions.settings.threads = &no_threads;
    }
    // The files of "http://127.0.0.1/drivers/pkg.zip".
    fs::path temp() const { return dir.path() / "7d666be70f6586be664607040ebc2977.zip.tmp"; }
    fs::path final() const { return dir.path() / "7d666be70f6586be664607040ebc2977.zip"; }
};

const char* const pkg_link = "http://127.0.0.1/drivers/pkg.zip";

} // namespace

TEST(DownloadNames, DigestOfTheLastSegmentAndTheLinksExtension)
{
    struct row { const char* link; const char16_t* name; };
    const row rows[] = {
        {"http://127.0.0.1/drivers/pkg.zip", u"7d666be70f6586be664607040ebc2977.zip"},
        {"ftp://127.0.0.1/other/folder/pkg.zip", u"7d666be70f6586be664607040ebc2977.zip"},
        {"http://127.0.0.1/a/driver.tar.gz", u"b012f4273baad3fb405c45613db8629b.gz"},
        // No dot in the last segment: no extension (a dot of the host name
        // would have put a folder into the name).
        {"http://127.0.0.1/get", u"b5eda0a74558a342cf659187f06f746f"},
        {"http://downloads.example.test/latest", u"71ccb7a35a452ea8153b6d920f9f190e"},
        // What a file name cannot hold ends the extension; the digest keeps it.
        {"http://127.0.0.1/pkg.exe?id=7", u"e575456ad1a28929458119fcbca93013.exe"},
        {"http://127.0.0.1/", u"d41d8cd98f00b204e9800998ecf8427e"},
        {"http://127.0.0.1/pkg.", u"892c34a3623981d58509aca7a220a9dc"},
        {"pkg.zip", u"7d666be70f6586be664607040ebc2977.zip"},
        // An 8-bit link: the digest of its bytes, the extension through the
        // code page.
        {"http://127.0.0.1/caf\xE9.zip", u"64366d4525edcd1c034bb6ced6306004.zip"},
        {"http://127.0.0.1/x.\xE9xe", u"9e315afcfc7efe29a402aa98d326d47d.\u00E9xe"},
    };
    for (const auto& r : rows) {
        download_names_t names = download_names(r.link, u"C:\\dl");
        EXPECT_EQ(names.final_path, u"C:\\dl\\" + u16(r.name)) << r.link;
        EXPECT_EQ(names.temp_path, names.final_path + u".tmp") << r.link;
        // The same link gives the same names on every run.
        EXPECT_EQ(download_names(r.link, u"C:\\dl").temp_path, names.temp_path);
    }
}

TEST(DownloadSession, StartingStateComesFromTheFilesOnDisk)
{
    struct row { const char* what; int temp_bytes; int final_bytes; int32_t state; uint32_t bytes; };
    const row rows[] = {
        {"neither file", -1, -1, download_not_downloaded, 0},
        {"temporary file", 1200, -1, download_paused, 1200},
        {"empty temporary file", 0, -1, download_paused, 0},
        {"final file", -1, 5000, download_complete, 5000},
        {"both files: the temporary one wins", 700, 5000, download_paused, 700},
    };
    for (const auto& r : rows) {
        sessions_fixture_t f;
        if (r.temp_bytes >= 0) test::write_file(f.temp(), std::string(static_cast<size_t>(r.temp_bytes), 'x'));
        if (r.final_bytes >= 0) test::write_file(f.final(), std::string(static_cast<size_t>(r.final_bytes), 'x'));
        auto s = f.sessions.find_or_create(pkg_link, 5000);
        EXPECT_EQ(s->state(), r.state) << r.what;
        EXPECT_EQ(s->bytes_done(), r.bytes) << r.what;
        EXPECT_EQ(s->expected_size(), 5000u) << r.what;
        EXPECT_EQ(s->temp_path(), path_join(test::program_path(f.dir.path()), u"7d666be70f6586be664607040ebc2977.zip.tmp"));
        EXPECT_EQ(s->final_path(), path_join(test::program_path(f.dir.path()), u"7d666be70f6586be664607040ebc2977.zip"));
    }
}

TEST(DownloadSession, StateTexts)
{
    struct row { download_state_t state; const char* status; const char* button; };
    const row rows[] = {
        {download_not_downloaded, "download_not_download", "download_btn_download"},
        {download_downloading, "download_downloading", "download_btn_pause"},
        {download_paused, "download_download_paused", "download_btn_resume"},
        {download_failed, "download_download_error", "download_btn_resume"},
        {download_complete, "download_download_complete", "download_btn_setup"},
        {static_cast<download_state_t>(0), "", ""},
        {static_cast<download_state_t>(6), "", ""},
    };
    for (const auto& r : rows) {
        EXPECT_STREQ(download_status_text_key(r.state).name, r.status) << r.state;
        EXPECT_STREQ(download_button_text_key(r.state).name, r.button) << r.state;
    }
}

TEST(DownloadSession, ListFindsSessionsByTheExactLink)
{
    sessions_fixture_t f;
    auto a = f.sessions.find_or_create(pkg_link, 5000);
    auto again = f.sessions.find_or_create(pkg_link, 1);
    EXPECT_EQ(a, again);
    EXPECT_EQ(again->expected_size(), 5000u);  // the size of an existing session stays
    auto upper = f.sessions.find_or_create("http://127.0.0.1/drivers/PKG.zip", 7);
    EXPECT_NE(upper, a);
    EXPECT_EQ(upper->expected_size(), 7u);
    EXPECT_FALSE(f.sessions.any_downloading());

    // Links longer than a session downloads are kept whole: two that share
    // their first 1,024 characters share neither a session nor a file.
    std::string shared = "http://127.0.0.1/" + std::string(1500, 'a');
    auto first = f.sessions.find_or_create(shared + "/first.zip", 1);
    auto second = f.sessions.find_or_create(shared + "/second.zip", 2);
    EXPECT_NE(first, second);
    EXPECT_EQ(first->link(), shared + "/first.zip");
    EXPECT_NE(first->temp_path(), second->temp_path());
    EXPECT_EQ(f.sessions.find_or_create(shared + "/first.zip", 3), first);
}

TEST(DownloadSession, ALinkTooLongToDownloadFailsAtOnceWithoutAThread)
{
    sessions_fixture_t f;
    std::string at_limit = "http://127.0.0.1/" + std::string(download_link_chars - 21, 'a') + ".zip";
    ASSERT_EQ(at_limit.size(), download_link_chars);
    auto fits = f.sessions.find_or_create(at_limit, 10);
    EXPECT_FALSE(fits->start());  // this fixture's system gives no threads
    EXPECT_EQ(f.no_threads.refused, 1);

    auto too_long = f.sessions.find_or_create(at_limit + "x", 10);
    EXPECT_FALSE(too_long->start());
    EXPECT_EQ(f.no_threads.refused, 1);  // no thread was asked for
    EXPECT_EQ(too_long->state(), download_failed);
    EXPECT_EQ(too_long->result_code(), CURLE_URL_MALFORMAT);
    EXPECT_FALSE(too_long->transfer_running());
    EXPECT_FALSE(f.sessions.any_downloading());
}

TEST(DownloadSession, AThreadThatCannotStartLeavesTheSessionFailed)
{
    sessions_fixture_t f;
    test::write_file(f.temp(), "part");
    auto s = f.sessions.find_or_create(pkg_link, 5000);
    ASSERT_EQ(s->state(), download_paused);

    EXPECT_FALSE(s->start());
    EXPECT_EQ(f.no_threads.refused, 1);
    EXPECT_EQ(s->state(), download_failed);
    EXPECT_FALSE(s->transfer_running());
    EXPECT_EQ(s->check_completion(), completion_t::no_transfer);
    EXPECT_EQ(s->state(), download_failed);
    EXPECT_FALSE(f.sessions.any_downloading());
    EXPECT_EQ(test::read_file(f.temp()), "part");
}

TEST(DownloadSession, RemoveDeletesTheFileOfTheState)
{
    struct row { const char* what; int temp_bytes; int final_bytes; bool removed; bool temp_left; bool final_left; };
    const row rows[] = {
        {"paused: the temporary file", 100, 5000, true, false, true},
        {"complete: the final file", -1, 5000, true, false, false},
        {"not downloaded: nothing", -1, -1, false, false, false},
    };
    for (const auto& r : rows) {
        sessions_fixture_t f;
        if (r.temp_bytes >= 0) test::write_file(f.temp(), std::string(static_cast<size_t>(r.temp_bytes), 'x'));
        if (r.final_bytes >= 0) test::write_file(f.final(), std::string(static_cast<size_t>(r.final_bytes), 'x'));
        auto s = f.sessions.find_or_create(pkg_link, 5000);
        EXPECT_EQ(s->remove_files(), r.removed) << r.what;
        EXPECT_EQ(s->state(), download_not_downloaded) << r.what;
        EXPECT_EQ(s->bytes_done(), 0u) << r.what;
        EXPECT_EQ(fs::exists(f.temp()), r.temp_left) << r.what;
        EXPECT_EQ(fs::exists(f.final()), r.final_left) << r.what;
    }

    // A failed session whose temporary file is gone deletes nothing and
    // stays as it is.
    sessions_fixture_t f;
    test::write_file(f.temp(), "x");
    auto s = f.sessions.find_or_create(pkg_link, 5000);
    s->start();  // refused: failed
    fs::remove(f.temp());
    EXPECT_FALSE(s->remove_files());
    EXPECT_EQ(s->state(), download_failed);
}

TEST(DownloadSession, APackageFoundCompleteIsCheckedAgainstTheOfferedDigest)
{
    const std::string package(5000, 'p');
    const std::string digest = sha256_hex_of(package);
    struct row {
        const char* what;
        std::string on_disk;      // the final file's bytes
        std::string expected;     // the offer's digest
        bool kept;
    };
    const row rows[] = {
        {"the offered bytes", package, digest, true},
        {"as many other bytes", std::string(5000, 'q'), digest, false},
        {"no digest offered: nothing to check", std::string(5000, 'q'), "", true},
    };
    for (const auto& r : rows) {
        sessions_fixture_t f;
        test::write_file(f.final(), r.on_disk);
        auto s = f.sessions.find_or_create(pkg_link, 5000, r.expected);
        ASSERT_EQ(s->state(), download_complete) << r.what;

        EXPECT_EQ(s->verify_complete_package(), r.kept) << r.what;
        EXPECT_EQ(fs::exists(f.final()), r.kept) << r.what;
        EXPECT_EQ(s->state(), r.kept ? download_complete : download_not_downloaded) << r.what;
        EXPECT_EQ(s->bytes_done(), r.kept ? 5000u : 0u) << r.what;
        EXPECT_EQ(s->digest_mismatch(), !r.kept) << r.what;
    }

    // Only a complete session has a package to check.
    sessions_fixture_t f;
    test::write_file(f.temp(), std::string(100, 'q'));
    auto s = f.sessions.find_or_create(pkg_link, 5000, digest);
    EXPECT_TRUE(s->verify_complete_package());
    EXPECT_EQ(s->state(), download_paused);
    EXPECT_TRUE(fs::exists(f.temp()));
}
