// The updater's course through a scripted back end: every bad case ends
// with its own outcome, and nothing is run unless the setup's bytes are
// the signed ones and the program has closed.
#include "packages/program_update.h"
#include "protocol/answer_signer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tdu;

namespace {

constexpr int64_t now_s = 1800000000;
const std::string setup_bytes_digest(64, 'a');

program_version_t version(const char* text)
{
    program_version_t v;
    EXPECT_TRUE(parse_program_version(text, v)) << text;
    return v;
}

struct signer_t {
    server::answer_secret_key_t key = server::generate_secret_key();
    answer_key_t public_key() const
    {
        answer_key_t k;
        EXPECT_TRUE(parse_answer_key(server::public_key_line(key), k));
        return k;
    }
    std::string sign(const std::string& body, const std::string& arch, int64_t expires = now_s + 600) const
    {
        std::string file = server::sign_data(key, body, program_trusted_comment(arch, expires));
        return base64_encode(reinterpret_cast<const uint8_t*>(file.data()), file.size());
    }
};

program_document_t offered(const char* v, const char* arch = "x64")
{
    program_document_t d;
    d.arch = arch;
    d.version = version(v);
    d.size = 1234;
    d.sha256 = setup_bytes_digest;
    d.link = "http://127.0.0.1:1/setups/TavrillDriverUpdater-Setup-" + std::string(v) + "-x64.exe";
    return d;
}

// Records what the course did; each answer is set by the test.
struct scripted_actions_t : update_actions_i {
    const char* installed = "4.2.0.1";
    const char* installed_after_setup = nullptr;  // the version the setup leaves
    bool service_up = true;
    std::string body, signature;
    setup_download_t download = setup_download_t::complete;
    uint64_t file_size = 1234;
    std::string file_sha256 = setup_bytes_digest;
    close_answer_t closing = close_answer_t::closed;
    int setup_status = 0;
    bool start_works = true;

    std::vector<std::string> done;
    bool setup_ran = false;

    bool installed_version(program_version_t& out) override
    {
        const char* v = setup_ran && installed_after_setup ? installed_after_setup : installed;
        return v && parse_program_version(v, out);
    }
    bool fetch_document(std::string& b, std::string& s, std::string& error) override
    {
        done.push_back("fetch");
        if (!service_up) {
            error = "connection refused";
            return false;
        }
        b = body;
        s = signature;
        return true;
    }
    int64_t now() override { return now_s; }
    void step(update_step_t) override {}
    setup_download_t download_setup(const program_document_t&, u16& path, std::string&) override
    {
        done.push_back("download");
        path = u"C:\\temp\\setup.exe";
        return download;
    }
    bool file_facts(const u16&, uint64_t& size, std::string& sha256) override
    {
        size = file_size;
        sha256 = file_sha256;
        return true;
    }
    void discard_setup(const u16&) override { done.push_back("discard"); }
    close_answer_t close_program() override
    {
        done.push_back("close");
        return closing;
    }
    int run_setup(const u16&, std::string&) override
    {
        done.push_back("setup");
        setup_ran = true;
        return setup_status;
    }
    bool start_program(std::string& error) override
    {
        done.push_back("start");
        if (!start_works) error = "not started";
        return start_works;
    }
};

struct UpdateCourse : ::testing::Test {
    signer_t signer;
    scripted_actions_t actions;

    void serve(const program_document_t& doc)
    {
        actions.body = program_document_text(doc);
        actions.signature = signer.sign(actions.body, doc.arch);
        actions.installed_after_setup = nullptr;
    }
    update_result_t check() { return check_for_update(actions, "x64", {signer.public_key()}); }
    update_result_t update()
    {
        update_result_t c = check();
        return install_update(actions, c);
    }
};

} // namespace

TEST(ProgramVersions, NumbersNotTextAreCompared)
{
    EXPECT_GT(compare_program_versions(version("4.10"), version("4.9.9.9")), 0);
    EXPECT_EQ(compare_program_versions(version("4.2"), version("4.2.0.0")), 0);
    EXPECT_LT(compare_program_versions(version("4.2.0.1"), version("4.2.0.2")), 0);
    program_version_t v;
    for (const char* bad : {"", "4.", ".4", "4..2", "4.2.0.1.5", "65536", "-1", "4.a", " 4", "4.2 "})
        EXPECT_FALSE(parse_program_version(bad, v)) << bad;
}

