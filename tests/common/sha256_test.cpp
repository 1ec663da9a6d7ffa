#include "common/sha256.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tdu;

TEST(Sha256, MatchesTheStandardsExamples)
{
    struct row {
        std::string data;
        const char* digest;
    };
    const row rows[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(sha256_hex_of(r.data), r.digest) << r.data.size() << " bytes";
    }
}

TEST(Sha256, PiecesGiveTheSameDigestAsTheWhole)
{
    std::string data;
    for (int i = 0; i < 300; ++i) data += static_cast<char>(i * 37 + 11);
    for (size_t length : {0u, 1u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 128u, 300u}) {
        std::string whole = sha256_hex_of(data.substr(0, length));
        for (size_t piece : {1u, 7u, 64u}) {
            sha256_hasher_t h;
            for (size_t at = 0; at < length; at += piece) h.update(data.data() + at, std::min(piece, length - at));
            auto digest = h.finish();
            static const char digits[] = "0123456789abcdef";
            std::string hex;
            for (uint8_t b : digest) hex += {digits[b >> 4], digits[b & 15]};
            EXPECT_EQ(hex, whole) << length << " bytes in pieces of " << piece;
        }
    }
}

TEST(Sha256, OfAFileAndOfTextThatIsNoDigest)
{
    tdu::test::temp_dir_c dir;
    auto path = dir.path() / "package.zip";
    tdu::test::write_file(path, "abc");
    std::string digest;
    ASSERT_TRUE(sha256_file_hex(tdu::test::program_path(path), digest));
    EXPECT_EQ(digest, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_FALSE(sha256_file_hex(tdu::test::program_path(dir.path() / "absent.zip"), digest));

    EXPECT_TRUE(is_sha256_hex(std::string(64, 'a')));
    EXPECT_TRUE(is_sha256_hex(std::string(32, 'F') + std::string(32, '0')));
    for (const std::string& bad : {std::string(63, 'a'), std::string(65, 'a'), std::string(63, 'a') + "g",
                                   std::string(), std::string(63, 'a') + " "})
        EXPECT_FALSE(is_sha256_hex(bad)) << bad;
}
