#pragma once
// The HTTP server of the update service: the library's request handling
// over connections that keep to time and size limits (connection_stream_t),
// one thread per connection up to a cap, so slow clients and long
// downloads never wait for or block one small pool of workers. Connections
// past the cap are closed at once; stop() ends every connection within a
// fraction of a second, slow clients or not.
#include "http/connection_stream.h"

#include <httplib.h>

#include <atomic>

namespace tdu::server {

class guarded_server_t : public httplib::Server {
public:
    explicit guarded_server_t(connection_limits_t limits);

    // After binding: lets many connections queue while the accept loop runs.
    void widen_backlog();
    // Ends the accept loop and every connection.
    void stop();

    // For handlers, on the thread of the request they answer: the
    // connection the request came on (null outside a request).
    static connection_stream_t* current_connection();

    const connection_limits_t& limits() const { return limits_; }

private:
    bool process_and_close_socket(socket_t sock) override;

    connection_limits_t limits_;
    std::atomic<bool> stopping_{false};
};

} // namespace tdu::server
