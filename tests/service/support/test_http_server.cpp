#include "support/test_http_server.h"

#include "support/test_pattern.h"

#include "protocol/answer_signer.h"
#include "service/answer_signature.h"

#include <httplib.h>
#include <zlib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace tdu::test {
namespace {

// What the requests to one path looked like.
struct seen_t {
    int hits = 0;
    std::string range, user_agent, connection, accept_encoding;
    std::string request;  // the inflated update request
};

std::string xml_escape(const std::string& s)
{
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    return out;
}

// Inflates a complete zlib stream; false when it is not one.
bool inflate_stream(const std::string& in, std::string& out)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    char buf[16384];
    int rc;
    do {
        z.next_out = reinterpret_cast<Bytef*>(buf);
        z.avail_out = sizeof buf;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(buf, sizeof buf - z.avail_out);
    } while (rc == Z_OK);
    bool complete = rc == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    return complete;
}

// The device IDs of a request document: the CDATA of every "id" element.
std::vector<std::string> request_ids(const std::string& doc)
{
    std::vector<std::string> ids;
    size_t pos = 0;
    while ((pos = doc.find("<id>", pos)) != std::string::npos) {
        size_t open = doc.find("<![CDATA[", pos);
        size_t close = open == std::string::npos ? open : doc.find("]]>", open);
        if (close == std::string::npos) break;
        ids.push_back(doc.substr(open + 9, close - open - 9));
        pos = close;
    }
    return ids;
}

// Every answer is signed as the update service signs it, with the build's
// test key, except where the mode forges it.
void sign_answer(const std::string& mode, const std::string& request, httplib::Response& res)
{
    if (mode == "unsigned") return;
    static const server::answer_secret_key_t key = [] {
        server::answer_secret_key_t k;
        std::string error;
        if (!server::load_secret_key(TDU_TEST_ANSWER_SECRET_KEY, k, error))
            throw std::runtime_error("test server: " + error);
        return k;
    }();
    int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                      std::chrono::system_clock::now().time_since_epoch()).count();
    std::string digest = request_digest_hex(mode == "elsewhere" ? request + " " : request);
    int64_t expires = mode == "stale" ? now - 1 : now + 3600;
    res.set_header(answer_signature_header, server::answer_signature_value(key, res.body, digest, expires));
    // A relay changed one byte after the service signed.
    if (mode == "tampered") res.body[res.body.find("<hardware") + 1] = 'H';
}

std::string echo_answer(const std::vector<std::string>& ids, int port)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<kelptone>\n<hardwares>\n";
    for (const auto& id : ids) {
        std::string e = xml_escape(id);
        out += "<hardware><id>" + e + "</id><item>"
               "<hardid>" + e + "</hardid><title>Driver for " + e + "</title><ver>1.0.0.1</ver>"
               "<size>100</size><link>http://127.0.0.1:" + std::to_string(port) + "/bytes/100/pkg.zip</link>"
               "<infpath>drivers/net/echo.inf</infpath><cp>1</cp><manu>Echo</manu><sign>0</sign>"
               "<feature>ff</feature><targetos>61</targetos><date>2014-01-09</date><desc>echo</desc>"
               "</item></hardware>\n";
    }
    return out + "</hardwares>\n</kelptone>\n";
}

} // namespace

struct test_http_server_c::impl_t {
    httplib::Server server;
    std::thread server_thread;
    int port = 0;

    int garbage_socket = -1;
    int garbage_port = 0;
    std::thread garbage_thread;

    std::atomic<bool> stopping{false};
    std::mutex lock;
    std::map<std::string, seen_t> seen;
    std::map<std::string, std::string> files;  // bodies put to /files/<name>

    // The path below a prefix such as "/_seen" that names another path.
    static std::string named_path(const httplib::Request& req, size_t prefix) { return req.path.substr(prefix); }

