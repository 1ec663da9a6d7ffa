// The test server as a process of its own, for the Windows tests under Wine:
//     test_http_server --port-file FILE [--lifetime SECONDS]
// writes "<http port> <garbage port>" to FILE once it listens, and serves
// until it receives SIGTERM or SIGINT or its lifetime (default 900 s) ends,
// so an interrupted test run leaves nothing behind for long.
#include "support/test_http_server.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {
volatile std::sig_atomic_t stop_signal = 0;
void on_signal(int) { stop_signal = 1; }
} // namespace

int main(int argc, char** argv)
{
    std::string port_file;
    long lifetime = 900;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--port-file") == 0) port_file = argv[i + 1];
        else if (std::strcmp(argv[i], "--lifetime") == 0) lifetime = std::atol(argv[i + 1]);
    }
    if (port_file.empty()) {
        std::fprintf(stderr, "usage: %s --port-file FILE [--lifetime SECONDS]\n", argv[0]);
        return 2;
    }
    std::signal(SIGTERM, on_signal);
    std::signal(SIGINT, on_signal);
    std::signal(SIGPIPE, SIG_IGN);

    tdu::test::test_http_server_c server;
    std::string temp = port_file + ".new";
    FILE* f = std::fopen(temp.c_str(), "w");
    if (!f) return 1;
    std::fprintf(f, "%d %d\n", server.port(), server.garbage_port());
    std::fclose(f);
    if (std::rename(temp.c_str(), port_file.c_str()) != 0) return 1;

    for (long tenths = 0; !stop_signal && tenths < lifetime * 10; ++tenths)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::remove(port_file.c_str());
    return 0;
}
