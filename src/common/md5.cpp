#include "common/md5.h"

#include "common/files.h"

#include <cstdio>
#include <vector>

namespace tdu {

std::string md5_hex(const md5_digest_t& digest)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(32);
    for (uint8_t b : digest) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 0xF]);
    }
    return out;
}

std::string md5_hex_of(std::string_view data)
{
    md5_hasher_c hasher;
    hasher.update(data.data(), data.size());
    md5_digest_t digest;
    if (!hasher.finish(digest)) return {};
    return md5_hex(digest);
}

bool md5_file_hex(u16view path, std::string& out)
{
    std::FILE* f = open_file(u16(path).c_str(), "rb");
    if (!f) return false;
    md5_hasher_c hasher;
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    for (;;) {
        size_t n = std::fread(buffer.data(), 1, buffer.size(), f);
        if (n > 0) hasher.update(buffer.data(), n);
        if (n < buffer.size()) {
            ok = std::ferror(f) == 0;
            break;
        }
    }
    std::fclose(f);
    md5_digest_t digest;
    if (!ok || !hasher.finish(digest)) return false;
    out = md5_hex(digest);
    return true;
}

} // namespace tdu
