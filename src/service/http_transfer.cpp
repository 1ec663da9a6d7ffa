#include "service/http_transfer.h"

#include "common/file_io.h"
#include "common/files.h"
#include "common/last_error.h"
#include "service/url_escape.h"

#include <chrono>
#include <mutex>
#include <set>
#include <cstring>
#include <new>
#include <string_view>
#include <thread>

namespace tdu {
namespace {

constexpr long redirect_protocols = CURLPROTO_HTTP | CURLPROTO_FTP;  // 5
constexpr const char* user_agent = "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0)";

bool starts_with_ignore_case(const char* text, const char* prefix)
{
    for (; *prefix; ++text, ++prefix) {
        char a = *text, b = *prefix;
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a + 32);
        if (a != b) return false;  // also stops at the end of `text`
    }
    return true;
}

void reset_response(http_response_t& r)
{
    r.status = 0;
    r.content_type = nullptr;
    r.result = 0;
    r.signature.clear();
    if (r.body) {
        r.body->used = 0;
        std::memset(r.body->data.get(), 0, static_cast<size_t>(r.body->capacity));
    }
}

// Copies a chunk behind the body received so far. A chunk that would reach
// the last byte of the buffer is refused, so libcurl ends with its write
// error (23) and the body stays zero-terminated.
size_t memory_writer(char* chunk, size_t size, size_t count, void* user)
{
    size_t length = size * count;
    if (!chunk || count == 0) return length;
    auto* transfer = static_cast<http_transfer_t*>(user);
    body_buffer_t* body = transfer->response.body.get();
    if (!body || static_cast<uint64_t>(body->used) + length >= static_cast<uint64_t>(body->capacity)) return 0;
    std::memcpy(body->data.get() + body->used, chunk, length);
    body->used += static_cast<int32_t>(length);
    return length;
}

// Keeps the signature header of a memory request. Every response (a
// redirect's too) starts with its status line, which forgets what an
// earlier one sent.
size_t header_reader(char* line, size_t size, size_t count, void* user)
{
    size_t length = size * count;
    auto* transfer = static_cast<http_transfer_t*>(user);
    std::string_view text(line, length);
    if (text.rfind("HTTP/", 0) == 0) {
        transfer->response.signature.clear();
        return length;
    }
    constexpr std::string_view name = "x-tavrill-signature:";
    if (text.size() < name.size()) return length;
    for (size_t i = 0; i < name.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != name[i]) return length;
    }
    text.remove_prefix(name.size());
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
    // A second header of the name makes the value unreadable, never a choice.
    if (!transfer->response.signature.empty()) transfer->response.signature = "!";
    else transfer->response.signature.assign(text);
    return length;
}

void download_failed(http_transfer_t& transfer, int32_t code)
{
    transfer.download_error = code;
    set_last_error(code);
}

// Looks at the answer once, before its first byte reaches the file. An HTTP
// error page is never written into the package, and a resumed download
// whose server ignored the range (200 instead of 206) is refused before it
// appends the file's start to its end: that ends the attempt like an
// oversized answer, so the retry loop starts the file afresh.
bool answer_acceptable(http_transfer_t& transfer)
{
    if (transfer.answer_checked || !transfer.http_download) return true;
    transfer.answer_checked = true;
    long status = 0;
    curl_easy_getinfo(transfer.handle, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 400) {
        transfer.error_answer = true;
        return false;
    }
    if (transfer.resuming && status == 200) {
        download_failed(transfer, error_download_too_large);
        return false;
    }
    return true;
}

// Writes a chunk of a download to its file. The file never grows past
// expected_size, and a chunk is flushed before bytes_done counts it.
size_t file_writer(char* chunk, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<http_transfer_t*>(user);
    if (!chunk || count == 0 || !transfer || !transfer->progress || !transfer->file) return 0;
    if (!answer_acceptable(*transfer)) return 0;
    transfer_progress_t& progress = *transfer->progress;
    uint64_t length = static_cast<uint64_t>(size) * count;
    if (progress.bytes_done.load() + length > progress.expected_size.load()) {
        download_failed(*transfer, error_download_too_large);
        return 0;
    }
    if (std::fwrite(chunk, size, count, transfer->file) < count || std::fflush(transfer->file) != 0) {
        download_failed(*transfer, error_download_write);
        return 0;
    }
    progress.bytes_done.fetch_add(static_cast<uint32_t>(length));
    return static_cast<size_t>(length);
}

// Progress callback of downloads: non-zero stops the transfer.
int stop_check(void* user, double, double, double, double)
{
    auto* transfer = static_cast<http_transfer_t*>(user);
    if (!transfer || !transfer->progress) return 1;
    return transfer->progress->stop_requested.load() != 0 ? 1 : 0;
}

