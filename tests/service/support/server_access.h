#pragma once
// Where a test finds the misbehaving test server (test_http_server.h): the
// native tests run it inside the test program, the Windows tests under Wine
// reach the native process that the test run started (its ports are in the
// file named by TDU_TEST_SERVER_FILE).
#include <string>

namespace tdu::test {

struct server_ports_t {
    int http = 0;
    int garbage = 0;
};
// The ports of the server (one implementation per build).
const server_ports_t& test_server_ports();

// "http://127.0.0.1:<port>" followed by `path`. Starts or finds the server
// on first use; a server that cannot be reached throws.
std::string server_url(const std::string& path);

// An address of the port that answers with bytes that are not HTTP.
std::string garbage_server_url();

// An address where nothing listens: connections are refused.
std::string refused_url(const std::string& path);

// The body of a GET of `path` from the server, fetched with libcurl.
std::string server_get(const std::string& path);

// Makes the server answer GET /files/<name> with `body`.
void server_put_file(const std::string& name, const std::string& body);

// One line "key=value" of /_seen/<path>: hits, range, user-agent,
// connection or accept-encoding.
std::string server_seen(const std::string& path, const std::string& key);

} // namespace tdu::test
