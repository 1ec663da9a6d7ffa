// tdu-service-load: posts an update request to the update service again and
// again, from several threads, the way the program does (zlib stream in the
// form field "kelptone"), and prints requests per second and the latency
// percentiles.
//
//   tdu-service-load --url URL --request FILE [--requests N] [--concurrency C] [--print 1]
//
// --print 1 sends one request and prints the answer instead.
#include <curl/curl.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

size_t collect(char* data, size_t size, size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

// One POST; returns the HTTP status (0 on a transport failure).
long post(CURL* curl, const std::string& url, const std::string& body, std::string& answer)
{
    answer.clear();
    curl_mime* form = curl_mime_init(curl);
    curl_mimepart* part = curl_mime_addpart(form);
    curl_mime_name(part, "kelptone");
    curl_mime_data(part, body.data(), body.size());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_MIMEPOST, form);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    long status = 0;
    if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_mime_free(form);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    std::map<std::string, std::string> o;
    for (int i = 1; i + 1 < argc; i += 2) o[argv[i]] = argv[i + 1];
    if (!o.count("--url") || !o.count("--request")) {
        std::cerr << "usage: tdu-service-load --url URL --request FILE [--requests N] [--concurrency C] [--print 1]\n";
        return 2;
    }
    std::ifstream in(o["--request"], std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string document = text.str();
    uLongf size = compressBound(static_cast<uLong>(document.size()));
    std::string body(size, '\0');
    if (!in || compress2(reinterpret_cast<Bytef*>(&body[0]), &size,
                         reinterpret_cast<const Bytef*>(document.data()), static_cast<uLong>(document.size()),
                         Z_DEFAULT_COMPRESSION) != Z_OK) {
        std::cerr << "cannot read or compress " << o["--request"] << "\n";
        return 1;
    }
    body.resize(size);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    if (o.count("--print")) {
        CURL* curl = curl_easy_init();
        std::string answer;
        long status = post(curl, o["--url"], body, answer);
        curl_easy_cleanup(curl);
        std::cout << answer;
        return status == 200 ? 0 : 1;
    }
    int requests = o.count("--requests") ? std::atoi(o["--requests"].c_str()) : 200;
    int threads = o.count("--concurrency") ? std::atoi(o["--concurrency"].c_str()) : 2;
    std::atomic<int> next{0}, failed{0};
    std::mutex mutex;
    std::vector<double> latencies;
    auto t0 = std::chrono::steady_clock::now();
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back([&] {
            CURL* curl = curl_easy_init();
            std::string answer;
            std::vector<double> mine;
            while (next++ < requests) {
                auto s = std::chrono::steady_clock::now();
                long status = post(curl, o["--url"], body, answer);
                mine.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - s).count());
                if (status != 200) ++failed;
            }
            curl_easy_cleanup(curl);
            std::lock_guard<std::mutex> lock(mutex);
            latencies.insert(latencies.end(), mine.begin(), mine.end());
        });
    }
    for (auto& t : pool) t.join();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::sort(latencies.begin(), latencies.end());
    auto pct = [&](double p) {
        if (latencies.empty()) return 0.0;
        size_t i = static_cast<size_t>(p * static_cast<double>(latencies.size() - 1) + 0.5);
        return latencies[i];
    };
    std::printf("%zu requests (%d failed) with %d connections in %.2f s: %.1f requests/s; "
                "latency p50 %.1f ms, p99 %.1f ms, max %.1f ms\n",
                latencies.size(), failed.load(), threads, seconds, static_cast<double>(latencies.size()) / seconds,
                pct(0.50), pct(0.99), latencies.empty() ? 0.0 : latencies.back());
    curl_global_cleanup();
    return failed.load() == 0 ? 0 : 1;
}
