#include "support/server_access.h"

#include <curl/curl.h>

#include <stdexcept>

namespace tdu::test {
namespace {

size_t append(char* data, size_t size, size_t count, void* user)
{
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

} // namespace

std::string server_url(const std::string& path)
{
    return "http://127.0.0.1:" + std::to_string(test_server_ports().http) + path;
}

std::string garbage_server_url()
{
    return "http://127.0.0.1:" + std::to_string(test_server_ports().garbage) + "/";
}

std::string refused_url(const std::string& path)
{
    // Port 1 (tcpmux) is never served on the test machines.
    return "http://127.0.0.1:1" + path;
}

std::string server_get(const std::string& path)
{
    std::string body;
    CURL* h = curl_easy_init();
    if (!h) throw std::runtime_error("curl_easy_init failed");
    std::string url = server_url(path);
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, append);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    CURLcode rc = curl_easy_perform(h);
    curl_easy_cleanup(h);
    if (rc != CURLE_OK) throw std::runtime_error("cannot reach the test server: " + url);
    return body;
}

void server_put_file(const std::string& name, const std::string& body)
{
    CURL* h = curl_easy_init();
    if (!h) throw std::runtime_error("curl_easy_init failed");
    std::string url = server_url("/files/" + name);
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, "PUT");
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    // Bytes, not a form (the server limits forms to a few KiB), and no
    // "Expect: 100-continue" round trip.
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/octet-stream");
    headers = curl_slist_append(headers, "Expect:");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    CURLcode rc = curl_easy_perform(h);
    curl_easy_cleanup(h);
    curl_slist_free_all(headers);
    if (rc != CURLE_OK)
        throw std::runtime_error("cannot put a file to the test server: " + url + ": " + curl_easy_strerror(rc));
}

std::string server_seen(const std::string& path, const std::string& key)
{
    std::string report = server_get("/_seen" + path);
    std::string prefix = key + "=";
    size_t at = report.find("\n" + prefix);
    size_t begin = report.compare(0, prefix.size(), prefix) == 0 ? prefix.size()
                   : at == std::string::npos                    ? std::string::npos
                                                                : at + 1 + prefix.size();
    if (begin == std::string::npos) return {};
    return report.substr(begin, report.find('\n', begin) - begin);
}

} // namespace tdu::test
