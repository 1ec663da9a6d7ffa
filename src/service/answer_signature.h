#pragma once
// Signed answers of the update service.
//
// The service signs every answer with Ed25519 in minisign's published
// format and sends the signature beside the unchanged answer bytes, in the
// response header
//
//     X-Tavrill-Signature: <base64 of the whole signature file>
//
// The signature file is minisign's four lines:
//
//     untrusted comment: <anything>
//     <base64 of "ED", the 8-byte key id, the 64-byte signature of the
//      BLAKE2b-512 of the answer>
//     trusted comment: tdu-answer request=<hex> expires=<seconds>
//     <base64 of the 64-byte signature of the first signature followed by
//      the trusted comment>
//
// The trusted comment binds the answer to the request it answers (the
// BLAKE2b-256 of the uncompressed request document, 64 hex digits) and to a
// time limit (seconds since 1970 UTC). The legacy "Ed" form, which signs
// the data itself rather than its hash, is refused.
//
// A public key is minisign's: base64 of "Ed", the 8-byte key id and the
// 32-byte Ed25519 key, alone or as the second line of a .pub file.
//
// All cryptography is libsodium's.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tdu {

constexpr char answer_signature_header[] = "X-Tavrill-Signature";
// The first words of the service's trusted comments.
constexpr char answer_comment_prefix[] = "tdu-answer ";

struct answer_key_t {
    uint8_t id[8] = {};
    uint8_t key[32] = {};
};

// Why an answer is refused, or valid.
enum class signature_verdict_t : int32_t {
    valid = 0,
    no_keys,          // the program trusts no key at all
    missing,          // the answer came without a signature
    malformed,        // not a signature file in minisign's form (lines, base64, lengths)
    legacy_form,      // minisign's old "Ed" form, which signs the data itself
    unknown_key,      // made with a key the program does not trust
    forged,           // the signature does not fit the answer's bytes
    comment_forged,   // the trusted comment does not fit its global signature
    comment_unreadable,  // the trusted comment is not the service's
    other_request,    // bound to another request document
    expired,          // its time limit has passed
};

// A short English name of the verdict for logs and tests.
const char* signature_verdict_name(signature_verdict_t verdict);

// libsodium's start; true when it can be used. Every function here calls it.
bool crypto_ready();

// Base64 with padding ('+', '/'), as minisign writes it. Decoding refuses
// anything else, including white space.
std::string base64_encode(const uint8_t* data, size_t size);
bool base64_decode(std::string_view text, std::vector<uint8_t>& out);

// Reads a public key: the base64 line alone, or a .pub file's text (an
// "untrusted comment:" line, then the key line). Surrounding white space
// and a final line end are allowed.
bool parse_answer_key(std::string_view text, answer_key_t& out);
// Keys one per line (empty lines and lines starting with '#' are skipped);
// false when a line is not a key.
bool parse_answer_key_lines(std::string_view text, std::vector<answer_key_t>& out);

struct answer_signature_t {
    uint8_t algorithm[2] = {};
    uint8_t key_id[8] = {};
    uint8_t signature[64] = {};
    std::string trusted_comment;  // without "trusted comment: "
    uint8_t global_signature[64] = {};
};

// Reads the text of a signature file (line ends "\n" or "\r\n").
signature_verdict_t parse_answer_signature(std::string_view text, answer_signature_t& out);

// Checks a signature file's text over `data` with the trusted `keys`, as
// minisign -V does: valid also tells the trusted comment.
signature_verdict_t verify_signature_text(std::string_view signature_text, std::string_view data,
                                          const std::vector<answer_key_t>& keys, std::string* trusted_comment);

// The request digest of a trusted comment: BLAKE2b-256 in lower-case hex.
std::string request_digest_hex(std::string_view request_document);
// "tdu-answer request=<digest> expires=<expires>"
std::string answer_trusted_comment(std::string_view request_document, int64_t expires);

struct answer_binding_t {
    std::string request_digest;
    int64_t expires = 0;
};
bool parse_answer_comment(std::string_view comment, answer_binding_t& out);

// The whole check of an answer before it is read: the header's value (empty
// when the header was absent), the answer's bytes, the request document it
// answers, the time now (seconds since 1970 UTC) and the trusted keys.
signature_verdict_t verify_answer(std::string_view header_value, std::string_view answer,
                                  std::string_view request_document, int64_t now,
                                  const std::vector<answer_key_t>& keys);

} // namespace tdu
