#pragma once
// The one way the program talks to the network: a libcurl easy handle per
// transfer object with the options every transfer shares, a body received
// into a fixed memory buffer or into a file, and one result per request.
//
// A request succeeds exactly when `result` is 0 and `status` is below 400.
// Result codes are libcurl's (CURLcode); 22 also stands for "HTTP status 400
// or more on a clean transport", 23 for "the body did not fit the buffer".
// last-error code values set here: 4 (target file cannot be opened),
// 5 (writing the target file failed), 7 (a download transfer could not be
// made), 25 (the server sent more bytes than expected).
#include "service/curl_easy.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace tdu {

// The fixed body buffer of a memory transfer. Zero-filled before every
// request; the last byte is never written, so the body is always followed by
// a zero byte and holds at most capacity - 1 bytes.
struct body_buffer_t {
    std::unique_ptr<char[]> data;
    int32_t capacity = 0;
    int32_t used = 0;
};

constexpr size_t transfer_error_text_bytes = 256;

struct http_response_t {
    int32_t status = 0;                // HTTP status; 504 when the server gave none
    const char* content_type = nullptr;  // owned by libcurl; read only after a clean transfer
    int32_t result = 0;                // libcurl's result, or 22 for a status of 400 or more
    std::unique_ptr<body_buffer_t> body;  // absent for downloads to file
    // A memory request's X-Tavrill-Signature header (answer_signature.h),
    // of the last response when redirects were followed; empty when none.
    std::string signature;
    char error_text[transfer_error_text_bytes] = {};  // libcurl's error buffer
};

// The progress record of one download. The download session owns it; the
// transfer borrows it while a download runs. Each field is one aligned
// 32-bit word: the download thread writes bytes_done, http_status and
// result_code, the interface writes stop_requested, and each side reads the
// other's without a lock.
struct transfer_progress_t {
    std::atomic<uint32_t> expected_size{0};  // bytes the whole file must have
    std::atomic<uint32_t> bytes_done{0};     // bytes already in the file; the resume offset
    std::atomic<int32_t> http_status{0};     // status of the last attempt
    std::atomic<int32_t> result_code{0};     // libcurl's result of the last attempt, 0 = success
    // The last attempt's own file failure as a last-error code: 4 (the file
    // could not be opened), 5 (writing it failed), 25 (the server sent more
    // than expected_size); 0 when none.
    std::atomic<int32_t> file_error{0};
    std::atomic<int32_t> stop_requested{0};  // non-zero: the next progress check stops the transfer
};

struct http_transfer_t {
    CURL* handle = nullptr;
    // The multipart form of the next POST, filled by the caller with
    // curl_formadd; freed and reset after every request.
    curl_httppost* form_first = nullptr;
    curl_httppost* form_last = nullptr;
    http_response_t response;
    curl_slist* header_list = nullptr;  // holds "Connection: close"
    std::FILE* file = nullptr;          // the target file while a download runs
    transfer_progress_t* progress = nullptr;  // borrowed while a download runs
    // The last-error code this transfer's own file writer set during its
    // latest download (0 when none), so a retry loop never reacts to a code
    // an earlier call left in this thread's last-error code.
    int32_t download_error = 0;
    // The running download: over http, resuming with a range, its answer
    // looked at, and that answer an HTTP error whose body was not written.
    bool http_download = false;
    bool resuming = false;
    bool answer_checked = false;
    bool error_answer = false;
    // The latest download resumed and the server answered 416: the bytes on
    // disk do not fit the file it serves, so the next attempt starts afresh.
    bool range_refused = false;
};

constexpr int transfer_method_get = 0;
constexpr int transfer_method_post = 1;

// A new transfer with a zero-filled body buffer of `capacity` bytes (none
// when capacity is 0 or less) and the shared options set; null when the
// buffer or the libcurl handle cannot be made.
http_transfer_t* transfer_create(int32_t capacity);

// Frees the handle, a remaining form, the header list, the body buffer and
// the object. Accepts null.
void transfer_destroy(http_transfer_t* transfer);

struct transfer_deleter_t {
    void operator()(http_transfer_t* t) const { transfer_destroy(t); }
};
using transfer_ptr = std::unique_ptr<http_transfer_t, transfer_deleter_t>;

// One request into the body buffer: method 1 POST (the form when the caller
// added one, else an empty POST), 0 GET, any other value keeps the handle's
// method. Returns the transfer's response.
const http_response_t& transfer_request(http_transfer_t& transfer, const char* url, int method);

// Downloads `url` (http:// or ftp://, scheme in any case, or file:// of a
// package a driver folder offered) into the file at
// `path`. An http download with bytes_done above 0 resumes: it asks for the
// range from bytes_done and appends; otherwise the file is truncated. The
// outcome goes to the progress record (result 0 also when stop_requested
// stopped the transfer). Returns 0 when the transfer was performed, -1 when
// it could not be started (result_code 3 for another scheme, last-error code
// 4 when the file cannot be opened).
int transfer_download(http_transfer_t& transfer, const char* url, const char16_t* path,
                      transfer_progress_t& progress);

// How long download_with_retries waits after an attempt that did not end the
// loop.
constexpr uint32_t download_retry_pause_ms = 5000;
constexpr int download_attempts = 10;
// The longest escaped link a download takes (bytes, without the zero).
constexpr size_t download_link_max = 1024;

// The body of a download thread: escapes the link's spaces, then makes up to
// ten attempts, stopping at a clean result or a stop request; an attempt that
// overran expected_size, or whose resume the server refused with 416,
// deletes the file so the next one starts afresh. A file that already holds
// all expected_size bytes (above 0) needs no network: result 0 at once,
// before any attempt. A link whose escaped form is longer than
// download_link_max is refused before any attempt (result_code 3, -1).
// A download that failed (not stopped) with no byte in its file leaves no
// file: an empty one would read as a paused download at the next start.
// Returns the last attempt's return value, or -1 (last-error code 7) when no
// transfer could be made. Tests pass a shorter pause.
// file:// links are downloaded (copied) only when a local driver folder
// offered them in this process: an answer from the network can never make
// the program fetch a file of this machine. Any thread.
void allow_local_package_link(const std::string& url);
bool local_package_link_allowed(std::string_view url);

int download_with_retries(const std::string& link, const char16_t* temp_path, transfer_progress_t& progress,
                          uint32_t pause_ms = download_retry_pause_ms);

} // namespace tdu
