#pragma once
// SHA-256 digests (FIPS 180-4) of byte strings and files, written as 64
// lowercase hexadecimal digits. The update service names each package's
// digest; a downloaded package is checked against it. Computed here, the
// same on every platform.
#include "common/text.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tdu {

class sha256_hasher_t {
public:
    sha256_hasher_t();
    void update(const void* data, size_t size);
    std::array<uint8_t, 32> finish();

private:
    void block(const uint8_t* p);

    std::array<uint32_t, 8> state_;
    uint8_t buffer_[64];
    size_t buffered_ = 0;
    uint64_t length_ = 0;
};

std::string sha256_hex_of(std::string_view data);

// The digest of a file's contents; false when it cannot be read to its end.
bool sha256_file_hex(u16view path, std::string& out);

// True for 64 hexadecimal digits (either case).
bool is_sha256_hex(std::string_view text);

} // namespace tdu