    void record(const httplib::Request& req)
    {
        std::lock_guard<std::mutex> g(lock);
        seen_t& s = seen[req.path];
        ++s.hits;
        s.range = req.get_header_value("Range");
        s.user_agent = req.get_header_value("User-Agent");
        s.connection = req.get_header_value("Connection");
        s.accept_encoding = req.get_header_value("Accept-Encoding");
    }

    static size_t number(const httplib::Request& req) { return std::stoul(req.matches[1].str()); }

    void routes()
    {
        auto status = [this](const httplib::Request& req, httplib::Response& res) {
            record(req);
            const_cast<httplib::Request&>(req).ranges.clear();  // the status, whatever was asked
            res.status = static_cast<int>(number(req));
            res.set_content("status " + req.matches[1].str(), "text/plain");
        };
        server.Get(R"(/status/(\d+)(/.*)?)", status);
        server.Post(R"(/status/(\d+)(/.*)?)", status);

        server.Get(R"(/bytes/(\d+)(/.*)?)", [this](const httplib::Request& req, httplib::Response& res) {
            record(req);
            res.set_content(pattern_bytes(0, number(req)), "application/octet-stream");
        });
        server.Get(R"(/text/(\d+)(/.*)?)", [this](const httplib::Request& req, httplib::Response& res) {
            record(req);
            res.set_content(text_bytes(number(req)), "text/plain");  // compressed when the client accepts it
        });
        server.Get(R"(/norange/(\d+)(/.*)?)", [this](const httplib::Request& req, httplib::Response& res) {
            record(req);
            // The library would cut the body to the asked range; this
            // server pretends it never read the header.
            const_cast<httplib::Request&>(req).ranges.clear();
            res.status = 200;
            res.set_content(pattern_bytes(0, number(req)), "application/octet-stream");
        });
        auto close_early = [this](const httplib::Request& req, httplib::Response& res) {
            record(req);
            size_t n = number(req);
            res.set_content_provider(n, "application/octet-stream",
                                     [n](size_t offset, size_t, httplib::DataSink& sink) {
                                         if (offset >= n / 2) return false;  // drops the connection
                                         std::string half = pattern_bytes(0, n / 2);
                                         sink.write(half.data(), half.size());
                                         return true;
                                     });
        };
        server.Get(R"(/close-early/(\d+)(/.*)?)", close_early);
        server.Post(R"(/close-early/(\d+)(/.*)?)", close_early);
        server.Get(R"(/stall/(\d+)(/.*)?)", [this](const httplib::Request& req, httplib::Response& res) {
            record(req);
            res.set_content_provider(number(req), "application/octet-stream",
                                     [this](size_t offset, size_t, httplib::DataSink& sink) {
                                         if (offset == 0) {
                                             std::string first = pattern_bytes(0, 1);
                                             sink.write(first.data(), first.size());
                                             return true;
                                         }
                                         // Nothing more, until the client or the server gives up.
                                         auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
                                         while (!stopping && std::chrono::steady_clock::now() < until) {
                                             std::this_thread::sleep_for(std::chrono::milliseconds(50));
                                             if (!sink.is_writable()) break;
                                         }
                                         return false;
                                     });
        });
        server.Get(R"(/redirect/(\d+)(/.*)?)", [this](const httplib::Request& req, httplib::Response& res) {
            record(req);
            size_t k = number(req);
            if (k == 0)
                res.set_content("landed", "text/plain");
            else
                res.set_redirect("/redirect/" + std::to_string(k - 1));
        });
        server.Get(R"(/to-https(/.*)?)", [this](const httplib::Request& req, httplib::Response& res) {
            record(req);
            res.set_redirect("https://127.0.0.1:" + std::to_string(port) + "/bytes/10");
        });
        server.Post(R"(/update/(\w+)(/.*)?)", [this](const httplib::Request& req, httplib::Response& res) {
            record(req);
            std::string problem, request;
            if (!req.is_multipart_form_data())
                problem = "not multipart/form-data";
            else if (req.files.size() != 1 || !req.has_file("kelptone"))
                problem = "not exactly the one part kelptone";
            else {
                httplib::MultipartFormData part = req.get_file_value("kelptone");
                if (!part.filename.empty() || !part.content_type.empty())
                    problem = "kelptone has a file name or a content type";
                else if (!inflate_stream(part.content, request))
                    problem = "kelptone is not a complete zlib stream";
            }
            if (!problem.empty()) {
                res.status = 400;
                res.set_content(problem, "text/plain");
                return;
            }
            {
                std::lock_guard<std::mutex> g(lock);
                seen[req.path].request = request;
            }
            std::string mode = req.matches[1].str();
            std::string echo = echo_answer(request_ids(request), port);
            if (mode == "echo" || mode == "unsigned" || mode == "tampered" || mode == "stale" || mode == "elsewhere")
                res.set_content(echo, "text/xml");
            else if (mode == "half")
                res.set_content(echo.substr(0, echo.size() / 2), "text/xml");
            else if (mode == "nul")
                res.set_content(echo.insert(echo.find("</hardware>"), 1, '\0'), "text/xml");
            else if (mode == "big")
                res.set_content(std::string(5 * 1024 * 1024, 'x'), "text/xml");
            else
                res.set_content("this is not XML at all", "text/plain");
            sign_answer(mode, request, res);
        });
        server.Put(R"(/files/(.+))", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard<std::mutex> g(lock);
            files[req.matches[1].str()] = req.body;
            res.status = 201;
        });
        server.Get(R"(/files/(.+))", [this](const httplib::Request& req, httplib::Response& res) {
            record(req);
            std::lock_guard<std::mutex> g(lock);
            auto it = files.find(req.matches[1].str());
            if (it == files.end()) {
                res.status = 404;
                return;
            }
            res.set_content(it->second, "application/octet-stream");
        });
        server.Get(R"(/_seen(/.*))", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard<std::mutex> g(lock);
            const seen_t& s = seen[named_path(req, 6)];
            res.set_content("hits=" + std::to_string(s.hits) + "\nrange=" + s.range + "\nuser-agent=" + s.user_agent +
                                "\nconnection=" + s.connection + "\naccept-encoding=" + s.accept_encoding + "\n",
                            "application/octet-stream");
        });
        server.Get(R"(/_request(/.*))", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard<std::mutex> g(lock);
            res.set_content(seen[named_path(req, 9)].request, "application/octet-stream");
        });
    }

    void start_garbage()
    {
        garbage_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (garbage_socket < 0 || ::bind(garbage_socket, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(garbage_socket, 8) != 0 ||
            ::getsockname(garbage_socket, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            throw std::runtime_error("cannot listen for the garbage server");
        garbage_port = ntohs(addr.sin_port);
        garbage_thread = std::thread([this] {
            while (!stopping) {
                pollfd p{garbage_socket, POLLIN, 0};
                if (::poll(&p, 1, 100) <= 0) continue;
                int client = ::accept(garbage_socket, nullptr, nullptr);
                if (client < 0) continue;
                char request[4096];
                (void)::recv(client, request, sizeof request, 0);
                static const char junk[] = "\x01\x02 NOT HTTP AT ALL \xff\xfe\r\n\r\n";
                (void)::send(client, junk, sizeof junk - 1, MSG_NOSIGNAL);
                ::close(client);
            }
        });
    }
};

test_http_server_c::test_http_server_c() : impl_(std::make_unique<impl_t>())
{
    impl_->routes();
    impl_->port = impl_->server.bind_to_any_port("127.0.0.1");
    if (impl_->port <= 0) throw std::runtime_error("cannot listen on 127.0.0.1");
    impl_->server_thread = std::thread([this] { impl_->server.listen_after_bind(); });
    while (!impl_->server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    impl_->start_garbage();
}

test_http_server_c::~test_http_server_c()
{
    impl_->stopping = true;
    impl_->server.stop();
    impl_->server_thread.join();
    impl_->garbage_thread.join();
    ::close(impl_->garbage_socket);
}

int test_http_server_c::port() const { return impl_->port; }
int test_http_server_c::garbage_port() const { return impl_->garbage_port; }

} // namespace tdu::test
