#include "http/body_inflater.h"

#include <algorithm>

namespace tdu::server {

namespace {

// Longest chunk-size or trailer line, and most trailer lines.
constexpr std::size_t max_line_bytes = 4096;
constexpr int max_trailer_lines = 64;
// Inflated bytes between two checks of the limits.
constexpr std::size_t max_step = 16384;

int hex_digit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

body_inflater_t::body_inflater_t(framing_t framing, std::uint64_t length, const inflation_limits_t& limits)
    : framing_(framing), limits_(limits), left_(framing == framing_t::length ? length : 0)
{
    // 15 + 32: a zlib or a gzip header, whichever the stream has (as the
    // HTTP library reads both "deflate" and "gzip").
    z_ready_ = inflateInit2(&z_, 15 + 32) == Z_OK;
}

body_inflater_t::~body_inflater_t()
{
    if (z_ready_) inflateEnd(&z_);
}

ssize_t body_inflater_t::fail()
{
    failed_ = true;
    return -1;
}

ssize_t body_inflater_t::read(char* out, std::size_t size, const raw_reader_t& raw)
{
    if (failed_ || !z_ready_) return fail();
    // The output is filled as far as it goes (the form's reader is given
    // pieces as large as a plain body's, not one per chunk of input).
    std::size_t total = 0;
    while (total < size) {
        if (stream_ended_) {
            if (total > 0) break;
            // The body ends with the stream: nothing may follow it.
            if (z_.avail_in > 0) return fail();
            char extra;
            return read_payload(&extra, 1, raw) == 0 ? 0 : fail();
        }
        // Input is read only once zlib has given out all it holds: with
        // the input used up, it may still have output the last call had no
        // room for (up to the stream's end).
        if (z_.avail_in == 0 && !output_pending_) {
            ssize_t n = read_payload(input_, sizeof input_, raw);
            if (n <= 0) return fail(); // an error, or cut short before the stream's end
            z_.next_in = reinterpret_cast<Bytef*>(input_);
            z_.avail_in = static_cast<uInt>(n);
        }
        std::size_t room = std::min(size - total, max_step);
        z_.next_out = reinterpret_cast<Bytef*>(out + total);
        z_.avail_out = static_cast<uInt>(room);
        int rc = inflate(&z_, Z_NO_FLUSH);
        if (rc == Z_STREAM_END)
            stream_ended_ = true;
        else if (rc != Z_OK && rc != Z_BUF_ERROR)
            return fail();
        output_pending_ = z_.avail_out == 0;
        total += room - z_.avail_out;
        inflated_ += room - z_.avail_out;
        if (inflated_ > limits_.max_bytes) {
            refusal_ = "the request body is too large: it inflates past " + std::to_string(limits_.max_bytes) +
                       " bytes";
            return fail();
        }
        if (inflated_ > limits_.ratio_slack && inflated_ - limits_.ratio_slack > limits_.max_ratio * z_.total_in) {
            refusal_ = "the request body is too large: it inflates more than " + std::to_string(limits_.max_ratio) +
                       " times its compressed size";
            return fail();
        }
    }
    return static_cast<ssize_t>(total);
}

ssize_t body_inflater_t::read_payload(char* out, std::size_t size, const raw_reader_t& raw)
{
    switch (framing_) {
    case framing_t::until_close: {
        ssize_t n = raw(out, size);
        return n < 0 ? -1 : n;
    }
    case framing_t::chunked:
        if (payload_ended_) return 0;
        if (left_ == 0) {
            if (!read_chunk_size(raw)) return -1;
            if (payload_ended_) return 0;
        }
        break;
    case framing_t::length:
        if (left_ == 0) return 0;
        break;
    }
    ssize_t n = raw(out, static_cast<std::size_t>(std::min<std::uint64_t>(size, left_)));
    if (n <= 0) return -1; // an error, or the connection ended inside the body
    left_ -= static_cast<std::uint64_t>(n);
    return n;
}

bool body_inflater_t::read_chunk_size(const raw_reader_t& raw)
{
    std::string line;
    // The line break that ends the previous chunk's data.
    if (chunk_started_ && (!read_line(line, raw) || !line.empty())) return false;
    chunk_started_ = true;
    if (!read_line(line, raw)) return false;
    std::uint64_t size = 0;
    std::size_t digits = 0;
    for (char c : line) {
        int d = hex_digit(c);
        if (d < 0) {
            if (c == ';' || c == ' ' || c == '\t') break; // chunk extensions are ignored
            return false;
        }
        if (++digits > 15) return false;
        size = size * 16 + static_cast<std::uint64_t>(d);
    }
    if (digits == 0) return false;
    if (size > 0) {
        left_ = size;
        return true;
    }
    // The last chunk: trailer lines up to an empty one.
    for (int i = 0;; ++i) {
        if (i > max_trailer_lines || !read_line(line, raw)) return false;
        if (line.empty()) break;
    }
    payload_ended_ = true;
    return true;
}

bool body_inflater_t::read_line(std::string& line, const raw_reader_t& raw)
{
    line.clear();
    for (;;) {
        char c;
        if (raw(&c, 1) != 1) return false;
        if (c == '\n') break;
        if (line.size() == max_line_bytes) return false;
        line += c;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

} // namespace tdu::server
