// The service's signing side against Debian's minisign tool: it reads the
// secret key minisign made (unencrypted), and minisign accepts what it
// signs; keys that are encrypted or whose parts disagree are refused.
#include "protocol/answer_signer.h"
#include "service/answer_signature.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace tdu;
using namespace tdu::server;
using namespace tdu::test;

namespace {

std::filesystem::path fixture(const char* name) { return std::filesystem::path(TDU_MINISIGN_FIXTURE_DIR) / name; }

// minisign -V of `data` with the signature file `signature` and the public
// key line `key`; true when minisign accepts it.
bool minisign_accepts(const temp_dir_c& dir, const std::string& data, const std::string& signature,
                      const std::string& key)
{
    write_file(dir.path() / "data", data);
    write_file(dir.path() / "data.minisig", signature);
    std::string command = "minisign -V -q -H -P '" + key + "' -m '" + (dir.path() / "data").string() + "' -x '" +
                          (dir.path() / "data.minisig").string() + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::string key_line(const std::string& secret_file_text_line2)
{
    return "untrusted comment: minisign encrypted secret key\n" + secret_file_text_line2 + "\n";
}

} // namespace

TEST(AnswerSigner, SignsWithMinisignsKeyAsMinisignVerifies)
{
    answer_secret_key_t key;
    std::string error;
    ASSERT_TRUE(load_secret_key(fixture("key.key").string(), key, error)) << error;
    EXPECT_EQ(public_key_line(key), text_lines(read_file(fixture("key.pub")))[1]);

    temp_dir_c dir;
    const std::string data = "<tdu>\n\t<hardware id=\"X\"/>\n</tdu>\n";
    const std::string comment = answer_trusted_comment("<request/>", 4102444800);
    std::string signature = sign_data(key, data, comment);
    EXPECT_TRUE(minisign_accepts(dir, data, signature, public_key_line(key)));
    EXPECT_FALSE(minisign_accepts(dir, data + " ", signature, public_key_line(key))) << "minisign itself refuses";

    // The header value is that file, which the program's check accepts.
    answer_key_t trusted;
    ASSERT_TRUE(parse_answer_key(read_file(fixture("key.pub")), trusted));
    std::string value = answer_signature_value(key, data, request_digest_hex("<request/>"), 4102444800);
    EXPECT_EQ(verify_answer(value, data, "<request/>", 4102444799, {trusted}), signature_verdict_t::valid);

    // A key made here signs just as well.
    answer_secret_key_t fresh = generate_secret_key();
    EXPECT_TRUE(minisign_accepts(dir, data, sign_data(fresh, data, comment), public_key_line(fresh)));
}

TEST(AnswerSigner, RefusesSecretKeysItCannotUse)
{
    std::string text = read_file(fixture("key.key"));
    std::string line = text_lines(text)[1];
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(base64_decode(line, bytes));
    auto variant = [&](size_t index, uint8_t value) {
        std::vector<uint8_t> b = bytes;
        b.at(index) = value;
        return key_line(base64_encode(b.data(), b.size()));
    };
    // Offsets: algorithm 0, KDF 2, checksum algorithm 4, key id 54, key 62,
    // checksum 126.
    struct row_t {
        const char* name;
        std::string text;
        const char* reason;
    };
    const row_t rows[] = {
        {"encrypted (a KDF named)", variant(2, 'S'), "encrypted"},
        {"another algorithm", variant(1, 'D'), "not an Ed25519"},
        {"public half altered", variant(62 + 40, static_cast<uint8_t>(bytes[62 + 40] ^ 1)), "public half"},
        {"checksum wrong", variant(126, 1), "checksum"},
        {"cut short", key_line(base64_encode(bytes.data(), bytes.size() - 1)), "not a minisign secret key"},
        {"no comment line", line + "\n", "no comment line"},
        {"the public key file", read_file(fixture("key.pub")), "not a minisign secret key"},
    };
    for (const row_t& row : rows) {
        answer_secret_key_t key;
        std::string error;
        EXPECT_FALSE(parse_secret_key(row.text, key, error)) << row.name;
        EXPECT_NE(error.find(row.reason), std::string::npos) << row.name << ": " << error;
    }
    answer_secret_key_t key;
    std::string error;
    EXPECT_TRUE(parse_secret_key(text, key, error)) << error;
}
