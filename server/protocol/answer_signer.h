#pragma once
// The service's side of signed answers (the program's side and the format
// are src/service/answer_signature.h): every update answer is signed with
// Ed25519 in minisign's "ED" form, over the BLAKE2b-512 of the answer's
// bytes, with a trusted comment that names the request document's digest
// and a time limit. The signature file goes, base64-encoded, into the
// response header X-Tavrill-Signature.
//
// The secret key is minisign's unencrypted secret key file
// (`minisign -G -W`), read with libsodium at start.
#include <cstdint>
#include <string>
#include <string_view>

namespace tdu::server {

struct answer_secret_key_t {
    uint8_t id[8] = {};
    uint8_t secret[64] = {};  // libsodium's Ed25519 secret key: seed, then public key
};

// Reads the text of an unencrypted minisign secret key file. False with
// `error` for an encrypted key, a key of another algorithm, or one whose
// parts do not agree.
bool parse_secret_key(std::string_view text, answer_secret_key_t& out, std::string& error);
bool load_secret_key(const std::string& path, answer_secret_key_t& out, std::string& error);

// A new key pair, for tests that need a signer of their own.
answer_secret_key_t generate_secret_key();
// The public key line ("RW..."), as in the second line of a .pub file.
std::string public_key_line(const answer_secret_key_t& key);

// The whole signature file over `data` (four lines, as minisign -S writes).
std::string sign_data(const answer_secret_key_t& key, std::string_view data, std::string_view trusted_comment);

// How long an answer's signature holds (24 hours unless the service is told
// otherwise): client clocks are often off by minutes or hours.
constexpr int64_t default_signature_lifetime = 24 * 60 * 60;

// The value of the X-Tavrill-Signature header of `answer` to the request
// document whose digest is `request_digest` (request_digest_hex), good until
// `expires` (seconds since 1970 UTC).
std::string answer_signature_value(const answer_secret_key_t& key, std::string_view answer,
                                   std::string_view request_digest, int64_t expires);

} // namespace tdu::server
