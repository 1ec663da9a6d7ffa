#include "http/connection_stream.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tdu::server {

namespace {

// How often a wait looks whether the service is stopping.
constexpr std::chrono::milliseconds stop_check{100};

void address_of(int sock, bool peer, std::string& ip, int& port)
{
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    int rc = peer ? getpeername(sock, reinterpret_cast<sockaddr*>(&addr), &len)
                  : getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &len);
    if (rc != 0) return;
    char host[NI_MAXHOST], service[NI_MAXSERV];
    if (getnameinfo(reinterpret_cast<sockaddr*>(&addr), len, host, sizeof host, service, sizeof service,
                    NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return;
    ip = host;
    port = std::atoi(service);
}

} // namespace

connection_stream_t::connection_stream_t(int sock, const connection_limits_t& limits, const stop_state_t& stop)
    : sock_(sock), limits_(limits), stop_(stop)
{
    begin_request();
}

void connection_stream_t::begin_request()
{
    phase_ = phase_t::headers;
    phase_end_ = clock::now() + limits_.header_time;
    phase_bytes_ = 0;
    close_after_answer = false;
    inflater_.reset();
    sent_ = answer_sent_t{};
}

void connection_stream_t::begin_body()
{
    phase_ = phase_t::body;
    phase_end_ = clock::now() + limits_.body_time;
    phase_bytes_ = 0;
}

bool connection_stream_t::wait(short events, clock::time_point limit) const
{
    for (;;) {
        if (stop_.stopping.load()) return false;
        // While the service drains, a request not read yet is not waited
        // for: only bytes that are there already are taken.
        if (stop_.draining.load() && phase_ == phase_t::headers) {
            pollfd p{sock_, events, 0};
            return ::poll(&p, 1, 0) > 0;
        }
        auto now = clock::now();
        if (now >= limit) return false;
        auto slice = std::min<clock::duration>(limit - now, stop_check);
        pollfd p{sock_, events, 0};
        int ms = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(slice).count());
        int rc = ::poll(&p, 1, ms);
        if (rc > 0) return true; // ready, or an error the next call reports
        if (rc < 0 && errno != EINTR) return false;
    }
}

void connection_stream_t::preload(std::string bytes)
{
    pending_ = std::move(bytes);
    pending_used_ = 0;
}

std::string connection_stream_t::take_unread()
{
    std::string out = pending_.substr(pending_used_);
    out.append(buffer_ + used_, buffered_ - used_);
    pending_.clear();
    pending_used_ = 0;
    used_ = buffered_ = 0;
    return out;
}

bool connection_stream_t::is_readable() const
{
    if (has_unread()) return true;
    return wait(POLLIN, std::min(phase_end_, clock::now() + limits_.idle_time));
}

bool connection_stream_t::is_writable() const
{
    return wait(POLLOUT, clock::now() + limits_.write_idle_time);
}

void connection_stream_t::inflate_body(body_inflater_t::framing_t framing, std::uint64_t length)
{
    inflater_ = std::make_unique<body_inflater_t>(framing, length, limits_.inflation);
}

ssize_t connection_stream_t::read(char* ptr, std::size_t size)
{
    if (phase_ == phase_t::body && inflater_)
        return inflater_->read(ptr, size, [this](char* raw, std::size_t n) { return read_raw(raw, n); });
    return read_raw(ptr, size);
}

ssize_t connection_stream_t::read_raw(char* ptr, std::size_t size)
{
    if (size == 0) return 0;
    std::size_t limit = phase_ == phase_t::headers ? limits_.max_header_bytes : limits_.max_body_bytes;
    if (phase_bytes_ >= limit) return -1;
    size = std::min(size, limit - phase_bytes_);
    if (pending_used_ < pending_.size()) {
        std::size_t n = std::min(size, pending_.size() - pending_used_);
        std::memcpy(ptr, pending_.data() + pending_used_, n);
        pending_used_ += n;
        phase_bytes_ += n;
        return static_cast<ssize_t>(n);
    }
    if (used_ == buffered_) {
        if (!wait(POLLIN, std::min(phase_end_, clock::now() + limits_.idle_time))) return -1;
        ssize_t n;
        do {
            n = ::recv(sock_, buffer_, sizeof buffer_, 0);
        } while (n < 0 && errno == EINTR);
        if (n <= 0) return n;
        buffered_ = static_cast<std::size_t>(n);
        used_ = 0;
    }
    std::size_t n = std::min(size, buffered_ - used_);
    std::memcpy(ptr, buffer_ + used_, n);
    used_ += n;
    phase_bytes_ += n;
    return static_cast<ssize_t>(n);
}

ssize_t connection_stream_t::write(const char* ptr, std::size_t size)
{
    // The library writes an answer's status line and headers in one piece,
    // before its body (an interim "100 Continue" the same way): what follows
    // the final status line is the body.
    const bool status_line = sent_.status == 0 && size > 12 && std::memcmp(ptr, "HTTP/1.", 7) == 0;
    std::size_t sent = 0;
    while (sent < size) {
        if (!wait(POLLOUT, clock::now() + limits_.write_idle_time)) break;
        ssize_t n = ::send(sock_, ptr + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
    if (sent < size) sent_.failed = true;
    if (status_line) {
        int status = std::atoi(std::string(ptr + 9, 3).c_str());
        if (sent == size && status >= 200) sent_.status = status;
    } else if (sent_.status != 0) {
        sent_.body_bytes += sent;
    }
    if (sent < size) return sent ? static_cast<ssize_t>(sent) : -1;
    return static_cast<ssize_t>(sent);
}

void connection_stream_t::get_remote_ip_and_port(std::string& ip, int& port) const
{
    address_of(sock_, true, ip, port);
}

void connection_stream_t::get_local_ip_and_port(std::string& ip, int& port) const
{
    address_of(sock_, false, ip, port);
}

} // namespace tdu::server
