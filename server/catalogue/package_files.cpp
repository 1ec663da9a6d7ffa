#include "catalogue/package_files.h"

#include <openssl/evp.h>

#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace tdu::server {

bool sha256_file(const fs::path& file, std::string& hex, std::string& error)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = "cannot open " + file.string();
        return false;
    }
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) {
        error = "SHA-256 is not available";
        return false;
    }
    char buf[65536];
    while (in) {
        in.read(buf, sizeof buf);
        if (in.gcount() > 0) EVP_DigestUpdate(ctx.get(), buf, static_cast<size_t>(in.gcount()));
    }
    if (in.bad()) {
        error = "cannot read " + file.string();
        return false;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx.get(), digest, &length);
    static const char digits[] = "0123456789abcdef";
    hex.clear();
    for (unsigned i = 0; i < length; ++i) {
        hex += digits[digest[i] >> 4];
        hex += digits[digest[i] & 15];
    }
    return true;
}

} // namespace tdu::server
