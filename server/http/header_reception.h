#pragma once
// Connections waiting for a request's line and headers, new ones and
// kept-alive ones between requests, are held by one thread over epoll
// rather than by a thread each: a slow or idle client costs a descriptor
// and its few header bytes, never one of the threads that serve requests.
// A connection whose headers are in is handed on (dispatch) with the bytes
// read so far. One that sent nothing within its time (`idle_time`, or
// `keep_alive_time` for a kept-alive connection's next request) is closed;
// one whose headers do not end in time (within `header_time`, with no gap
// of `idle_time`) or within `max_header_bytes` is answered 400 here and
// closed, so that thousands of slow clients that time out together take
// no thread even then. Near the cap on
// held connections, the one held longest is closed for a new one.
#include "http/connection_stream.h"

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tdu::server {

struct parked_connection_t {
    int sock = -1;
    std::string bytes;      // read, not yet given to a request
    std::size_t served = 0; // requests answered on the connection so far
};

class header_reception_t {
public:
    using dispatch_t = std::function<void(parked_connection_t&&)>;

    header_reception_t(const connection_limits_t& limits, const stop_state_t& stop, dispatch_t dispatch);
    ~header_reception_t();
    header_reception_t(const header_reception_t&) = delete;
    header_reception_t& operator=(const header_reception_t&) = delete;

    // Takes a connection over (from any thread); after shutdown() it is
    // closed at once.
    void add(parked_connection_t connection);
    // Closes every held connection and ends the thread.
    void shutdown();

private:
    using clock = std::chrono::steady_clock;
    struct held_t {
        parked_connection_t connection;
        clock::time_point since;    // when it was taken over
        clock::time_point deadline; // for the whole of its headers
        clock::time_point idle_end; // for its next byte
    };

    void run();
    void hold(parked_connection_t&& connection, clock::time_point now);
    // Reads what is there; true when the connection is done with here
    // (handed on or closed).
    bool read(held_t& held, clock::time_point now);
    void release(int sock, bool dispatch);
    // Answers 400 with `reason` (as far as the socket takes it at once)
    // and closes the connection.
    void refuse(int sock, const char* reason);
    void close_oldest();

    const connection_limits_t& limits_;
    const stop_state_t& stop_;
    dispatch_t dispatch_;
    int epoll_ = -1;
    int wake_ = -1; // an eventfd that ends the thread's wait
    std::mutex mutex_;
    std::vector<parked_connection_t> incoming_;
    bool closed_ = false;
    std::map<int, held_t> held_; // the thread's own
    std::thread thread_;
};

} // namespace tdu::server