TEST(ProgramDocuments, OnlyTheExactFormIsRead)
{
    program_document_t doc = offered("4.3.0.0");
    std::string good = program_document_text(doc);
    program_document_t back;
    std::string error;
    ASSERT_TRUE(parse_program_document(good, back, error)) << error;
    EXPECT_EQ(program_document_text(back), good);

    struct row {
        std::string from, to;
    } changes[] = {
        {"arch=x64", "arch=arm64"},
        {"version=4.3.0.0", "version=4.3.x"},
        {"size=1234", "size=0"},
        {"size=1234", "size=4294967296"},
        {"sha256=a", "sha256=A"},
        {"link=http://", "link=file://"},
        {"link=http://", "link= http://"},
        {"size=1234\n", ""},
        {"size=1234\n", "size=1234\nsize=1234\n"},
        {"size=1234\n", "size=1234\ncolour=blue\n"},
        {"size=1234\n", "size=1234\nno equals sign\n"},
    };
    for (const auto& c : changes) {
        std::string text = good;
        text.replace(text.find(c.from), c.from.size(), c.to);
        EXPECT_FALSE(parse_program_document(text, back, error)) << text;
    }
    EXPECT_FALSE(parse_program_document(good.substr(0, good.size() - 1), back, error)) << "no final line end";
    std::string crlf;
    for (char ch : good) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    EXPECT_TRUE(parse_program_document(crlf, back, error)) << error;
}

TEST_F(UpdateCourse, NewerVersionIsInstalledAndStarted)
{
    serve(offered("4.3.0.0"));
    actions.installed_after_setup = "4.3.0.0";
    update_result_t r = update();
    EXPECT_EQ(r.outcome, update_outcome_t::installed) << r.detail;
    EXPECT_EQ(update_exit_code(r.outcome), 0);
    EXPECT_EQ(actions.done, (std::vector<std::string>{"fetch", "download", "close", "setup", "discard", "start"}));
    EXPECT_FALSE(r.start_failed);

    // Installed, but the new program would not start: still installed, said so.
    actions = {};
    serve(offered("4.3.0.0"));
    actions.installed_after_setup = "4.3.0.0";
    actions.start_works = false;
    r = update();
    EXPECT_EQ(r.outcome, update_outcome_t::installed);
    EXPECT_TRUE(r.start_failed);
}

TEST_F(UpdateCourse, CheckTellsNewerFromEqualAndOlderAndNeverDowngrades)
{
    struct row {
        const char* offered;
        update_outcome_t outcome;
        int exit_code;
    } rows[] = {
        {"4.2.0.2", update_outcome_t::newer_available, 10},
        {"4.2.0.1", update_outcome_t::up_to_date, 0},
        {"4.2", update_outcome_t::up_to_date, 0},
        {"4.1.9.9", update_outcome_t::up_to_date, 0},
    };
    for (const auto& r : rows) {
        actions = {};
        serve(offered(r.offered));
        update_result_t c = check();
        EXPECT_EQ(c.outcome, r.outcome) << r.offered;
        EXPECT_EQ(update_exit_code(c.outcome), r.exit_code) << r.offered;
        // An install after a check that found nothing newer does nothing.
        if (r.outcome == update_outcome_t::newer_available) continue;
        EXPECT_EQ(install_update(actions, c).outcome, c.outcome);
        EXPECT_EQ(actions.done, std::vector<std::string>{"fetch"}) << r.offered;
    }
    // A check result forged into "newer" for an older version is still refused.
    actions = {};
    serve(offered("4.1.0.0"));
    update_result_t forged = check();
    forged.outcome = update_outcome_t::newer_available;
    EXPECT_EQ(install_update(actions, forged).outcome, update_outcome_t::newer_available);
    EXPECT_EQ(actions.done, std::vector<std::string>{"fetch"});
}

