#pragma once
// One client connection as the HTTP library reads and writes it, with the
// time limits that keep a slow or silent client from holding the service:
// the request line and headers must arrive within `header_time`, a body
// within `body_time`, and no read or write may wait longer than
// `idle_time` / `write_idle_time` for the next byte. When the service
// stops it first drains: a request whose headers are in is finished (its
// body read, its answer sent) while no new one is waited for; once the
// drain time is over every wait ends within a fraction of a second.
#include "http/body_inflater.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace tdu::server {

struct connection_limits_t {
    std::chrono::milliseconds header_time{10000};
    std::chrono::milliseconds body_time{60000};
    std::chrono::milliseconds idle_time{5000};
    // A package body goes out as fast as the client takes it; a link so
    // slow that no byte leaves for this long is given up.
    std::chrono::milliseconds write_idle_time{60000};
    std::chrono::milliseconds keep_alive_time{5000};
    std::size_t max_header_bytes = 64u << 10;
    // Raw bytes after the headers (a body's framing, chunk sizes and
    // compressed bytes included); more ends the connection.
    std::size_t max_body_bytes = (8u << 20) + (64u << 10);
    // A body with a Content-Encoding, inflated: its bytes and its ratio.
    inflation_limits_t inflation;
    // How long requests already read may take to finish when the service
    // stops.
    std::chrono::milliseconds drain_time{10000};
    // Connections with a request in progress, each served by a thread of
    // its own; more are closed at once.
    std::size_t max_connections = 4096;
    // Connections waiting for a request's headers (header_reception_t);
    // at this many the one that has waited longest is closed for a new one.
    std::size_t max_waiting_connections = 16384;
    std::size_t max_requests_per_connection = 100;
};

// How far the service is in stopping.
struct stop_state_t {
    std::atomic<bool> draining{false}; // no new requests; those read finish
    std::atomic<bool> stopping{false}; // every wait ends now
};

// What went out of one answer, for the log.
struct answer_sent_t {
    int status = 0;               // of the status line sent; 0: none went out
    std::uint64_t body_bytes = 0; // bytes after the headers
    bool failed = false;          // a write could not send all it was given
};

class connection_stream_t : public httplib::Stream {
public:
    using clock = std::chrono::steady_clock;

    connection_stream_t(int sock, const connection_limits_t& limits, const stop_state_t& stop);

    // A new request starts: its request line and headers are read now.
    void begin_request();
    // The headers are in; what is read from now on is the body.
    void begin_body();
    // Bytes read from the connection before this stream took it over
    // (header_reception_t's); they come first.
    void preload(std::string bytes);
    // True while bytes read from the connection wait in the stream.
    bool has_unread() const { return used_ < buffered_ || pending_used_ < pending_.size(); }
    // Those bytes, taken out: the connection goes back to waiting for its
    // next request with them.
    std::string take_unread();
    // From now on the body is unframed and inflated here (see
    // body_inflater_t), and read() gives the inflated bytes.
    void inflate_body(body_inflater_t::framing_t framing, std::uint64_t length);
    // Why an inflated body was given up for its size ("" when it was not).
    std::string body_refusal() const { return inflater_ ? inflater_->refusal() : std::string(); }

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, std::size_t size) override;
    ssize_t write(const char* ptr, std::size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return sock_; }

    // Set by a handler that left a body unread: the connection ends after
    // the answer instead of reading the rest as the next request.
    bool close_after_answer = false;
    // What has gone out of the current request's answer.
    const answer_sent_t& sent() const { return sent_; }

private:
    enum class phase_t { headers, body };
    // Waits for `events` until `limit`; false on a time-out, an error or a
    // stop.
    bool wait(short events, clock::time_point limit) const;
    // The connection's bytes as they come, within the phase's limits.
    ssize_t read_raw(char* ptr, std::size_t size);

    int sock_;
    const connection_limits_t& limits_;
    const stop_state_t& stop_;
    answer_sent_t sent_;
    phase_t phase_ = phase_t::headers;
    clock::time_point phase_end_;
    std::size_t phase_bytes_ = 0;
    char buffer_[4096];
    std::size_t buffered_ = 0, used_ = 0;
    std::string pending_; // preload()'s bytes
    std::size_t pending_used_ = 0;
    std::unique_ptr<body_inflater_t> inflater_;
};

} // namespace tdu::server
