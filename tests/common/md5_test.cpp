// The platform's MD5 (CryptoAPI under Wine, libcrypto natively) against the
// test suite of RFC 1321, whole and fed in pieces, and over files.
#include "common/files.h"
#include "common/md5.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace tdu;

namespace {

struct vector_t { const char* input; const char* digest; };
const vector_t rfc1321[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};


} // namespace

TEST(Md5, Rfc1321TestSuite)
{
    for (const auto& v : rfc1321) EXPECT_EQ(md5_hex_of(v.input), v.digest) << '"' << v.input << '"';
}

TEST(Md5, PiecesGiveTheSameDigestAsTheWhole)
{
    for (const auto& v : rfc1321) {
        std::string input = v.input;
        md5_hasher_c hasher;
        for (size_t i = 0; i < input.size(); i += 7) hasher.update(input.data() + i, std::min<size_t>(7, input.size() - i));
        md5_digest_t digest;
        ASSERT_TRUE(hasher.finish(digest));
        EXPECT_EQ(md5_hex(digest), v.digest) << '"' << v.input << '"';
    }
}

TEST(Md5, BytesAboveAsciiAndZerosAreHashedAsTheyAre)
{
    // An 8-bit link segment is hashed as its bytes, never converted first.
    EXPECT_EQ(md5_hex_of("\xE9"), "3406877694691ddd1dfb0aca54681407");
    EXPECT_EQ(md5_hex_of(std::string(1, '\0')), "93b885adfe0da089cdf634904fd59f71");
}

TEST(Md5, FileDigest)
{
    test::temp_dir_c dir;
    // Larger than the reading buffer, so the file is hashed in several reads.
    std::string big(200000, 'x');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31 + 7);
    test::write_file(dir.path() / "big.bin", big);
    test::write_file(dir.path() / "abc.inf", "abc");
    test::write_file(dir.path() / "empty.inf", "");

    std::string hex;
    ASSERT_TRUE(md5_file_hex(test::program_path(dir.path() / "abc.inf"), hex));
    EXPECT_EQ(hex, "900150983cd24fb0d6963f7d28e17f72");
    ASSERT_TRUE(md5_file_hex(test::program_path(dir.path() / "empty.inf"), hex));
    EXPECT_EQ(hex, "d41d8cd98f00b204e9800998ecf8427e");
    ASSERT_TRUE(md5_file_hex(test::program_path(dir.path() / "big.bin"), hex));
    EXPECT_EQ(hex, md5_hex_of(big));

    hex = "unchanged";
    EXPECT_FALSE(md5_file_hex(test::program_path(dir.path() / "missing.inf"), hex));
    EXPECT_EQ(hex, "unchanged");
}