TEST_F(UpdateCourse, RefusedDocumentsNeverLeadToADownload)
{
    signer_t stranger;
    program_document_t doc = offered("9.0.0.0");
    std::string body = program_document_text(doc);
    struct row {
        const char* what;
        std::string body, signature;
    } rows[] = {
        {"unsigned", body, ""},
        {"signed by another key", body, stranger.sign(body, "x64")},
        {"body changed after signing", body + "", signer.sign(program_document_text(offered("4.2.0.1")), "x64")},
        {"signed for x86", body, signer.sign(body, "x86")},
        {"expired", body, signer.sign(body, "x64", now_s - 1)},
        {"an answer's signature", body,
         server::answer_signature_value(signer.key, body, std::string(64, '0'), now_s + 600)},
        {"garbage header", body, "not base64!"},
        {"x86 text signed for x64", program_document_text(offered("9.0.0.0", "x86")),
         signer.sign(program_document_text(offered("9.0.0.0", "x86")), "x64")},
        {"signed nonsense", "hello\n", signer.sign("hello\n", "x64")},
    };
    for (const auto& r : rows) {
        actions = {};
        actions.body = r.body;
        actions.signature = r.signature;
        update_result_t c = check();
        EXPECT_EQ(c.outcome, update_outcome_t::document_refused) << r.what << ": " << c.detail;
        EXPECT_EQ(update_exit_code(c.outcome), 21) << r.what;
        install_update(actions, c);
        EXPECT_EQ(actions.done, std::vector<std::string>{"fetch"}) << r.what;
    }
    // No trusted key at all: refused too.
    actions = {};
    serve(doc);
    EXPECT_EQ(check_for_update(actions, "x64", {}).outcome, update_outcome_t::document_refused);
}

TEST_F(UpdateCourse, EveryBadCaseLeavesTheInstalledProgramAsItWas)
{
    struct row {
        const char* what;
        void (*arrange)(scripted_actions_t&);
        update_outcome_t outcome;
        std::vector<std::string> done;
    } rows[] = {
        {"service down", [](scripted_actions_t& a) { a.service_up = false; }, update_outcome_t::service_unreachable,
         {"fetch"}},
        {"version resource unreadable", [](scripted_actions_t& a) { a.installed = nullptr; },
         update_outcome_t::version_unknown, {}},
        {"download cut off", [](scripted_actions_t& a) { a.download = setup_download_t::cut; },
         update_outcome_t::download_failed, {"fetch", "download"}},
        {"download over size or wrong digest", [](scripted_actions_t& a) { a.download = setup_download_t::refused; },
         update_outcome_t::setup_mismatch, {"fetch", "download"}},
        {"file on disk has another digest", [](scripted_actions_t& a) { a.file_sha256 = std::string(64, 'b'); },
         update_outcome_t::setup_mismatch, {"fetch", "download", "discard"}},
        {"file on disk has another size", [](scripted_actions_t& a) { a.file_size = 1233; },
         update_outcome_t::setup_mismatch, {"fetch", "download", "discard"}},
        {"program refuses to close", [](scripted_actions_t& a) { a.closing = close_answer_t::busy; },
         update_outcome_t::program_busy, {"fetch", "download", "close"}},
        {"program does not answer", [](scripted_actions_t& a) { a.closing = close_answer_t::no_answer; },
         update_outcome_t::program_busy, {"fetch", "download", "close"}},
        // The closed program runs again after a failed setup.
        {"setup fails", [](scripted_actions_t& a) { a.setup_status = 2; }, update_outcome_t::setup_failed,
         {"fetch", "download", "close", "setup", "start"}},
        {"setup cannot start", [](scripted_actions_t& a) { a.setup_status = -1; }, update_outcome_t::setup_failed,
         {"fetch", "download", "close", "setup", "start"}},
        {"setup reports success but the old version stays", [](scripted_actions_t& a) { a.installed_after_setup = "4.2.0.1"; },
         update_outcome_t::setup_failed, {"fetch", "download", "close", "setup", "start"}},
        // A program that was not running is not started after a failure.
        {"setup fails, program was not running",
         [](scripted_actions_t& a) {
             a.setup_status = 2;
             a.closing = close_answer_t::not_running;
         },
         update_outcome_t::setup_failed, {"fetch", "download", "close", "setup"}},
    };
    for (const auto& r : rows) {
        actions = {};
        serve(offered("4.3.0.0"));
        actions.installed_after_setup = "4.3.0.0";
        r.arrange(actions);
        update_result_t result = update();
        EXPECT_EQ(result.outcome, r.outcome) << r.what << ": " << result.detail;
        EXPECT_EQ(actions.done, r.done) << r.what;
        EXPECT_GE(update_exit_code(result.outcome), 20) << r.what;
    }
}
