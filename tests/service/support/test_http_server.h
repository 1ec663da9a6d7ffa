#pragma once
// An HTTP server on 127.0.0.1 that misbehaves on demand, for the transfer
// and update-request tests (native only; the Windows tests reach it as a
// separate process). The path says what it does:
//
//   /status/<code>[/...]        GET or POST: answers that status
//   /bytes/<n>[/...]            n body bytes (test_pattern.h), honours Range
//   /text/<n>[/...]             n letters as text/plain (compressed on request)
//   /norange/<n>[/...]          n body bytes, always 200, ignores Range
//   /close-early/<n>[/...]      GET or POST: announces n bytes, sends half, closes
//   /stall/<n>[/...]            announces n bytes, sends 1, then nothing
//   /redirect/<k>[/...]         k redirects, then 200 "landed"
//   /to-https[/...]             redirects to an https address
//   /update/<mode>[/...]        POST: checks the multipart field "kelptone"
//                               (one part, no file name, no content type, a
//                               complete zlib stream) and answers by mode:
//                               echo (one offer per device ID of the request),
//                               half (the first half of echo's answer), nul
//                               (echo's answer with a zero byte inside),
//                               big (5 MiB of text), garbage (not XML);
//                               a form that fails the check gets 400.
//                               Each answer is signed with the build's test
//                               key (answer_signature.h) except for the
//                               forging modes: unsigned (echo without a
//                               signature), tampered (echo with one byte
//                               changed after signing), stale (echo whose
//                               signature expired), elsewhere (echo signed
//                               for another request)
//   /files/<name>               PUT: keeps the body; GET: answers it, honours Range
//   /_seen/<path>               what requests to <path> looked like (below)
//   /_request/<path>            the inflated request last posted to <path>
//
// A second port answers every connection with bytes that are not HTTP.
#include <memory>
#include <string>

namespace tdu::test {

class test_http_server_c {
public:
    test_http_server_c();  // listens on free loopback ports
    ~test_http_server_c();
    test_http_server_c(const test_http_server_c&) = delete;
    test_http_server_c& operator=(const test_http_server_c&) = delete;

    int port() const;
    int garbage_port() const;

private:
    struct impl_t;
    std::unique_ptr<impl_t> impl_;
};

} // namespace tdu::test
