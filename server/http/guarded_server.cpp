#include "http/guarded_server.h"

#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace tdu::server {

namespace {

thread_local connection_stream_t* current = nullptr;
// Set while the accept thread hands over a connection past the cap.
thread_local bool refuse_connection = false;

// One thread per connection, up to a cap. The count lives in a shared
// record so a thread that ends after shutdown() returned touches nothing
// that is gone.
class connection_threads_t : public httplib::TaskQueue {
public:
    explicit connection_threads_t(std::size_t cap) : state_(std::make_shared<state_t>()), cap_(cap) {}

    void enqueue(std::function<void()> fn) override
    {
        {
            std::lock_guard<std::mutex> lock(state_->mutex);
            if (state_->running < cap_) {
                ++state_->running;
                try {
                    std::thread([state = state_, fn] {
                        fn();
                        std::lock_guard<std::mutex> done(state->mutex);
                        if (--state->running == 0) state->idle.notify_all();
                    }).detach();
                    return;
                } catch (const std::system_error&) {
                    --state_->running;
                }
            }
        }
        // No thread for it: the connection is closed on this thread.
        refuse_connection = true;
        fn();
        refuse_connection = false;
    }

    void shutdown() override
    {
        std::unique_lock<std::mutex> lock(state_->mutex);
        state_->idle.wait(lock, [this] { return state_->running == 0; });
    }

private:
    struct state_t {
        std::mutex mutex;
        std::condition_variable idle;
        std::size_t running = 0;
    };
    std::shared_ptr<state_t> state_;
    std::size_t cap_;
};

// Closing a socket with unread bytes makes the system reset the
// connection, and the client may then lose the answer it was sent. After an
// answer that left a body unread, the sending side is closed first and what
// still arrives is read and dropped for a short while.
void linger(int sock)
{
    ::shutdown(sock, SHUT_WR);
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    std::size_t dropped = 0;
    char buffer[16384];
    while (dropped < (4u << 20) && std::chrono::steady_clock::now() < until) {
        pollfd p{sock, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        ssize_t n = ::recv(sock, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        dropped += static_cast<std::size_t>(n);
    }
}

// A body with Content-Encoding gzip or deflate is unframed and inflated by
// the connection, which counts every inflated byte, rather than by the
// library, whose form reader sees only the bytes inside the form's parts.
// Its framing and encoding headers are taken off, so the library reads the
// inflated bytes up to their end. The framing is read as the library would
// have read it: chunked, else Content-Length, else up to the connection's
// end.
void inflate_encoded_body(httplib::Request& req, connection_stream_t& stream, const connection_limits_t& limits)
{
    const std::string encoding = req.get_header_value("Content-Encoding");
    if (encoding != "gzip" && encoding != "deflate") return;
    std::size_t lengths = req.get_header_value_count("Content-Length");
    std::size_t transfer_encodings = req.get_header_value_count("Transfer-Encoding");
    // Framing given twice is refused by the service before any body is read.
    if (lengths + transfer_encodings > 1) return;
    auto framing = body_inflater_t::framing_t::until_close;
    std::uint64_t length = 0;
    if (transfer_encodings) {
        if (strcasecmp(req.get_header_value("Transfer-Encoding").c_str(), "chunked") == 0)
            framing = body_inflater_t::framing_t::chunked;
    } else if (lengths) {
        const std::string text = req.get_header_value("Content-Length");
        char* end = nullptr;
        errno = 0;
        unsigned long long n = std::strtoull(text.c_str(), &end, 10);
        // A length that cannot be read, or is past the limit, is left to
        // the service to refuse before the body is read.
        if (text.empty() || *end != '\0' || errno == ERANGE || n > limits.inflation.max_bytes) return;
        framing = body_inflater_t::framing_t::length;
        length = n;
    }
    stream.inflate_body(framing, length);
    req.headers.erase("Content-Encoding");
    req.headers.erase("Content-Length");
    req.headers.erase("Transfer-Encoding");
}

} // namespace

guarded_server_t::guarded_server_t(connection_limits_t limits) : limits_(limits)
{
    std::size_t cap = limits_.max_connections;
    new_task_queue = [cap] { return new connection_threads_t(cap); };
    // What the answers' Keep-Alive header announces.
    set_keep_alive_max_count(limits_.max_requests_per_connection);
    set_keep_alive_timeout(std::chrono::duration_cast<std::chrono::seconds>(limits_.keep_alive_time).count());
}

void guarded_server_t::widen_backlog()
{
    // listen() again on a listening socket only changes its backlog; the
    // library's own is five.
    int sock = svr_sock_.load();
    if (sock >= 0) ::listen(sock, 1024);
}

void guarded_server_t::stop()
{
    stop_.draining = true;
    httplib::Server::stop();
    auto until = std::chrono::steady_clock::now() + limits_.drain_time;
    while (active_.load() > 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    stop_.stopping = true;
}

connection_stream_t* guarded_server_t::current_connection()
{
    return current;
}

bool guarded_server_t::process_and_close_socket(socket_t sock)
{
    if (!refuse_connection && !stop_.stopping) {
        ++active_;
        connection_stream_t stream(sock, limits_, stop_);
        current = &stream;
        for (std::size_t n = 0; n < limits_.max_requests_per_connection; ++n) {
            if (n > 0) {
                if (!stream.wait_for_request()) break;
                stream.begin_request();
            }
            bool last = n + 1 == limits_.max_requests_per_connection;
            bool closed = false, read = false;
            bool ok = process_request(stream, last, closed, [&](httplib::Request& req) {
                read = true;
                stream.begin_body();
                inflate_encoded_body(req, stream, limits_);
            });
            // A request whose line or headers could not be read leaves the
            // stream at an unknown place: the connection ends.
            if (!ok || !read || closed || stream.close_after_answer || stop_.draining) break;
        }
        current = nullptr;
        if (stream.close_after_answer) linger(sock);
        --active_;
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return true;
}

} // namespace tdu::server
