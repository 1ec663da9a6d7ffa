// The Windows MD5 back end: CryptoAPI's CALG_MD5 in a verify-only context of
// the basic RSA provider, present on every Windows the program supports.
#include "common/md5.h"

#include <windows.h>
#include <wincrypt.h>


namespace tdu {

struct md5_hasher_c::backend_t {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    bool ok = false;
};

md5_hasher_c::md5_hasher_c() : backend_(new backend_t)
{
    if (!CryptAcquireContextW(&backend_->provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        backend_->provider = 0;
        return;
    }
    backend_->ok = CryptCreateHash(backend_->provider, CALG_MD5, 0, 0, &backend_->hash) != FALSE;
}

md5_hasher_c::~md5_hasher_c()
{
    if (backend_->hash) CryptDestroyHash(backend_->hash);
    if (backend_->provider) CryptReleaseContext(backend_->provider, 0);
}

void md5_hasher_c::update(const void* data, size_t size)
{
    const BYTE* p = static_cast<const BYTE*>(data);
    while (backend_->ok && size > 0) {
        DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        backend_->ok = CryptHashData(backend_->hash, p, chunk, 0) != FALSE;
        p += chunk;
        size -= chunk;
    }
}

bool md5_hasher_c::finish(md5_digest_t& out)
{
    if (!backend_->ok) return false;
    backend_->ok = false;  // CryptoAPI refuses more data once the value is read
    DWORD n = static_cast<DWORD>(out.size());
    return CryptGetHashParam(backend_->hash, HP_HASHVAL, out.data(), &n, 0) && n == out.size();
}

} // namespace tdu
