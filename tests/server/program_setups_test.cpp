// The program's setups offered to the updater: the newest of each
// architecture as a signed version document, and the setup itself with
// Range support.
#include "catalogue/package_files.h"
#include "http/program_setups.h"
#include "service/program_document.h"
#include "service_fixture.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fstream>

namespace fs = std::filesystem;
using namespace tdu::server;
using tdu::server::test::service_fixture_c;

namespace {

using ProgramSetups = service_fixture_c;

void write(const fs::path& p, const std::string& bytes)
{
    std::ofstream(p, std::ios::binary) << bytes;
}

} // namespace

TEST(ProgramSetupNames, VersionAndArchitectureFromTheBuildsNames)
{
    struct row {
        const char* name;
        bool ok;
        const char* version;
        const char* arch;
    } rows[] = {
        {"TavrillDriverUpdater-Setup-4.2.0.1.exe", true, "4.2.0.1", "x86"},
        {"TavrillDriverUpdater-Setup-4.2.0.1-x64.exe", true, "4.2.0.1", "x64"},
        {"TavrillDriverUpdater-Setup-5.exe", true, "5.0.0.0", "x86"},
        {"TavrillDriverUpdater-Setup-4.2.0.1-arm64.exe", false, "", ""},
        {"TavrillDriverUpdater-Setup-.exe", false, "", ""},
        {"TavrillDriverUpdater-Setup-4.2.0.1.exe.part", false, "", ""},
        {"TavrillDriverUpdater-Setup-4.2.0.1.1.exe", false, "", ""},
        {"other-4.2.0.1.exe", false, "", ""},
    };
    for (const auto& r : rows) {
        tdu::program_version_t v;
        std::string arch;
        EXPECT_EQ(setup_file_name(r.name, v, arch), r.ok) << r.name;
        if (r.ok) {
            EXPECT_EQ(tdu::program_version_text(v), r.version) << r.name;
            EXPECT_EQ(arch, r.arch) << r.name;
        }
    }
}

TEST_F(ProgramSetups, NewestSetupOfEachArchitectureIsSignedAndDownloadable)
{
    fs::path setups = dir_.path() / "setups";
    fs::create_directories(setups);
    // 4.10 is newer than 4.9: numbers, not text, are compared.
    write(setups / "TavrillDriverUpdater-Setup-4.9.0.0-x64.exe", "old x64");
    write(setups / "TavrillDriverUpdater-Setup-4.10.0.0-x64.exe", "the newest x64 setup's bytes");
    write(setups / "TavrillDriverUpdater-Setup-4.11.0.0.exe", "x86 setup");
    write(setups / "notes.txt", "ignored");
    service_options_t options;
    options.setups_folder = setups.string();
    options.signature_lifetime = 600;
    start(options);

    auto reply = request("program/x64");
    ASSERT_EQ(reply.status, 200) << reply.body;
    tdu::answer_key_t key;
    ASSERT_TRUE(tdu::parse_answer_key(public_key_line(signing_key_), key));
    int64_t now = static_cast<int64_t>(std::time(nullptr));
    auto check = tdu::verify_program_document(reply.header("X-Tavrill-Signature"), reply.body, "x64", now, {key});
    ASSERT_EQ(check.verdict, tdu::program_document_verdict_t::valid) << check.error << reply.body;
    EXPECT_EQ(tdu::program_version_text(check.document.version), "4.10.0.0");
    EXPECT_EQ(check.document.size, 28u);
    std::string hex, error;
    ASSERT_TRUE(sha256_file(setups / "TavrillDriverUpdater-Setup-4.10.0.0-x64.exe", hex, error));
    EXPECT_EQ(check.document.sha256, hex);
    EXPECT_EQ(check.document.link, base_ + "setups/TavrillDriverUpdater-Setup-4.10.0.0-x64.exe");
    // The x64 document does not pass for the x86 one, nor after its time.
    EXPECT_EQ(tdu::verify_program_document(reply.header("X-Tavrill-Signature"), reply.body, "x86", now, {key}).verdict,
              tdu::program_document_verdict_t::other_arch);
    EXPECT_EQ(tdu::verify_program_document(reply.header("X-Tavrill-Signature"), reply.body, "x64", now + 601, {key})
                  .verdict,
              tdu::program_document_verdict_t::expired);

    auto x86 = request("program/x86");
    ASSERT_EQ(x86.status, 200);
    EXPECT_NE(x86.body.find("version=4.11.0.0\n"), std::string::npos) << x86.body;

    // The setup, whole and from a resume offset.
    auto whole = request(check.document.link);
    EXPECT_EQ(whole.status, 200);
    EXPECT_EQ(whole.body, "the newest x64 setup's bytes");
    auto rest = request(check.document.link, {"Range: bytes=4-"});
    EXPECT_EQ(rest.status, 206);
    EXPECT_EQ(rest.body, "newest x64 setup's bytes");

    // A new setup dropped in is offered at once; names outside the form
    // and other paths are not served.
    write(setups / "TavrillDriverUpdater-Setup-5.0.0.0-x64.exe", "five");
    EXPECT_NE(request("program/x64").body.find("version=5.0.0.0\n"), std::string::npos);
    EXPECT_EQ(request("setups/notes.txt").status, 404);
    EXPECT_EQ(request("setups/..%2Fcatalogue.db").status, 404);
    EXPECT_EQ(request("program/arm64").status, 404);
}

TEST_F(ProgramSetups, WithoutSetupsThereIsNoDocument)
{
    start();
    EXPECT_EQ(request("program/x64").status, 404);
    stop();
    service_.reset();
    service_options_t options;
    options.setups_folder = (dir_.path() / "empty").string();
    fs::create_directories(options.setups_folder);
    start(options);
    auto reply = request("program/x86");
    EXPECT_EQ(reply.status, 404);
    EXPECT_TRUE(reply.header("X-Tavrill-Signature").empty());
}
