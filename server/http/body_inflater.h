#pragma once
// A request body sent with Content-Encoding gzip or deflate, unframed
// (Content-Length, chunked, or up to the end of the connection) and
// inflated as it is read. Every inflated byte counts, from the first: the
// form's reader sees only the bytes inside its parts, so bytes before the
// first boundary or after the last would otherwise be inflated without
// limit. The inflated body may not pass `max_bytes`, nor grow more than
// `max_ratio` times the compressed bytes read (after a first `ratio_slack`
// bytes, so that small bodies never trip it).
#include <sys/types.h>

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace tdu::server {

struct inflation_limits_t {
    std::size_t max_bytes = 8u << 20;
    std::size_t max_ratio = 100;
    std::size_t ratio_slack = 64u << 10;
};

class body_inflater_t {
public:
    enum class framing_t { length, chunked, until_close };
    // Reads raw bytes of the connection: >0 bytes read, 0 at its end, <0 on
    // an error or a time-out.
    using raw_reader_t = std::function<ssize_t(char*, std::size_t)>;

    // `length` is the announced Content-Length of framing_t::length.
    body_inflater_t(framing_t framing, std::uint64_t length, const inflation_limits_t& limits);
    ~body_inflater_t();
    body_inflater_t(const body_inflater_t&) = delete;
    body_inflater_t& operator=(const body_inflater_t&) = delete;

    // Inflated bytes: >0 read, 0 at the end of the body, -1 when it is cut
    // short, malformed or past a limit (then refusal() says so).
    ssize_t read(char* out, std::size_t size, const raw_reader_t& raw);

    // Why the body was given up for its size ("" when it was not).
    const std::string& refusal() const { return refusal_; }

private:
    // The next compressed bytes of the body without its framing; 0 at its
    // end, -1 on an error.
    ssize_t read_payload(char* out, std::size_t size, const raw_reader_t& raw);
    bool read_chunk_size(const raw_reader_t& raw);
    bool read_line(std::string& line, const raw_reader_t& raw);
    ssize_t fail();

    framing_t framing_;
    inflation_limits_t limits_;
    z_stream z_{};
    bool z_ready_ = false;
    std::uint64_t left_ = 0; // of the Content-Length, or of the current chunk
    bool chunk_started_ = false;
    bool payload_ended_ = false;
    bool stream_ended_ = false;
    bool output_pending_ = false; // the last inflate filled its output
    bool failed_ = false;
    std::size_t inflated_ = 0;
    std::string refusal_;
    char input_[16384];
};

} // namespace tdu::server
