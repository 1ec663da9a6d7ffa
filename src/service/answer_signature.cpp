#include "service/answer_signature.h"

#include <sodium.h>

#include <cstring>

namespace tdu {
namespace {

constexpr std::string_view untrusted_prefix = "untrusted comment: ";
constexpr std::string_view trusted_prefix = "trusted comment: ";
// The longest trusted comment minisign writes or reads.
constexpr size_t trusted_comment_max = 1024 - trusted_prefix.size();

// The next line of `text` from `pos` without its "\n" or "\r\n"; false at
// the end.
bool next_line(std::string_view text, size_t& pos, std::string_view& line)
{
    if (pos >= text.size()) return false;
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = end + 1;
    return true;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

bool starts_with(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool decode_exact(std::string_view text, size_t size, uint8_t* out)
{
    std::vector<uint8_t> bytes;
    if (!base64_decode(text, bytes) || bytes.size() != size) return false;
    std::memcpy(out, bytes.data(), size);
    return true;
}

} // namespace

const char* signature_verdict_name(signature_verdict_t verdict)
{
    switch (verdict) {
    case signature_verdict_t::valid: return "valid";
    case signature_verdict_t::no_keys: return "no trusted key";
    case signature_verdict_t::missing: return "no signature";
    case signature_verdict_t::malformed: return "malformed signature";
    case signature_verdict_t::legacy_form: return "legacy signature form";
    case signature_verdict_t::unknown_key: return "unknown key";
    case signature_verdict_t::forged: return "signature does not fit the answer";
    case signature_verdict_t::comment_forged: return "trusted comment altered";
    case signature_verdict_t::comment_unreadable: return "trusted comment not the service's";
    case signature_verdict_t::other_request: return "bound to another request";
    case signature_verdict_t::expired: return "expired";
    }
    return "unknown verdict";
}

bool crypto_ready()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

std::string base64_encode(const uint8_t* data, size_t size)
{
    crypto_ready();
    std::string out(sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(out.data(), out.size(), data, size, sodium_base64_VARIANT_ORIGINAL);
    out.resize(std::strlen(out.c_str()));
    return out;
}

bool base64_decode(std::string_view text, std::vector<uint8_t>& out)
{
    crypto_ready();
    out.assign(text.size() / 4 * 3 + 3, 0);
    size_t length = 0;
    const char* end = nullptr;
    if (sodium_base642bin(out.data(), out.size(), text.data(), text.size(), nullptr, &length, &end,
                          sodium_base64_VARIANT_ORIGINAL) != 0 ||
        end != text.data() + text.size()) {
        out.clear();
        return false;
    }
    out.resize(length);
    return true;
}

bool parse_answer_key(std::string_view text, answer_key_t& out)
{
    text = trim(text);
    if (starts_with(text, untrusted_prefix)) {
        size_t end = text.find('\n');
        if (end == std::string_view::npos) return false;
        text = trim(text.substr(end + 1));
    }
    std::vector<uint8_t> bytes;
    if (!base64_decode(text, bytes) || bytes.size() != 2 + 8 + 32) return false;
    if (bytes[0] != 'E' || bytes[1] != 'd') return false;
    std::memcpy(out.id, bytes.data() + 2, 8);
    std::memcpy(out.key, bytes.data() + 10, 32);
    return true;
}

bool parse_answer_key_lines(std::string_view text, std::vector<answer_key_t>& out)
{
    size_t pos = 0;
    std::string_view line;
    while (next_line(text, pos, line)) {
        line = trim(line);
        if (line.empty() || line.front() == '#') continue;
        answer_key_t key;
        if (!parse_answer_key(line, key)) return false;
        out.push_back(key);
    }
    return true;
}

signature_verdict_t parse_answer_signature(std::string_view text, answer_signature_t& out)
{
    size_t pos = 0;
    std::string_view untrusted, signature, trusted, global;
    if (!next_line(text, pos, untrusted) || !next_line(text, pos, signature) || !next_line(text, pos, trusted) ||
        !next_line(text, pos, global))
        return signature_verdict_t::malformed;
    // Nothing but line ends may follow.
    if (!trim(text.substr(std::min(pos, text.size()))).empty()) return signature_verdict_t::malformed;
    if (!starts_with(untrusted, untrusted_prefix) || !starts_with(trusted, trusted_prefix))
        return signature_verdict_t::malformed;
    std::vector<uint8_t> bytes;
    if (!base64_decode(signature, bytes) || bytes.size() != 2 + 8 + 64) return signature_verdict_t::malformed;
    std::memcpy(out.algorithm, bytes.data(), 2);
    std::memcpy(out.key_id, bytes.data() + 2, 8);
    std::memcpy(out.signature, bytes.data() + 10, 64);
    out.trusted_comment.assign(trusted.substr(trusted_prefix.size()));
    if (out.trusted_comment.size() > trusted_comment_max) return signature_verdict_t::malformed;
    if (!decode_exact(global, 64, out.global_signature)) return signature_verdict_t::malformed;
    if (out.algorithm[0] == 'E' && out.algorithm[1] == 'd') return signature_verdict_t::legacy_form;
    if (out.algorithm[0] != 'E' || out.algorithm[1] != 'D') return signature_verdict_t::malformed;
    return signature_verdict_t::valid;
}

signature_verdict_t verify_signature_text(std::string_view signature_text, std::string_view data,
                                          const std::vector<answer_key_t>& keys, std::string* trusted_comment)
{
    if (!crypto_ready() || keys.empty()) return signature_verdict_t::no_keys;
    answer_signature_t sig;
    signature_verdict_t parsed = parse_answer_signature(signature_text, sig);
    if (parsed != signature_verdict_t::valid) return parsed;

    const answer_key_t* key = nullptr;
    for (const answer_key_t& k : keys)
        if (std::memcmp(k.id, sig.key_id, sizeof k.id) == 0) key = &k;
    if (!key) return signature_verdict_t::unknown_key;

    uint8_t hash[crypto_generichash_BYTES_MAX];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(data.data()), data.size(), nullptr,
                       0);
    if (crypto_sign_verify_detached(sig.signature, hash, sizeof hash, key->key) != 0)
        return signature_verdict_t::forged;

    std::vector<uint8_t> global(sig.signature, sig.signature + sizeof sig.signature);
    global.insert(global.end(), sig.trusted_comment.begin(), sig.trusted_comment.end());
    if (crypto_sign_verify_detached(sig.global_signature, global.data(), global.size(), key->key) != 0)
        return signature_verdict_t::comment_forged;
    if (trusted_comment) *trusted_comment = sig.trusted_comment;
    return signature_verdict_t::valid;
}

std::string request_digest_hex(std::string_view request_document)
{
    crypto_ready();
    uint8_t hash[32];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(request_document.data()),
                       request_document.size(), nullptr, 0);
    char hex[2 * sizeof hash + 1];
    sodium_bin2hex(hex, sizeof hex, hash, sizeof hash);
    return hex;
}

std::string answer_trusted_comment(std::string_view request_document, int64_t expires)
{
    return std::string(answer_comment_prefix) + "request=" + request_digest_hex(request_document) +
           " expires=" + std::to_string(expires);
}

bool parse_answer_comment(std::string_view comment, answer_binding_t& out)
{
    constexpr std::string_view request_key = "request=";
    constexpr std::string_view expires_key = " expires=";
    if (!starts_with(comment, answer_comment_prefix)) return false;
    comment.remove_prefix(std::strlen(answer_comment_prefix));
    if (!starts_with(comment, request_key)) return false;
    comment.remove_prefix(request_key.size());
    if (comment.size() < 64) return false;
    std::string_view digest = comment.substr(0, 64);
    for (char c : digest)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    comment.remove_prefix(64);
    if (!starts_with(comment, expires_key)) return false;
    comment.remove_prefix(expires_key.size());
    if (comment.empty() || comment.size() > 18) return false;
    int64_t expires = 0;
    for (char c : comment) {
        if (c < '0' || c > '9') return false;
        expires = expires * 10 + (c - '0');
    }
    out.request_digest.assign(digest);
    out.expires = expires;
    return true;
}

signature_verdict_t verify_answer(std::string_view header_value, std::string_view answer,
                                  std::string_view request_document, int64_t now,
                                  const std::vector<answer_key_t>& keys)
{
    if (keys.empty()) return signature_verdict_t::no_keys;
    header_value = trim(header_value);
    if (header_value.empty()) return signature_verdict_t::missing;
    std::vector<uint8_t> file;
    if (!base64_decode(header_value, file)) return signature_verdict_t::malformed;
    std::string comment;
    signature_verdict_t verdict = verify_signature_text(
        std::string_view(reinterpret_cast<const char*>(file.data()), file.size()), answer, keys, &comment);
    if (verdict != signature_verdict_t::valid) return verdict;
    answer_binding_t binding;
    if (!parse_answer_comment(comment, binding)) return signature_verdict_t::comment_unreadable;
    if (binding.request_digest != request_digest_hex(request_document)) return signature_verdict_t::other_request;
    if (now >= binding.expires) return signature_verdict_t::expired;
    return signature_verdict_t::valid;
}

} // namespace tdu
