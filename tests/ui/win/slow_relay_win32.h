#pragma once
// A loopback TCP relay in front of the stand-in update service whose answers
// can be slowed to a trickle: a download then stays running long enough to
// be watched, paused, regrouped and resumed. The client's bytes pass on as
// they come; the service's bytes pass in pieces of `trickle_bytes` every
// `trickle_ms` while the named event `slow_event_name` is set (by any
// process), at once otherwise. The service names its links after the Host
// header, so packages offered through the relay are downloaded through it
// too.
//
// While the named event `crawl_event_name` is set, the answers to GET
// requests (the package downloads) crawl at one byte every `crawl_ms`, and
// every other answer (the update service's) passes at once: a download
// then stays running while a new scan asks the service.
//
// The tests run it in their parent process, apart from the program under
// test, and switch it with the events.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tdu::test {

class slow_relay_c {
public:
    static constexpr wchar_t slow_event_name[] = L"tdu_test_relay_slow";
    int trickle_bytes = 16;
    int trickle_ms = 100;
    static constexpr wchar_t crawl_event_name[] = L"tdu_test_relay_crawl";
    int crawl_ms = 500;

    // Listens on a free loopback port and relays to `target_port`.
    explicit slow_relay_c(uint16_t target_port) : target_port_(target_port)
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        slow_ = CreateEventW(nullptr, TRUE, FALSE, slow_event_name);
        crawl_ = CreateEventW(nullptr, TRUE, FALSE, crawl_event_name);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(listener_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || listen(listener_, 16) != 0) return;
        int length = sizeof at;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &length);
        port_ = ntohs(at.sin_port);
    }
    // Starts relaying.
    void start() { accepter_ = std::thread([this] { accept_loop(); }); }
    ~slow_relay_c()
    {
        stopping_ = true;
        closesocket(listener_);
        if (accepter_.joinable()) accepter_.join();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (SOCKET s : open_) closesocket(s);
        }
        for (auto& t : pumps_) t.join();
        if (slow_) CloseHandle(slow_);
        if (crawl_) CloseHandle(crawl_);
        WSACleanup();
    }
    slow_relay_c(const slow_relay_c&) = delete;
    slow_relay_c& operator=(const slow_relay_c&) = delete;

    uint16_t port() const { return port_; }

private:
    void accept_loop()
    {
        while (!stopping_) {
            // Waits in select, so that the destructor's stop is seen.
            fd_set ready;
            FD_ZERO(&ready);
            FD_SET(listener_, &ready);
            timeval wait{0, 100000};
            int r = select(0, &ready, nullptr, nullptr, &wait);
            if (r <= 0) {
                if (r < 0) Sleep(20);
                continue;
            }
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) {
                if (stopping_) return;
                Sleep(20);
                continue;
            }
            SOCKET service = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            to.sin_port = htons(target_port_);
            if (connect(service, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
                closesocket(service);
                closesocket(client);
                continue;
            }
            std::lock_guard<std::mutex> lock(mutex_);
            open_.push_back(client);
            open_.push_back(service);
            auto get = std::make_shared<std::atomic<bool>>(false);
            pumps_.emplace_back([this, client, service, get] { pump(client, service, false, *get); });
            pumps_.emplace_back([this, client, service, get] { pump(service, client, true, *get); });
        }
    }

    // Copies until either side closes, then shuts both down. `get` tells
    // whether the connection's latest request is a GET.
    void pump(SOCKET from, SOCKET to, bool answers, std::atomic<bool>& get)
    {
        std::vector<char> buffer(16384);
        for (;;) {
            const bool crawl = answers && crawl_ && WaitForSingleObject(crawl_, 0) == WAIT_OBJECT_0;
            const bool crawling = crawl && get.load();
            const bool trickle = !crawl && answers && slow_ && WaitForSingleObject(slow_, 0) == WAIT_OBJECT_0;
            int wanted = crawling ? 1 : trickle ? trickle_bytes : static_cast<int>(buffer.size());
            int n = recv(from, buffer.data(), wanted, 0);
            if (n <= 0) break;
            if (!answers && n >= 4) {
                if (std::memcmp(buffer.data(), "GET ", 4) == 0) get = true;
                if (std::memcmp(buffer.data(), "POST", 4) == 0) get = false;
            }
            if (send(to, buffer.data(), n, 0) != n) break;
            if (crawling) Sleep(static_cast<DWORD>(crawl_ms));
            if (trickle) Sleep(static_cast<DWORD>(trickle_ms));
        }
        shutdown(to, SD_BOTH);
        shutdown(from, SD_BOTH);
    }

    HANDLE slow_ = nullptr;
    HANDLE crawl_ = nullptr;
    uint16_t target_port_;
    uint16_t port_ = 0;
    SOCKET listener_ = INVALID_SOCKET;
    std::atomic<bool> stopping_{false};
    std::thread accepter_;
    std::mutex mutex_;
    std::vector<SOCKET> open_;
    std::vector<std::thread> pumps_;
};

} // namespace tdu::test