// Performs a memory request and records its outcome in the response.
void perform_and_record(http_transfer_t& transfer)
{
    http_response_t& r = transfer.response;
    CURLcode rc = curl_easy_perform(transfer.handle);
    r.result = static_cast<int32_t>(rc);
    if (rc == CURLE_OK) {
        char* type = nullptr;
        curl_easy_getinfo(transfer.handle, CURLINFO_CONTENT_TYPE, &type);
        r.content_type = type;
    }
    long status = 0;
    curl_easy_getinfo(transfer.handle, CURLINFO_RESPONSE_CODE, &status);
    r.status = static_cast<int32_t>(status);
    if (r.status == 0) r.status = 504;
    if (r.result == 0 && r.status >= 400) r.result = CURLE_HTTP_RETURNED_ERROR;

    // Every POST builds its form afresh; the handle must not keep a pointer
    // to the freed list.
    if (transfer.form_first) {
        curl_formfree(transfer.form_first);
        curl_easy_setopt(transfer.handle, CURLOPT_HTTPPOST, static_cast<curl_httppost*>(nullptr));
    }
    transfer.form_first = nullptr;
    transfer.form_last = nullptr;
}

bool file_holds_expected_size(const char16_t* path, transfer_progress_t& progress)
{
    uint32_t expected = progress.expected_size.load();
    uint64_t size = 0;
    if (expected == 0 || progress.bytes_done.load() != expected || !file_size(path, size)) return false;
    return size == expected;
}

void sleep_unless_stopped(uint32_t pause_ms, const transfer_progress_t& progress)
{
    using clock = std::chrono::steady_clock;
    auto until = clock::now() + std::chrono::milliseconds(pause_ms);
    while (clock::now() < until && progress.stop_requested.load() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

} // namespace

http_transfer_t* transfer_create(int32_t capacity)
{
    auto* t = new (std::nothrow) http_transfer_t;
    if (!t) return nullptr;
    if (capacity > 0) {
        t->response.body.reset(new (std::nothrow) body_buffer_t);
        if (t->response.body) t->response.body->data.reset(new (std::nothrow) char[static_cast<size_t>(capacity)]());
        if (!t->response.body || !t->response.body->data) {
            transfer_destroy(t);
            return nullptr;
        }
        t->response.body->capacity = capacity;
    }
    t->handle = curl_easy_init();
    if (!t->handle) {
        transfer_destroy(t);
        return nullptr;
    }
    CURL* h = t->handle;
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, t->response.error_text);
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS, redirect_protocols);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(h, CURLOPT_HTTP_CONTENT_DECODING, 1L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, user_agent);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 20L);
    t->header_list = curl_slist_append(nullptr, "Connection: close");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, t->header_list);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, 30L);
    return t;
}

void transfer_destroy(http_transfer_t* transfer)
{
    if (!transfer) return;
    if (transfer->handle) curl_easy_cleanup(transfer->handle);
    if (transfer->form_first) curl_formfree(transfer->form_first);
    if (transfer->header_list) curl_slist_free_all(transfer->header_list);
    if (transfer->file) std::fclose(transfer->file);
    delete transfer;
}

const http_response_t& transfer_request(http_transfer_t& transfer, const char* url, int method)
{
    CURL* h = transfer.handle;
    reset_response(transfer.response);
    if (method == transfer_method_post) {
        if (transfer.form_first) {
            curl_easy_setopt(h, CURLOPT_HTTPPOST, transfer.form_first);
        } else {
            // An empty body: without one libcurl would read the body from stdin.
            curl_easy_setopt(h, CURLOPT_POST, 1L);
            curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE, 0L);
            curl_easy_setopt(h, CURLOPT_POSTFIELDS, "");
        }
    } else if (method == transfer_method_get) {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    }
    curl_easy_setopt(h, CURLOPT_URL, url);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, memory_writer);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, header_reader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer);
    // A handle that downloaded before must not carry its range or its stop
    // check into a memory request.
    curl_easy_setopt(h, CURLOPT_RANGE, static_cast<char*>(nullptr));
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 1L);
    perform_and_record(transfer);
    return transfer.response;
}

namespace {

std::mutex local_links_mutex;
std::set<std::string, std::less<>> local_links;

} // namespace

void allow_local_package_link(const std::string& url)
{
    std::lock_guard<std::mutex> lock(local_links_mutex);
    local_links.insert(url);
}

bool local_package_link_allowed(std::string_view url)
{
    std::lock_guard<std::mutex> lock(local_links_mutex);
    return local_links.find(url) != local_links.end();
}

