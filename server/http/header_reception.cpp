#include "http/header_reception.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace tdu::server {

namespace {

// How often time limits are looked at (and a stop noticed).
constexpr int tick_ms = 100;

void close_connection(int sock)
{
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
}

// True once `bytes` hold the empty line that ends a request's headers.
bool headers_complete(const std::string& bytes, std::size_t searched_from)
{
    std::size_t from = searched_from > 3 ? searched_from - 3 : 0;
    return bytes.find("\n\r\n", from) != std::string::npos || bytes.find("\n\n", from) != std::string::npos;
}

} // namespace

header_reception_t::header_reception_t(const connection_limits_t& limits, const stop_state_t& stop,
                                       dispatch_t dispatch)
    : limits_(limits), stop_(stop), dispatch_(std::move(dispatch))
{
    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    epoll_event e{};
    e.events = EPOLLIN;
    e.data.fd = wake_;
    ::epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &e);
    thread_ = std::thread([this] { run(); });
}

header_reception_t::~header_reception_t()
{
    shutdown();
    ::close(wake_);
    ::close(epoll_);
}

void header_reception_t::add(parked_connection_t connection)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!closed_) {
            incoming_.push_back(std::move(connection));
            std::uint64_t one = 1;
            [[maybe_unused]] auto n = ::write(wake_, &one, sizeof one);
            return;
        }
    }
    close_connection(connection.sock);
}

void header_reception_t::shutdown()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) return;
        closed_ = true;
        std::uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(wake_, &one, sizeof one);
    }
    if (thread_.joinable()) thread_.join();
}

void header_reception_t::hold(parked_connection_t&& connection, clock::time_point now)
{
    if (held_.size() >= limits_.max_waiting_connections) close_oldest();
    held_t h;
    h.since = now;
    // A new connection has its header time from the start; a kept-alive
    // one first waits for its next request, then has the header time.
    bool fresh = connection.served == 0 || !connection.bytes.empty();
    h.deadline = now + (fresh ? limits_.header_time : limits_.keep_alive_time);
    h.idle_end = fresh ? std::min(h.deadline, now + limits_.idle_time) : h.deadline;
    int sock = connection.sock;
    h.connection = std::move(connection);
    if (!h.connection.bytes.empty() && headers_complete(h.connection.bytes, 0)) {
        dispatch_(std::move(h.connection));
        return;
    }
    epoll_event e{};
    e.events = EPOLLIN | EPOLLRDHUP;
    e.data.fd = sock;
    if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, sock, &e) != 0) {
        close_connection(sock);
        return;
    }
    held_.emplace(sock, std::move(h));
}

bool header_reception_t::read(held_t& h, clock::time_point now)
{
    auto& c = h.connection;
    bool had_bytes = !c.bytes.empty();
    char buffer[4096];
    for (;;) {
        ssize_t n = ::recv(c.sock, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
        if (n <= 0) {
            release(c.sock, false);
            return true;
        }
        std::size_t searched = c.bytes.size();
        c.bytes.append(buffer, static_cast<std::size_t>(n));
        if (!had_bytes && c.served > 0) h.deadline = now + limits_.header_time; // its next request began
        had_bytes = true;
        h.idle_end = std::min(h.deadline, now + limits_.idle_time);
        if (headers_complete(c.bytes, searched)) {
            release(c.sock, true);
            return true;
        }
        if (c.bytes.size() >= limits_.max_header_bytes) {
            refuse(c.sock, "the request's headers are too large");
            return true;
        }
    }
}

void header_reception_t::release(int sock, bool dispatch)
{
    auto it = held_.find(sock);
    if (it == held_.end()) return;
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, sock, nullptr);
    parked_connection_t c = std::move(it->second.connection);
    held_.erase(it);
    if (dispatch) dispatch_(std::move(c));
    else close_connection(sock);
}

void header_reception_t::refuse(int sock, const char* reason)
{
    auto it = held_.find(sock);
    if (it == held_.end()) return;
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, sock, nullptr);
    held_.erase(it);
    std::string body = std::string(reason) + "\n";
    std::string answer = "HTTP/1.1 400 Bad Request\r\nConnection: close\r\nContent-Type: text/plain\r\n"
                         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    [[maybe_unused]] auto sent = ::send(sock, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    // What the client sent and nobody read would make the close a reset,
    // which may take the answer with it.
    ::shutdown(sock, SHUT_WR);
    char buffer[4096];
    for (int i = 0; i < 64 && ::recv(sock, buffer, sizeof buffer, MSG_DONTWAIT) > 0; ++i) {
    }
    ::close(sock);
}

void header_reception_t::close_oldest()
{
    auto oldest = std::min_element(held_.begin(), held_.end(),
                                   [](const auto& a, const auto& b) { return a.second.since < b.second.since; });
    if (oldest != held_.end()) release(oldest->first, false);
}

void header_reception_t::run()
{
    std::vector<epoll_event> events(256);
    auto last_sweep = clock::now();
    for (;;) {
        int n = ::epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), tick_ms);
        auto now = clock::now();
        std::vector<parked_connection_t> incoming;
        bool closing;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            incoming.swap(incoming_);
            closing = closed_;
        }
        for (auto& c : incoming) hold(std::move(c), now);
        for (int i = 0; i < n; ++i) {
            int fd = events[static_cast<std::size_t>(i)].data.fd;
            if (fd == wake_) {
                std::uint64_t count;
                [[maybe_unused]] auto r = ::read(wake_, &count, sizeof count);
                continue;
            }
            auto it = held_.find(fd);
            if (it != held_.end()) read(it->second, now);
        }
        // A stopping service waits for no request that is not in yet: what
        // has arrived is read once more, the rest closed.
        if (closing || stop_.draining.load()) {
            std::vector<int> socks;
            for (const auto& [sock, h] : held_) socks.push_back(sock);
            for (int sock : socks) {
                auto it = held_.find(sock);
                if (it == held_.end()) continue;
                if (!closing && read(it->second, now)) continue;
                release(sock, false);
            }
            if (closing) return;
            continue;
        }
        if (now - last_sweep >= std::chrono::milliseconds(tick_ms)) {
            last_sweep = now;
            std::vector<int> expired;
            for (const auto& [sock, h] : held_)
                if (now >= h.idle_end || now >= h.deadline) expired.push_back(sock);
            // Headers begun and not ended in time are refused; a connection
            // that sent nothing is closed.
            for (int sock : expired) {
                if (held_.at(sock).connection.bytes.empty()) release(sock, false);
                else refuse(sock, "the request's headers did not arrive in time");
            }
        }
    }
}

} // namespace tdu::server
