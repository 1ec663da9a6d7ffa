#include "service/program_document.h"


#include <cstring>

namespace tdu {

namespace {

bool starts_with(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// Decimal digits only, no sign, no leading "+" or spaces; at most `max`.
bool parse_decimal(std::string_view text, uint64_t max, uint64_t& out)
{
    if (text.empty() || text.size() > 19) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > max) return false;
    out = v;
    return true;
}

} // namespace

bool parse_program_version(std::string_view text, program_version_t& out)
{
    program_version_t v;
    int part = 0;
    for (;;) {
        size_t dot = text.find('.');
        std::string_view number = text.substr(0, dot);
        uint64_t n = 0;
        if (part == 4 || number.size() > 5 || !parse_decimal(number, 65535, n)) return false;
        v.parts[part++] = static_cast<uint16_t>(n);
        if (dot == std::string_view::npos) break;
        text.remove_prefix(dot + 1);
    }
    out = v;
    return true;
}

int compare_program_versions(const program_version_t& a, const program_version_t& b)
{
    for (int i = 0; i < 4; ++i)
        if (a.parts[i] != b.parts[i]) return a.parts[i] < b.parts[i] ? -1 : 1;
    return 0;
}

std::string program_version_text(const program_version_t& v)
{
    return std::to_string(v.parts[0]) + "." + std::to_string(v.parts[1]) + "." + std::to_string(v.parts[2]) + "." +
           std::to_string(v.parts[3]);
}

bool is_program_arch(std::string_view arch)
{
    return arch == "x86" || arch == "x64";
}

std::string program_document_text(const program_document_t& doc)
{
    return "arch=" + doc.arch + "\nversion=" + program_version_text(doc.version) + "\nsize=" +
           std::to_string(doc.size) + "\nsha256=" + doc.sha256 + "\nlink=" + doc.link + "\n";
}

bool parse_program_document(std::string_view text, program_document_t& out, std::string& error)
{
    if (text.size() > program_document_max_bytes) {
        error = "the document is longer than " + std::to_string(program_document_max_bytes) + " bytes";
        return false;
    }
    static const char* const keys[] = {"arch", "version", "size", "sha256", "link"};
    std::string values[5];
    bool seen[5] = {};
    while (!text.empty()) {
        size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            error = "the last line has no line end";
            return false;
        }
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            error = "a line is not key=value: " + std::string(line);
            return false;
        }
        std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
        int index = -1;
        for (int i = 0; i < 5; ++i)
            if (key == keys[i]) index = i;
        if (index < 0) {
            error = "unknown key " + std::string(key);
            return false;
        }
        if (seen[index]) {
            error = "key " + std::string(key) + " given twice";
            return false;
        }
        for (char c : value)
            if (static_cast<unsigned char>(c) < 0x21 || static_cast<unsigned char>(c) > 0x7e) {
                error = "key " + std::string(key) + " holds a space or a control or non-ASCII character";
                return false;
            }
        seen[index] = true;
        values[index].assign(value);
    }
    for (int i = 0; i < 5; ++i)
        if (!seen[i]) {
            error = std::string("key ") + keys[i] + " missing";
            return false;
        }
    program_document_t doc;
    doc.arch = values[0];
    if (!is_program_arch(doc.arch)) {
        error = "unknown architecture " + doc.arch;
        return false;
    }
    if (!parse_program_version(values[1], doc.version)) {
        error = "not a version: " + values[1];
        return false;
    }
    // The download code counts bytes in 32 bits.
    if (!parse_decimal(values[2], 0xFFFFFFFFu, doc.size) || doc.size == 0) {
        error = "not a size: " + values[2];
        return false;
    }
    doc.sha256 = values[3];
    bool lower_hex = doc.sha256.size() == 64;
    for (char c : doc.sha256)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) lower_hex = false;
    if (!lower_hex) {
        error = "not a SHA-256 in lowercase hex: " + values[3];
        return false;
    }
    doc.link = values[4];
    if (!starts_with(doc.link, "http://") && !starts_with(doc.link, "https://")) {
        error = "not an http link: " + doc.link;
        return false;
    }
    if (doc.link.size() > 1024) {
        error = "the link is longer than 1024 characters";
        return false;
    }
    out = std::move(doc);
    return true;
}

