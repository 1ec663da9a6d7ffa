// Package files and the catalogue that offers them: whatever an index run
// is doing, or wherever it was killed, a link an answer gave serves the
// bytes of that answer's size and SHA-256.
#include "catalogue/package_files.h"
#include "server_test_support.h"
#include "service_fixture.h"

#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <tinyxml.h>

#include <atomic>
#include <cstdio>
#include <fstream>

namespace fs = std::filesystem;
using namespace tdu::server;
using tdu::server::test::service_fixture_c;

namespace {

struct offered_t {
    std::string link, sha256, size;
};

std::vector<offered_t> offers_of(const std::string& xml)
{
    std::vector<offered_t> out;
    TiXmlDocument doc;
    doc.Parse(xml.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    EXPECT_FALSE(doc.Error()) << doc.ErrorDesc() << "\n" << xml;
    if (doc.Error()) return out;
    const TiXmlElement* hardwares = doc.RootElement()->FirstChildElement("hardwares");
    for (const TiXmlElement* h = hardwares->FirstChildElement("hardware"); h; h = h->NextSiblingElement("hardware"))
        for (const TiXmlElement* i = h->FirstChildElement("item"); i; i = i->NextSiblingElement("item")) {
            auto text = [&](const char* name) {
                const TiXmlElement* e = i->FirstChildElement(name);
                return std::string(e && e->GetText() ? e->GetText() : "");
            };
            out.push_back({text("link"), text("sha256"), text("size")});
        }
    return out;
}

class PackageStore : public service_fixture_c {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(service_fixture_c::SetUp());
        // The packages the runs below change: the demo's zip archives and a
        // folder package beside them.
        packages_ = dir_.path() / "packages";
        fs::copy(test::demo_packages_dir(), packages_);
        fs::create_directories(packages_ / "spare-1.0" / "drv");
        tdu::test::write_file(packages_ / "spare-1.0" / "drv" / "spare.inf",
                              test::small_inf("01/01/2013", "1.0.0.0",
                                              {"PCI\\VEN_1F3C&DEV_0A21&SUBSYS_00011F3C&REV_03"}));
        change_packages();
        test::index_folder(packages_, catalogue_, store_);
    }

    // Every zip archive gets one more entry where it lies, and the folder
    // package one more file.
    void change_packages()
    {
        ++round_;
        for (const auto& e : fs::directory_iterator(packages_)) {
            if (e.path().extension() == ".zip") // updated where it lies, as a packaging tool does
                tdu::server::test::append_to_zip(
                    e.path(), {{"round-" + std::to_string(round_) + ".txt", std::string(round_ * 7, 'r')}});
        }
        tdu::test::write_file(packages_ / "spare-1.0" / ("round-" + std::to_string(round_) + ".txt"), "r");
    }

    std::vector<offered_t> offers()
    {
        auto reply = post_request(tdu::test::read_file(test::demo_request_file()));
        EXPECT_EQ(reply.status, 200) << reply.body;
        return offers_of(reply.body);
    }

    // Fetches every offer's link; "" when each gave the offered bytes,
    // else what went wrong first.
    std::string check(const std::vector<offered_t>& offered)
    {
        for (const auto& o : offered) {
            auto got = request(o.link);
            if (got.status != 200) return o.link + ": status " + std::to_string(got.status);
            fs::path copy = dir_.path() / ("fetched-" + std::to_string(std::hash<std::thread::id>{}(
                                                             std::this_thread::get_id())));
            tdu::test::write_file(copy, got.body);
            std::string sha, error;
            EXPECT_TRUE(sha256_file(copy, sha, error)) << error;
            if (std::to_string(got.body.size()) != o.size || sha != o.sha256)
                return o.link + ": offered " + o.size + " bytes " + o.sha256 + ", served " +
                       std::to_string(got.body.size()) + " bytes " + sha;
        }
        return {};
    }

    fs::path packages_;
    fs::path store_ = dir_.path() / "zips";
    int round_ = 0;
};

TEST_F(PackageStore, ClientsFetchingDuringReindexingGetTheOfferedBytes)
{
    start();
    std::atomic<bool> done{false};
    std::atomic<bool> failed{false};
    std::atomic<int> fetched{0};
    std::string wrong; // the client's, read after it ended
    std::thread client([&] {
        while (!done && !failed) {
            auto offered = offers();
            wrong = check(offered);
            failed = !wrong.empty();
            fetched += static_cast<int>(offered.size());
        }
    });
    for (int run = 0; run < 6 && !failed; ++run) {
        // The packages change on disk a while before the index run sees them.
        change_packages();
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        auto report = test::index_folder(packages_, catalogue_, store_);
        EXPECT_EQ(report.updated, 10);  // the demo's nine packages and the folder package
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    done = true;
    client.join();
    EXPECT_EQ(wrong, "");
    EXPECT_GT(fetched.load(), 0);
    EXPECT_EQ(check(offers()), "");
}

TEST_F(PackageStore, AKillAtAnyStepOfAnIndexRunLeavesEveryOfferServable)
{
    start();
    const std::string helper = TDU_INDEX_STEP_HELPER;
    std::vector<std::string> killed_at;
    for (int stop_at = 1; stop_at < 80; ++stop_at) {
        change_packages();
        auto before = offers();
        ASSERT_FALSE(before.empty());
        std::string command = "exec '" + helper + "' '" + catalogue_ + "' '" + packages_.string() + "' '" +
                              store_.string() + "' " + std::to_string(stop_at);
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        char line[4096] = {};
        std::string said = std::fgets(line, sizeof line, pipe) ? line : "";
        int status = ::pclose(pipe);
        if (!said.empty() && said.back() == '\n') said.pop_back();
        if (said == "finished") break;
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << said;
        killed_at.push_back(said);
        // The offers given before the run and those given now both serve
        // their bytes.
        EXPECT_EQ(check(before), "") << "killed at " << said;
        EXPECT_EQ(check(offers()), "") << "killed at " << said;
    }
    // Every kind of step was met: packages stored, the catalogue written
    // and committed, old files removed.
    for (const char* kind : {"stored ", "written", "committed", "removing "})
        EXPECT_TRUE(std::any_of(killed_at.begin(), killed_at.end(),
                                [&](const std::string& s) { return s.rfind(kind, 0) == 0; }))
            << kind;
    // Whole runs afterwards leave the store with just the files the
    // catalogue names: the second, which changes nothing, also removes the
    // files the first retired (kept no time at all here).
    index_options_t options;
    options.catalogue = catalogue_;
    options.packages = packages_;
    options.zip_folder = store_;
    options.keep_retired = std::chrono::seconds(0);
    change_packages();
    index_report_t report;
    std::string error;
    ASSERT_TRUE(index_packages(options, report, error)) << error;
    ASSERT_TRUE(index_packages(options, report, error)) << error;
    EXPECT_EQ(report.unchanged, 10);
    size_t files = 0;
    for (const auto& e : fs::recursive_directory_iterator(store_)) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 10u);
    EXPECT_EQ(check(offers()), "");
}

} // namespace
