#include "http/guarded_server.h"

#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace tdu::server {

namespace {

thread_local connection_stream_t* current = nullptr;

void close_socket(int sock)
{
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
}

} // namespace

// The library's accept loop hands each connection to this queue, which
// gives it to the header reception on the same thread. A connection whose
// headers are in is served by a thread of its own (for its request and the
// next ones already sent behind it), up to a cap, and then goes back to the
// reception to wait for more. A thread that has served a connection waits
// a while for the next one rather than end, so kept-alive clients do not
// cost a thread's start and end per request. The shared record outlives
// the queue for threads that end after shutdown() returned.
class guarded_server_t::connection_queue_t : public httplib::TaskQueue {
public:
    explicit connection_queue_t(guarded_server_t& server)
        : server_(server), state_(std::make_shared<state_t>()),
          reception_(server.limits_, server.stop_, [this](parked_connection_t&& c) { start(std::move(c)); })
    {
        server_.queue_ = this;
    }
    ~connection_queue_t() override { server_.queue_ = nullptr; }

    // Runs the library's task, process_and_close_socket(), which calls
    // receive() at once.
    void enqueue(std::function<void()> fn) override { fn(); }

    void receive(parked_connection_t c) { reception_.add(std::move(c)); }

    void shutdown() override
    {
        reception_.shutdown();
        std::unique_lock<std::mutex> lock(state_->mutex);
        state_->closing = true;
        state_->work.notify_all();
        state_->idle.wait(lock, [this] { return state_->running == 0; });
        for (auto& c : state_->queued) close_socket(c.sock);
        state_->queued.clear();
    }

private:
    struct state_t {
        std::mutex mutex;
        std::condition_variable idle, work;
        std::size_t running = 0; // threads, serving or waiting
        std::size_t waiting = 0; // threads waiting for a connection
        std::deque<parked_connection_t> queued;
        bool closing = false;
    };

    // How long a thread without a connection waits for one before it ends.
    static constexpr std::chrono::seconds spare_time{10};

    void start(parked_connection_t&& c)
    {
        {
            std::lock_guard<std::mutex> lock(state_->mutex);
            if (!state_->closing && state_->waiting > state_->queued.size()) {
                state_->queued.push_back(std::move(c));
                state_->work.notify_one();
                return;
            }
            if (!state_->closing && state_->running < server_.limits_.max_connections) {
                ++state_->running;
                try {
                    std::thread([this, state = state_, c = std::move(c)]() mutable { work(state, std::move(c)); })
                        .detach();
                    return;
                } catch (const std::system_error&) {
                    --state_->running;
                }
            }
        }
        // No thread for it: the connection is closed.
        close_socket(c.sock);
    }

    void work(const std::shared_ptr<state_t>& state, parked_connection_t c)
    {
        for (;;) {
            server_.serve(std::move(c));
            std::unique_lock<std::mutex> lock(state->mutex);
            ++state->waiting;
            state->work.wait_for(lock, spare_time, [&] { return state->closing || !state->queued.empty(); });
            --state->waiting;
            if (state->closing || state->queued.empty()) {
                if (--state->running == 0) state->idle.notify_all();
                return;
            }
            c = std::move(state->queued.front());
            state->queued.pop_front();
        }
    }

    guarded_server_t& server_;
    std::shared_ptr<state_t> state_;
    header_reception_t reception_;
};

namespace {

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
    new_task_queue = [this] { return new connection_queue_t(*this); };
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
    // Called by the accept loop for a new connection: it waits for its
    // request's headers in the reception, not on a thread of its own.
    connection_queue_t* queue = queue_.load();
    if (queue && !stop_.draining) queue->receive({sock, {}, 0});
    else close_socket(sock);
    return true;
}

void guarded_server_t::serve(parked_connection_t c)
{
    ++active_;
    connection_stream_t stream(c.sock, limits_, stop_);
    stream.preload(std::move(c.bytes));
    current = &stream;
    bool park = false;
    std::size_t n = c.served;
    while (n < limits_.max_requests_per_connection) {
        if (n > c.served) stream.begin_request();
        bool last = n + 1 == limits_.max_requests_per_connection;
        bool closed = false, read = false;
        bool ok = process_request(stream, last, closed, [&](httplib::Request& req) {
            read = true;
            stream.begin_body();
            inflate_encoded_body(req, stream, limits_);
        });
        ++n;
        // A request whose line or headers could not be read leaves the
        // stream at an unknown place: the connection ends.
        if (!ok || !read || closed || stream.close_after_answer || stop_.draining || last) break;
        // A next request sent already is answered on this thread; else the
        // connection waits for it in the reception.
        if (stream.has_unread()) continue;
        park = true;
        break;
    }
    current = nullptr;
    if (park) {
        if (connection_queue_t* queue = queue_.load()) queue->receive({c.sock, stream.take_unread(), n});
        else close_socket(c.sock);
    } else {
        if (stream.close_after_answer) linger(c.sock);
        close_socket(c.sock);
    }
    --active_;
}

} // namespace tdu::server
