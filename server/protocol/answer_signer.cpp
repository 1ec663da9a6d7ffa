#include "protocol/answer_signer.h"

#include "service/answer_signature.h"

#include <sodium.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace tdu::server {
namespace {

// The fields of a secret key file's decoded bytes.
constexpr size_t sk_algorithm = 0;        // "Ed"
constexpr size_t sk_kdf_algorithm = 2;    // 0, 0: not encrypted
constexpr size_t sk_checksum_algorithm = 4;  // "B2"
constexpr size_t sk_key_id = 2 + 2 + 2 + 32 + 8 + 8;
constexpr size_t sk_secret = sk_key_id + 8;
constexpr size_t sk_checksum = sk_secret + 64;
constexpr size_t sk_size = sk_checksum + 32;

} // namespace

bool parse_secret_key(std::string_view text, answer_secret_key_t& out, std::string& error)
{
    if (!crypto_ready()) {
        error = "libsodium cannot start";
        return false;
    }
    size_t end = text.find('\n');
    if (text.rfind("untrusted comment:", 0) != 0 || end == std::string_view::npos) {
        error = "not a minisign secret key file (no comment line)";
        return false;
    }
    std::string_view line = text.substr(end + 1);
    size_t line_end = line.find_first_of("\r\n");
    if (line_end != std::string_view::npos) line = line.substr(0, line_end);
    std::vector<uint8_t> bytes;
    if (!base64_decode(line, bytes) || bytes.size() != sk_size) {
        error = "not a minisign secret key (its second line is not base64 of a key)";
        return false;
    }
    if (bytes[sk_algorithm] != 'E' || bytes[sk_algorithm + 1] != 'd' || bytes[sk_checksum_algorithm] != 'B' ||
        bytes[sk_checksum_algorithm + 1] != '2') {
        error = "not an Ed25519 minisign secret key";
        return false;
    }
    if (bytes[sk_kdf_algorithm] != 0 || bytes[sk_kdf_algorithm + 1] != 0) {
        error = "the secret key is encrypted: make it with minisign -G -W";
        return false;
    }
    std::memcpy(out.id, bytes.data() + sk_key_id, 8);
    std::memcpy(out.secret, bytes.data() + sk_secret, 64);
    // The checksum (BLAKE2b-256 of the algorithm, key id and key), where
    // the file has one, and the public half must both fit the seed.
    static const uint8_t zero[32] = {};
    if (std::memcmp(bytes.data() + sk_checksum, zero, 32) != 0) {
        uint8_t sum[32];
        crypto_generichash_state state;
        crypto_generichash_init(&state, nullptr, 0, sizeof sum);
        crypto_generichash_update(&state, bytes.data() + sk_algorithm, 2);
        crypto_generichash_update(&state, bytes.data() + sk_key_id, 8 + 64);
        crypto_generichash_final(&state, sum, sizeof sum);
        if (std::memcmp(sum, bytes.data() + sk_checksum, 32) != 0) {
            error = "the secret key's checksum does not fit it";
            return false;
        }
    }
    uint8_t pk[32], sk[64];
    crypto_sign_seed_keypair(pk, sk, out.secret);
    bool agrees = std::memcmp(sk, out.secret, 64) == 0;
    sodium_memzero(sk, sizeof sk);
    if (!agrees) {
        error = "the secret key's public half does not fit its seed";
        return false;
    }
    return true;
}

bool load_secret_key(const std::string& path, answer_secret_key_t& out, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open the secret key file " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!parse_secret_key(text.str(), out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

answer_secret_key_t generate_secret_key()
{
    crypto_ready();
    answer_secret_key_t key;
    uint8_t pk[32];
    crypto_sign_keypair(pk, key.secret);
    randombytes_buf(key.id, sizeof key.id);
    return key;
}

std::string public_key_line(const answer_secret_key_t& key)
{
    uint8_t bytes[2 + 8 + 32] = {'E', 'd'};
    std::memcpy(bytes + 2, key.id, 8);
    crypto_sign_ed25519_sk_to_pk(bytes + 10, key.secret);
    return base64_encode(bytes, sizeof bytes);
}

std::string sign_data(const answer_secret_key_t& key, std::string_view data, std::string_view trusted_comment)
{
    crypto_ready();
    uint8_t hash[crypto_generichash_BYTES_MAX];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(data.data()), data.size(), nullptr,
                       0);
    uint8_t signature[2 + 8 + 64] = {'E', 'D'};
    std::memcpy(signature + 2, key.id, 8);
    crypto_sign_detached(signature + 10, nullptr, hash, sizeof hash, key.secret);

    std::vector<uint8_t> global(signature + 10, signature + 10 + 64);
    global.insert(global.end(), trusted_comment.begin(), trusted_comment.end());
    uint8_t global_signature[64];
    crypto_sign_detached(global_signature, nullptr, global.data(), global.size(), key.secret);

    char id_hex[17];
    // minisign names the key by its id read as a little-endian number
    uint8_t reversed[8];
    for (int i = 0; i < 8; ++i) reversed[i] = key.id[7 - i];
    sodium_bin2hex(id_hex, sizeof id_hex, reversed, sizeof reversed);
    std::string out = "untrusted comment: signature from the update service, key ";
    for (char& c : id_hex) c = static_cast<char>(c >= 'a' && c <= 'f' ? c - 32 : c);
    out += id_hex;
    out += "\n" + base64_encode(signature, sizeof signature) + "\ntrusted comment: ";
    out.append(trusted_comment);
    out += "\n" + base64_encode(global_signature, sizeof global_signature) + "\n";
    return out;
}

std::string answer_signature_value(const answer_secret_key_t& key, std::string_view answer,
                                   std::string_view request_digest, int64_t expires)
{
    std::string comment = std::string(answer_comment_prefix) + "request=";
    comment.append(request_digest);
    comment += " expires=" + std::to_string(expires);
    std::string file = sign_data(key, answer, comment);
    return base64_encode(reinterpret_cast<const uint8_t*>(file.data()), file.size());
}

} // namespace tdu::server
