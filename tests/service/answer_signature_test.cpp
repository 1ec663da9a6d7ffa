// The signature check of the update service's answers against keys and
// signatures that Debian's minisign tool made (the build makes them with
// make_minisign_fixture): the published format is read as minisign writes
// it, and each forged case is refused with its own reason. Runs natively
// and under Wine.
#include "service/answer_signature.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace tdu;
using namespace tdu::test;

namespace {

std::string fixture(const char* name) { return read_file(std::filesystem::path(TDU_MINISIGN_FIXTURE_DIR) / name); }

answer_key_t key_of(const char* name)
{
    answer_key_t key;
    EXPECT_TRUE(parse_answer_key(fixture(name), key)) << name;
    return key;
}

// The header's value: the signature file, base64-encoded.
std::string header_of(const std::string& signature_file)
{
    return base64_encode(reinterpret_cast<const uint8_t*>(signature_file.data()), signature_file.size());
}

// 2099-12-31, before the fixture's limit of 2100-01-01.
constexpr int64_t in_time = 4102444799;

std::string replace_line(const std::string& file, int index, const std::string& line)
{
    std::vector<std::string> lines = text_lines(file);
    lines.at(static_cast<size_t>(index)) = line;
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

} // namespace

TEST(AnswerSignature, AcceptsMinisignsSignatureBoundToTheRequestInTime)
{
    std::vector<answer_key_t> keys{key_of("other.pub"), key_of("key.pub")};
    EXPECT_EQ(verify_answer(header_of(fixture("answer.minisig")), fixture("answer.xml"), fixture("request.xml"),
                            in_time, keys),
              signature_verdict_t::valid);
    // minisign's own check of the same file, without the binding.
    std::string comment;
    EXPECT_EQ(verify_signature_text(fixture("answer.minisig"), fixture("answer.xml"), keys, &comment),
              signature_verdict_t::valid);
    EXPECT_EQ(comment, answer_trusted_comment(fixture("request.xml"), 4102444800));
}

TEST(AnswerSignature, RefusesEachForgedCaseWithItsReason)
{
    const std::string answer = fixture("answer.xml");
    const std::string request = fixture("request.xml");
    const std::string good = fixture("answer.minisig");
    std::string one_byte_changed = answer;
    one_byte_changed[one_byte_changed.find("8086")] = '9';
    std::string comment_line = text_lines(good)[2];
    std::string later = comment_line.substr(0, comment_line.size() - 10) + "4202444800";
    // A signature line whose algorithm is neither form.
    std::vector<uint8_t> sig_bytes;
    ASSERT_TRUE(base64_decode(text_lines(good)[1], sig_bytes));
    sig_bytes[1] = 'X';
    std::string unknown_algorithm = base64_encode(sig_bytes.data(), sig_bytes.size());

    struct row_t {
        const char* name;
        std::string header;
        std::string answer;
        std::string request;
        int64_t now;
        std::vector<answer_key_t> keys;
        signature_verdict_t verdict;
    };
    const std::vector<answer_key_t> keys{key_of("key.pub")};
    const row_t rows[] = {
        {"one byte of the answer changed", header_of(good), one_byte_changed, request, in_time, keys,
         signature_verdict_t::forged},
        {"the answer cut short", header_of(good), answer.substr(0, answer.size() - 1), request, in_time, keys,
         signature_verdict_t::forged},
        {"the trusted comment changed (a later limit)", header_of(replace_line(good, 2, later)), answer, request,
         in_time, keys, signature_verdict_t::comment_forged},
        {"another key", header_of(good), answer, request, in_time, {key_of("other.pub")},
         signature_verdict_t::unknown_key},
        {"another request", header_of(good), answer, request + "\n", in_time, keys,
         signature_verdict_t::other_request},
        {"expired (the clock past the limit)", header_of(good), answer, request, 4102444800, keys,
         signature_verdict_t::expired},
        {"expired (signed so)", header_of(fixture("expired.minisig")), answer, request, in_time, keys,
         signature_verdict_t::expired},
        {"the header missing", "", answer, request, in_time, keys, signature_verdict_t::missing},
        {"garbage base64", "RWQ*not base64*", answer, request, in_time, keys, signature_verdict_t::malformed},
        {"base64 of something else", header_of("hello"), answer, request, in_time, keys,
         signature_verdict_t::malformed},
        {"garbage base64 in the signature line", header_of(replace_line(good, 1, "RUT/uq7S4a7C!")), answer,
         request, in_time, keys, signature_verdict_t::malformed},
        {"a global signature cut short", header_of(replace_line(good, 3, text_lines(good)[3].substr(0, 40))), answer,
         request, in_time, keys, signature_verdict_t::malformed},
        {"an algorithm of neither form", header_of(replace_line(good, 1, unknown_algorithm)), answer, request,
         in_time, keys, signature_verdict_t::malformed},
        {"the legacy Ed form", header_of(fixture("legacy.minisig")), answer, request, in_time, keys,
         signature_verdict_t::legacy_form},
        {"minisign's own trusted comment", header_of(fixture("foreign.minisig")), answer, request, in_time, keys,
         signature_verdict_t::comment_unreadable},
        {"no trusted key at all", header_of(good), answer, request, in_time, {}, signature_verdict_t::no_keys},
    };
    for (const row_t& row : rows)
        EXPECT_EQ(verify_answer(row.header, row.answer, row.request, row.now, row.keys), row.verdict)
            << row.name << ": " << signature_verdict_name(verify_answer(row.header, row.answer, row.request,
                                                                        row.now, row.keys));
}

TEST(AnswerSignature, ReadsPublicKeysAsMinisignWritesThem)
{
    const std::string file = fixture("key.pub");
    answer_key_t from_file, from_line;
    ASSERT_TRUE(parse_answer_key(file, from_file));
    ASSERT_TRUE(parse_answer_key(text_lines(file)[1], from_line));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(from_file.key), 32),
              std::string(reinterpret_cast<char*>(from_line.key), 32));

    answer_key_t key;
    EXPECT_FALSE(parse_answer_key("", key));
    EXPECT_FALSE(parse_answer_key("RWQ*", key)) << "not base64";
    EXPECT_FALSE(parse_answer_key(text_lines(file)[1].substr(4), key)) << "cut short";
    // The secret key file is no public key.
    EXPECT_FALSE(parse_answer_key(fixture("key.key"), key));

    std::vector<answer_key_t> keys;
    EXPECT_TRUE(parse_answer_key_lines("# the service\n" + text_lines(file)[1] + "\n\n" +
                                           text_lines(fixture("other.pub"))[1] + "\r\n",
                                       keys));
    EXPECT_EQ(keys.size(), 2u);
    EXPECT_FALSE(parse_answer_key_lines("untrusted comment: x\n", keys));
}

TEST(AnswerSignature, ReadsOnlyTheServicesTrustedComment)
{
    answer_binding_t b;
    const std::string digest(64, 'a');
    ASSERT_TRUE(parse_answer_comment("tdu-answer request=" + digest + " expires=1700000000", b));
    EXPECT_EQ(b.request_digest, digest);
    EXPECT_EQ(b.expires, 1700000000);
    for (const std::string& bad : std::vector<std::string>{"tdu-answer request=" + digest + " expires=",
                                   "tdu-answer request=" + digest + " expires=-5",
                                   "tdu-answer request=" + digest + " expires=17x",
                                   "tdu-answer request=" + digest + " expires=1999999999999999999",
                                   "tdu-answer request=" + std::string(64, 'A') + " expires=1",
                                   "tdu-answer request=" + digest.substr(1) + " expires=1",
                                   std::string("timestamp:1700000000 file:answer.xml")})
        EXPECT_FALSE(parse_answer_comment(bad, b)) << bad;
}
