// The native MD5 back end: OpenSSL's libcrypto through its EVP interface.
#include "common/md5.h"

#include <openssl/evp.h>

namespace tdu {

struct md5_hasher_c::backend_t {
    EVP_MD_CTX* context = nullptr;
    bool ok = false;
};

md5_hasher_c::md5_hasher_c() : backend_(new backend_t)
{
    backend_->context = EVP_MD_CTX_new();
    backend_->ok = backend_->context && EVP_DigestInit_ex(backend_->context, EVP_md5(), nullptr) == 1;
}

md5_hasher_c::~md5_hasher_c()
{
    EVP_MD_CTX_free(backend_->context);
}

void md5_hasher_c::update(const void* data, size_t size)
{
    if (!backend_->ok || size == 0) return;
    backend_->ok = EVP_DigestUpdate(backend_->context, data, size) == 1;
}

bool md5_hasher_c::finish(md5_digest_t& out)
{
    if (!backend_->ok) return false;
    unsigned int n = 0;
    backend_->ok = false;  // a context is finished only once
    return EVP_DigestFinal_ex(backend_->context, out.data(), &n) == 1 && n == out.size();
}

} // namespace tdu
