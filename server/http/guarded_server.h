#pragma once
// The HTTP server of the update service: the library's request handling
// over connections that keep to time and size limits (connection_stream_t).
// Connections waiting for a request's headers are held by one thread
// (header_reception_t); one whose headers are in gets a thread of its own,
// up to a cap, so slow clients and long downloads never wait for or block
// one small pool of workers, and thousands of slow or idle clients hold no
// thread. Connections past the cap are closed at once. stop() takes no new connections or
// requests and lets those whose headers are in finish, for at most the
// drain time; then it ends every connection within a fraction of a second,
// slow clients or not.
#include "http/connection_stream.h"
#include "http/header_reception.h"

#include <httplib.h>

#include <atomic>

namespace tdu::server {

class guarded_server_t : public httplib::Server {
public:
    explicit guarded_server_t(connection_limits_t limits);

    // After binding: lets many connections queue while the accept loop runs.
    void widen_backlog();
    // Ends the accept loop, waits up to the drain time for the requests
    // already read to be answered, and ends every connection.
    void stop();

    // For handlers, on the thread of the request they answer: the
    // connection the request came on (null outside a request).
    static connection_stream_t* current_connection();

    const connection_limits_t& limits() const { return limits_; }

private:
    class connection_queue_t;

    bool process_and_close_socket(socket_t sock) override;
    // Serves a connection whose request headers are in, on its own thread.
    void serve(parked_connection_t c);

    connection_limits_t limits_;
    stop_state_t stop_;
    // Connections being served, for the drain.
    std::atomic<int> active_{0};
    std::atomic<connection_queue_t*> queue_{nullptr}; // while the accept loop runs
};

} // namespace tdu::server
