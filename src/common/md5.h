#pragma once
// MD5 digests (RFC 1321) of byte strings and files, written as 32 lowercase
// hexadecimal digits. Downloaded packages are named after the digest of
// their link's last segment; the old driver store's INF files are matched by
// the digest of their contents. The hashing itself is the platform's:
// CryptoAPI on Windows, OpenSSL's libcrypto natively.
#include "common/text.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tdu {

using md5_digest_t = std::array<uint8_t, 16>;

// One digest computed piece by piece. A hasher whose back end could not be
// set up, or that failed on the way, answers false from finish().
class md5_hasher_c {
public:
    md5_hasher_c();
    ~md5_hasher_c();
    md5_hasher_c(const md5_hasher_c&) = delete;
    md5_hasher_c& operator=(const md5_hasher_c&) = delete;

    void update(const void* data, size_t size);
    bool finish(md5_digest_t& out);

    struct backend_t;

private:
    std::unique_ptr<backend_t> backend_;
};

// The digest as 32 lowercase hexadecimal digits ("%02x" per byte).
std::string md5_hex(const md5_digest_t& digest);

// The digest of `data` in hexadecimal; an empty text when hashing failed.
std::string md5_hex_of(std::string_view data);

// The digest of a file's contents in hexadecimal; false when the file cannot
// be read to its end or hashing failed.
bool md5_file_hex(u16view path, std::string& out);

} // namespace tdu