std::string program_trusted_comment(std::string_view arch, int64_t expires)
{
    return std::string(program_comment_prefix) + "arch=" + std::string(arch) + " expires=" + std::to_string(expires);
}

bool parse_program_comment(std::string_view comment, std::string& arch, int64_t& expires)
{
    if (!starts_with(comment, program_comment_prefix)) return false;
    comment.remove_prefix(std::strlen(program_comment_prefix));
    if (!starts_with(comment, "arch=")) return false;
    comment.remove_prefix(5);
    size_t space = comment.find(' ');
    if (space == std::string_view::npos) return false;
    std::string_view a = comment.substr(0, space);
    comment.remove_prefix(space);
    if (!starts_with(comment, " expires=")) return false;
    comment.remove_prefix(9);
    uint64_t e = 0;
    if (comment.size() > 18 || !parse_decimal(comment, UINT64_MAX, e)) return false;
    arch.assign(a);
    expires = static_cast<int64_t>(e);
    return true;
}

const char* program_document_verdict_name(program_document_verdict_t verdict)
{
    switch (verdict) {
    case program_document_verdict_t::valid: return "valid";
    case program_document_verdict_t::signature: return "signature";
    case program_document_verdict_t::not_program: return "not a version document";
    case program_document_verdict_t::other_arch: return "other architecture";
    case program_document_verdict_t::expired: return "expired";
    case program_document_verdict_t::unreadable: return "unreadable";
    }
    return "?";
}

program_document_check_t verify_program_document(std::string_view header_value, std::string_view body,
                                                 std::string_view arch, int64_t now,
                                                 const std::vector<answer_key_t>& keys)
{
    program_document_check_t check;
    auto refuse = [&check](program_document_verdict_t v) {
        check.verdict = v;
        return check;
    };
    if (keys.empty()) {
        check.signature = signature_verdict_t::no_keys;
        return refuse(program_document_verdict_t::signature);
    }
    while (!header_value.empty() && (header_value.front() == ' ' || header_value.front() == '\t'))
        header_value.remove_prefix(1);
    while (!header_value.empty() && (header_value.back() == ' ' || header_value.back() == '\t' ||
                                     header_value.back() == '\r' || header_value.back() == '\n'))
        header_value.remove_suffix(1);
    if (header_value.empty()) {
        check.signature = signature_verdict_t::missing;
        return refuse(program_document_verdict_t::signature);
    }
    std::vector<uint8_t> file;
    if (!base64_decode(header_value, file)) {
        check.signature = signature_verdict_t::malformed;
        return refuse(program_document_verdict_t::signature);
    }
    std::string comment;
    check.signature = verify_signature_text(std::string_view(reinterpret_cast<const char*>(file.data()), file.size()),
                                            body, keys, &comment);
    if (check.signature != signature_verdict_t::valid) return refuse(program_document_verdict_t::signature);
    std::string signed_arch;
    int64_t expires = 0;
    if (!parse_program_comment(comment, signed_arch, expires)) return refuse(program_document_verdict_t::not_program);
    if (signed_arch != arch) return refuse(program_document_verdict_t::other_arch);
    if (now >= expires) return refuse(program_document_verdict_t::expired);
    if (!parse_program_document(body, check.document, check.error))
        return refuse(program_document_verdict_t::unreadable);
    if (check.document.arch != arch) {
        check.document = {};
        return refuse(program_document_verdict_t::other_arch);
    }
    check.verdict = program_document_verdict_t::valid;
    return check;
}

} // namespace tdu