int transfer_download(http_transfer_t& transfer, const char* url, const char16_t* path, transfer_progress_t& progress)
{
    CURL* h = transfer.handle;
    transfer.progress = &progress;
    transfer.download_error = 0;
    transfer.answer_checked = false;
    transfer.error_answer = false;
    transfer.resuming = false;
    transfer.range_refused = false;
    transfer.http_download = starts_with_ignore_case(url, "http://");
    char range[16] = {};

    if (transfer.http_download) {
        reset_response(transfer.response);
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
        uint32_t offset = progress.bytes_done.load();
        if (offset > 0) {
            transfer.resuming = true;
            transfer.file = open_file(path, "ab");
            std::snprintf(range, sizeof range, "%u-", static_cast<unsigned>(offset));
            curl_easy_setopt(h, CURLOPT_RANGE, range);
        } else {
            curl_easy_setopt(h, CURLOPT_RANGE, static_cast<char*>(nullptr));
            transfer.file = open_file(path, "wb");
        }
    } else if (starts_with_ignore_case(url, "ftp://") ||
               (starts_with_ignore_case(url, "file://") && local_package_link_allowed(url))) {
        // An FTP download always starts from the first byte: the file is
        // truncated, so the byte count starts again from 0 as well. A local
        // package (file://, offered by a driver folder) is copied the same
        // way.
        reset_response(transfer.response);
        curl_easy_setopt(h, CURLOPT_RANGE, static_cast<char*>(nullptr));
        transfer.file = open_file(path, "wb");
        if (transfer.file) progress.bytes_done.store(0);
    } else {
        progress.result_code.store(CURLE_URL_MALFORMAT);
        return -1;
    }
    if (!transfer.file) {
        download_failed(transfer, error_download_open);
        progress.file_error.store(error_download_open);
        return -1;
    }
    // Every chunk is flushed as it is written, so a stdio buffer only added
    // a copy and a second write per chunk: without one, a chunk is one write.
    std::setvbuf(transfer.file, nullptr, _IONBF, 0);

    curl_easy_setopt(h, CURLOPT_URL, url);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, file_writer);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_PROGRESSFUNCTION, stop_check);
    curl_easy_setopt(h, CURLOPT_PROGRESSDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, static_cast<curl_write_callback>(nullptr));
    curl_easy_setopt(h, CURLOPT_HEADERDATA, static_cast<void*>(nullptr));
    // The file writer flushes every chunk it gets; a 1 MiB receive buffer
    // (libcurl's default is 16 KiB) makes those chunks, and so the writes and
    // the receive calls, fewer without holding back progress or the stop
    // check (libcurl calls the stop check between receives all the same).
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 1048576L);

    int32_t result = static_cast<int32_t>(curl_easy_perform(h));
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    std::fclose(transfer.file);
    transfer.file = nullptr;
    // The handle forgets the range, so nothing later on it asks for one by
    // accident.
    curl_easy_setopt(h, CURLOPT_RANGE, static_cast<char*>(nullptr));

    if (result == CURLE_ABORTED_BY_CALLBACK) result = 0;  // stopped on request
    // 416 to a resume: the server's file ends at or before the bytes on disk.
    if (transfer.resuming && status == 416) transfer.range_refused = true;
    // An HTTP error status is a failed attempt, never a clean one, whether
    // or not its page had a body (which was not written).
    if (transfer.error_answer || (transfer.http_download && result == 0 && status >= 400))
        result = CURLE_HTTP_RETURNED_ERROR;
    progress.result_code.store(result);
    progress.http_status.store(static_cast<int32_t>(status));
    progress.file_error.store(transfer.download_error);
    return 0;
}

int download_with_retries(const std::string& link, const char16_t* temp_path, transfer_progress_t& progress,
                          uint32_t pause_ms)
{
    transfer_ptr transfer(transfer_create(0));
    if (!transfer) {
        set_last_error(error_transfer_create);
        return -1;
    }
    // An escaped link that does not fit is refused at once rather than cut
    // into the address of something else and fetched ten times.
    std::string url = escape_download_link(link);
    if (url.empty() || url.size() > download_link_max) {
        progress.result_code.store(CURLE_URL_MALFORMAT);
        return -1;
    }

    int rc = -1;
    for (int attempt = 0; attempt < download_attempts; ++attempt) {
        // Every byte is there already (the final move failed, a pause came
        // after the last chunk, or the program ended before it settled): a
        // resume would only ask for the range past the end.
        if (file_holds_expected_size(temp_path, progress)) {
            progress.result_code.store(0);
            return 0;
        }
        rc = transfer_download(*transfer, url.c_str(), temp_path, progress);
        if (rc == 0) {
            if (progress.stop_requested.load() != 0 || progress.result_code.load() == 0) break;
            if (transfer->download_error == error_download_too_large || transfer->range_refused) {
                remove_file(temp_path);
                progress.bytes_done.store(0);
            }
        }
        // A pause asked for during the wait ends it early; the next attempt
        // then stops at its first progress check.
        sleep_unless_stopped(pause_ms, progress);
    }
    // Every attempt failed (a 404, say) and nothing arrived: the empty file
    // the attempts opened goes, so the next start does not take it for a
    // paused download.
    if (progress.stop_requested.load() == 0 && progress.result_code.load() != 0) {
        uint64_t size = 0;
        if (is_regular_file(temp_path) && file_size(temp_path, size) && size == 0) {
            remove_file(temp_path);
            progress.bytes_done.store(0);
        }
    }
    return rc;
}

} // namespace tdu
