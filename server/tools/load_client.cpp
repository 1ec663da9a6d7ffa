// tdu-service-load: posts an update request to the update service again and
// again, from several threads, the way the program does (zlib stream in the
// form field "kelptone"), and prints requests per second and the latency
// percentiles.
//
//   tdu-service-load --url URL --request FILE [--requests N] [--concurrency C] [--print 1]
//                    [--slow S] [--machines K] [--get 1]
//
// --print 1 sends one request and prints the answer instead. --get 1 fetches
// the URL with GET instead of posting (a static file, to compare with). --slow S keeps
// S more connections open all the while, each sending its request headers
// one byte every two seconds, the way a slow-loris client does. --machines K
// posts the requests of K machines in turn: FILE, FILE.1, ... FILE.<K-1>.
#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
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

// One GET; returns the HTTP status (0 on a transport failure).
long get(CURL* curl, const std::string& url, std::string& answer)
{
    answer.clear();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    long status = 0;
    if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

// Opens `count` connections to the URL's host and port and trickles header
// bytes into them until `done`; returns how many were connected at the end
// (the others were closed by the service).
int trickle(const std::string& url, int count, const std::atomic<bool>& done, std::atomic<int>& opened)
{
    std::string host_port = url.substr(url.find("//") + 2);
    host_port = host_port.substr(0, host_port.find('/'));
    int port = std::atoi(host_port.substr(host_port.find(':') + 1).c_str());
    std::vector<int> fds;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    auto connect_one = [&] {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
        if (fd >= 0) ::close(fd);
        return -1;
    };
    for (int i = 0; i < count && !done; ++i) {
        int fd = connect_one();
        if (fd < 0) continue;
        fds.push_back(fd);
        ++opened;
    }
    // Each connection sends its next byte every two seconds; one the
    // service has closed (its time for headers is up) is opened again, so
    // that as many slow clients stay connected all the time.
    static const char request[] = "GET / HTTP/1.1\r\nHost: x\r\nX-Slow: ";
    std::vector<size_t> sent(fds.size(), 0);
    while (!done) {
        for (size_t i = 0; i < fds.size(); ++i) {
            char c = sent[i] < sizeof request - 1 ? request[sent[i]] : 'a';
            if (fds[i] >= 0 && ::send(fds[i], &c, 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1) {
                ++sent[i];
                continue;
            }
            if (fds[i] >= 0) ::close(fds[i]);
            fds[i] = connect_one();
            sent[i] = 0;
        }
        for (int i = 0; i < 20 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    int alive = 0;
    for (int fd : fds) {
        if (fd < 0) continue;
        ++alive;
        ::close(fd);
    }
    return alive;
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
    int machines = o.count("--machines") ? std::atoi(o["--machines"].c_str()) : 1;
    std::vector<std::string> bodies;
    for (int m = 0; m < machines; ++m) {
        std::string file = o["--request"] + (m ? "." + std::to_string(m) : std::string());
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::string document = text.str();
        uLongf size = compressBound(static_cast<uLong>(document.size()));
        std::string body(size, '\0');
        if (!in || compress2(reinterpret_cast<Bytef*>(&body[0]), &size,
                             reinterpret_cast<const Bytef*>(document.data()), static_cast<uLong>(document.size()),
                             Z_DEFAULT_COMPRESSION) != Z_OK) {
            std::cerr << "cannot read or compress " << file << "\n";
            return 1;
        }
        body.resize(size);
        bodies.push_back(std::move(body));
    }
    const std::string& body = bodies[0];
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
    int slow = o.count("--slow") ? std::atoi(o["--slow"].c_str()) : 0;
    if (slow > 0) {
        // a descriptor per slow connection, beyond the system's usual 1,024
        rlimit files{};
        if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
            files.rlim_cur = files.rlim_max;
            ::setrlimit(RLIMIT_NOFILE, &files);
        }
    }
    std::atomic<bool> done{false};
    std::atomic<int> opened{0};
    int slow_alive = 0;
    std::thread slow_clients;
    if (slow > 0) {
        slow_clients = std::thread([&] { slow_alive = trickle(o["--url"], slow, done, opened); });
        // the slow connections are in place before the measured requests
        while (opened < slow && slow_clients.joinable()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            static int waited = 0;
            if (++waited > 200) break;
        }
        std::printf("%d slow connections open\n", opened.load());
    }
    const bool by_get = o.count("--get") > 0;
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
            for (int n; (n = next++) < requests;) {
                auto s = std::chrono::steady_clock::now();
                long status = by_get ? get(curl, o["--url"], answer)
                                     : post(curl, o["--url"], bodies[static_cast<size_t>(n) % bodies.size()], answer);
                mine.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - s).count());
                if (status != 200) ++failed;
            }
            curl_easy_cleanup(curl);
            std::lock_guard<std::mutex> lock(mutex);
            latencies.insert(latencies.end(), mine.begin(), mine.end());
        });
    }
    for (auto& t : pool) t.join();
    done = true;
    if (slow_clients.joinable()) slow_clients.join();
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
    if (slow > 0) std::printf("%d slow connections open at the end\n", slow_alive);
    curl_global_cleanup();
    return failed.load() == 0 ? 0 : 1;
}
