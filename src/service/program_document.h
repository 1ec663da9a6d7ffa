#pragma once
// The program version document: what the update service says about the
// newest setup of the program for one architecture. Plain text, one
// "key=value" per line ("\n" or "\r\n"), every key exactly once:
//
//     arch=x64
//     version=4.2.0.2
//     size=2345678
//     sha256=<64 lowercase hex digits>
//     link=http://127.0.0.1:8080/setups/TavrillDriverUpdater-Setup-4.2.0.2-x64.exe
//
// It is signed like an update answer (answer_signature.h: minisign's "ED"
// form, the signature file base64-encoded in the X-Tavrill-Signature
// header), with its own trusted comment
//
//     tdu-program arch=<x86|x64> expires=<seconds since 1970 UTC>
//
// so that an answer's signature never passes for a version document's, nor
// one architecture's document for the other's.
#include "service/answer_signature.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tdu {

constexpr char program_comment_prefix[] = "tdu-program ";

// A program version: one to four dot-separated decimal numbers of at most
// 65535 each ("4.2.0.1"); missing parts count as 0.
struct program_version_t {
    uint16_t parts[4] = {};
};
bool parse_program_version(std::string_view text, program_version_t& out);
// <0, 0, >0 as a is older than, equal to, newer than b.
int compare_program_versions(const program_version_t& a, const program_version_t& b);
std::string program_version_text(const program_version_t& v);  // always four parts

// True for "x86" and "x64", the two architectures the program is built for.
bool is_program_arch(std::string_view arch);

struct program_document_t {
    std::string arch;
    program_version_t version;
    uint64_t size = 0;    // bytes of the setup, above 0
    std::string sha256;   // the setup's SHA-256, 64 lowercase hex digits
    std::string link;     // http:// or https:// address of the setup
};

// The longest document a client reads.
constexpr size_t program_document_max_bytes = 4096;

std::string program_document_text(const program_document_t& doc);
// False with `error` for a document that is not exactly the form above.
bool parse_program_document(std::string_view text, program_document_t& out, std::string& error);

std::string program_trusted_comment(std::string_view arch, int64_t expires);
bool parse_program_comment(std::string_view comment, std::string& arch, int64_t& expires);

// Why a served document is refused, or valid.
enum class program_document_verdict_t : int32_t {
    valid = 0,
    signature,   // the signature is missing, malformed, unknown or forged (see signature_verdict)
    not_program, // signed, but its trusted comment is not a version document's
    other_arch,  // signed for the other architecture, or its text names it
    expired,     // its time limit has passed
    unreadable,  // signed and current, but not a version document
};
const char* program_document_verdict_name(program_document_verdict_t verdict);

struct program_document_check_t {
    program_document_verdict_t verdict = program_document_verdict_t::signature;
    signature_verdict_t signature = signature_verdict_t::missing;
    program_document_t document;  // filled when valid
    std::string error;            // why it is unreadable
};

// The whole check of a served document: the X-Tavrill-Signature header's
// value (empty when absent), the body, the architecture asked for, the time
// now and the trusted keys.
program_document_check_t verify_program_document(std::string_view header_value, std::string_view body,
                                                 std::string_view arch, int64_t now,
                                                 const std::vector<answer_key_t>& keys);

} // namespace tdu
