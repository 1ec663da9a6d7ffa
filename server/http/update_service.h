#pragma once
// The update service over HTTP:
//   POST /                 the update request (form field "kelptone"); the
//                          answer is signed (header X-Tavrill-Signature)
//   GET  /packages/<name>  a package, with Range support
//   GET  /program/<arch>   the newest program setup of x86 or x64 in the
//                          setups folder, as a signed version document
//                          (service/program_document.h)
//   GET  /setups/<name>    a setup of that folder, with Range support
//   GET  /drivers/<name>   a plain-text page on a package's drivers
//   GET  /                 one line on the catalogue, to see that it runs
// Every request is logged as one line: method, path, status, bytes, ms.
#include "http/connection_stream.h"
#include "protocol/answer_signer.h"
#include "protocol/update_request.h"

#include <cstddef>
#include <memory>
#include <ostream>
#include <string>

namespace tdu::server {

struct service_options_t {
    std::string catalogue;
    std::string address = "127.0.0.1";
    int port = 8080; // 0: a free port chosen by the system
    // The links' base ("http://host:port/"); empty: from each request's Host.
    std::string base_url;
    // The folder of the program's setups offered to the updater
    // (http/program_setups.h); empty: none.
    std::string setups_folder;
    std::size_t max_body = 8u << 20; // bytes of a posted request
    request_limits_t limits;
    // Time and size limits of a connection; max_body_bytes follows max_body.
    connection_limits_t connection;
    // Update requests worked on at once (0: one per processor); the others
    // wait, while downloads and slow clients have threads of their own.
    unsigned update_workers = 0;
    // Offers kept per device, and the answer's byte budget.
    std::size_t offers_per_device = 8;
    std::size_t max_answer_bytes = 4u << 20;
    std::ostream* log = nullptr; // null: standard error
    // The key every update answer is signed with (protocol/answer_signer.h);
    // bind() refuses to serve without one.
    std::shared_ptr<const answer_secret_key_t> signing_key;
    // Seconds an answer's signature holds from the moment it is made.
    int64_t signature_lifetime = default_signature_lifetime;
};

class update_service_t {
public:
    explicit update_service_t(service_options_t options);
    ~update_service_t();
    update_service_t(const update_service_t&) = delete;
    update_service_t& operator=(const update_service_t&) = delete;

    // Checks the catalogue and binds the address; false with a reason.
    bool bind(std::string& error);
    // The bound port (useful with port 0).
    int port() const;
    // Serves until stop(); returns false when listening failed.
    bool run();
    void stop();

private:
    struct impl_t;
    std::unique_ptr<impl_t> impl_;
};

} // namespace tdu::server
