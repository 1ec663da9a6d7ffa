// tdu-update-service: the stand-in update service.
//
//   tdu-update-service index --catalogue CATALOGUE --packages DIR [--zips DIR] [--language LLLL]
//                            [--keep-retired SECONDS]
//   tdu-update-service serve --catalogue CATALOGUE [--packages DIR] [--address A] [--port N]
//                            [--base-url URL] [--port-file FILE] [--max-body BYTES]
//                            [--max-inflated BYTES] --secret-key FILE
//                            [--signature-lifetime SECONDS] [--setups DIR]
//
// --setups names a folder of the program's own setups: the service offers
// the newest of each architecture to the updater (GET /program/x86|x64).
//
// serve signs every update answer with the secret key FILE names: an
// unencrypted minisign secret key (minisign -G -W); its signatures hold for
// --signature-lifetime seconds (a day unless told).
// CATALOGUE is an SQLite file or a PostgreSQL connect string
// ("postgresql://..."). "serve --packages" indexes the folder before it listens. The service
// listens on 127.0.0.1:8080 unless told otherwise; port 0 takes a free port,
// which is printed ("listening on http://127.0.0.1:PORT/") and, with
// --port-file, written to that file once the service accepts connections.
#include "catalogue/indexer.h"
#include "http/update_service.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <malloc.h>
#include <pthread.h>
#include <sys/resource.h>
#include <thread>

using namespace tdu::server;

namespace {

int usage()
{
    std::cerr << "usage: tdu-update-service index --catalogue FILE --packages DIR [--zips DIR] [--language LLLL]\n"
                 "                                [--keep-retired SECONDS]\n"
                 "       tdu-update-service serve --catalogue FILE [--packages DIR] [--address ADDRESS]\n"
                 "                                [--port N] [--base-url URL] [--port-file FILE]\n"
                 "                                [--max-body BYTES] [--max-inflated BYTES]\n"
                 "                                --secret-key FILE [--signature-lifetime SECONDS]\n"
                 "                                [--setups DIR]\n";
    return 2;
}

bool read_options(int argc, char** argv, std::map<std::string, std::string>& out)
{
    for (int i = 2; i < argc; i += 2) {
        std::string name = argv[i];
        if (name.rfind("--", 0) != 0 || i + 1 >= argc) return false;
        out[name.substr(2)] = argv[i + 1];
    }
    return true;
}

bool read_size(const std::map<std::string, std::string>& o, const char* name, std::size_t& out)
{
    auto it = o.find(name);
    if (it == o.end()) return true;
    char* end = nullptr;
    unsigned long long v = std::strtoull(it->second.c_str(), &end, 10);
    if (*end != '\0' || v == 0) return false;
    out = static_cast<std::size_t>(v);
    return true;
}

int run_index(const std::map<std::string, std::string>& o)
{
    index_options_t options;
    options.catalogue = o.at("catalogue");
    options.packages = o.at("packages");
    if (o.count("zips")) options.zip_folder = o.at("zips");
    if (o.count("language")) options.language = o.at("language");
    if (o.count("keep-retired")) {
        char* end = nullptr;
        long long seconds = std::strtoll(o.at("keep-retired").c_str(), &end, 10);
        if (*end != '\0' || seconds < 0) return usage();
        options.keep_retired = std::chrono::seconds(seconds);
    }
    index_report_t report;
    std::string error;
    bool ok = index_packages(options, report, error);
    for (const auto& p : report.problems) std::cerr << p << "\n";
    if (!ok) {
        std::cerr << "tdu-update-service: " << error << "\n";
        return 1;
    }
    std::cout << "indexed " << options.packages.string() << ": " << report.added << " added, " << report.updated
              << " updated, " << report.unchanged << " unchanged, " << report.removed << " removed; "
              << report.drivers << " INF files, " << report.models << " models read\n";
    return 0;
}

int run_serve(const std::map<std::string, std::string>& o)
{
    if (o.count("packages")) {
        int rc = run_index(o);
        if (rc != 0) return rc;
    }
    service_options_t options;
    options.catalogue = o.at("catalogue");
    if (o.count("address")) options.address = o.at("address");
    if (o.count("base-url")) options.base_url = o.at("base-url");
    if (o.count("setups")) options.setups_folder = o.at("setups");
    if (!options.base_url.empty() && options.base_url.back() != '/') options.base_url += '/';
    if (o.count("port")) {
        char* end = nullptr;
        long port = std::strtol(o.at("port").c_str(), &end, 10);
        if (*end != '\0' || port < 0 || port > 65535) return usage();
        options.port = static_cast<int>(port);
    }
    if (!read_size(o, "max-body", options.max_body) || !read_size(o, "max-inflated", options.limits.max_inflated))
        return usage();
    if (!o.count("secret-key")) {
        std::cerr << "tdu-update-service: serve needs --secret-key FILE (an unencrypted minisign secret key)\n";
        return usage();
    }
    {
        auto key = std::make_shared<answer_secret_key_t>();
        std::string key_error;
        if (!load_secret_key(o.at("secret-key"), *key, key_error)) {
            std::cerr << "tdu-update-service: " << key_error << "\n";
            return 1;
        }
        options.signing_key = key;
    }
    if (o.count("signature-lifetime")) {
        char* end = nullptr;
        long long seconds = std::strtoll(o.at("signature-lifetime").c_str(), &end, 10);
        if (*end != '\0' || seconds <= 0) return usage();
        options.signature_lifetime = seconds;
    }

    // SIGINT and SIGTERM are taken by one thread that stops the service, so
    // no signal interrupts a worker in the middle of a request.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    // A descriptor per waiting client: thousands of them, beyond the
    // system's usual 1,024, as far as the hard limit allows.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }

    // Requests allocate and free buffers of hundreds of KiB (the document,
    // the answer) on several threads; given back to the system each time,
    // every such free makes the kernel interrupt the other processors to
    // drop their mappings. They are kept for the next request instead.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);

    update_service_t service(options);
    std::string error;
    if (!service.bind(error)) {
        std::cerr << "tdu-update-service: " << error << "\n";
        return 1;
    }
    std::cout << "listening on http://" << options.address << ":" << service.port() << "/" << std::endl;
    if (o.count("port-file")) {
        // Connections queue from the moment of binding, so the port may be
        // announced before the accept loop runs.
        std::ofstream(o.at("port-file") + ".part") << service.port() << "\n";
        std::rename((o.at("port-file") + ".part").c_str(), o.at("port-file").c_str());
    }
    std::thread([&service, signals] {
        int received = 0;
        sigwait(&signals, &received);
        service.stop();
    }).detach();
    return service.run() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return usage();
    std::string command = argv[1];
    std::map<std::string, std::string> options;
    if (!read_options(argc, argv, options) || !options.count("catalogue")) return usage();
    if (command == "index") return options.count("packages") ? run_index(options) : usage();
    if (command == "serve") return run_serve(options);
    return usage();
}
