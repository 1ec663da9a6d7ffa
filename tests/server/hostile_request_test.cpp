// Requests meant to stop the service, sent byte for byte over loopback:
// each gets its status (or a closed connection) within the service's time
// limits, and the service answers normally afterwards.
#include "server_test_support.h"
#include "service_fixture.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using namespace tdu::server;
using tdu::server::test::service_fixture_c;

namespace {

// A raw client connection.
class raw_client_t {
public:
    // `receive_buffer` (bytes, 0: the system's) bounds what the system
    // takes in for a client that does not read.
    explicit raw_client_t(int port, int receive_buffer = 0)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        if (receive_buffer) ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~raw_client_t()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    raw_client_t(const raw_client_t&) = delete;
    raw_client_t& operator=(const raw_client_t&) = delete;

    bool connected() const { return connected_; }
    // True once receive() has seen the service close the connection.
    bool closed() const { return closed_; }

    // False once the service has closed the connection (or reset it).
    bool send(const std::string& bytes)
    {
        size_t sent = 0;
        while (sent < bytes.size()) {
            ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += static_cast<size_t>(n);
        }
        return true;
    }

    // Everything the service sends until it closes the connection, or
    // until `wait` passes without a byte.
    std::string receive(std::chrono::milliseconds wait = std::chrono::seconds(10))
    {
        std::string got;
        char buffer[65536];
        for (;;) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(wait.count())) <= 0) break;
            ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) {
                closed_ = true;
                break;
            }
            got.append(buffer, static_cast<size_t>(n));
        }
        return got;
    }

    // True when the service has closed the connection (without a byte).
    bool closed_by_service(std::chrono::milliseconds wait)
    {
        receive(wait);
        return closed_;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
    bool closed_ = false;
};

// The status of the first answer in `bytes`; 0 for none.
int status_of(const std::string& bytes)
{
    if (bytes.rfind("HTTP/1.1 ", 0) != 0) return 0;
    return std::atoi(bytes.c_str() + 9);
}

const std::string boundary = "----tdu-boundary";

std::string form_part(const std::string& name, const std::string& bytes)
{
    return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name +
           "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + bytes + "\r\n";
}

std::string form(const std::string& parts)
{
    return parts + "--" + boundary + "--\r\n";
}

std::string post(const std::string& body, const std::string& extra_headers = "", bool with_length = true)
{
    std::string head = "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: multipart/form-data; boundary=" +
                       boundary + "\r\n" + extra_headers;
    if (with_length) head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return head + "\r\n" + body;
}

std::string chunked(const std::string& body, size_t chunk)
{
    std::string out;
    for (size_t at = 0; at < body.size(); at += chunk) {
        std::string piece = body.substr(at, chunk);
        char size[32];
        std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
        out += size + piece + "\r\n";
    }
    return out + "0\r\n\r\n";
}

std::string gzip(const std::string& text)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 31, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(text.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// Bytes that do not compress.
std::string noise(size_t size)
{
    std::string out(size, '\0');
    uint32_t x = 2463534242u;
    for (auto& c : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return out;
}

class HostileRequests : public service_fixture_c {
protected:
    static constexpr size_t max_body = 256 * 1024;

    // Short limits, so that every refusal comes within a few seconds.
    static service_options_t hostile_options()
    {
        service_options_t options;
        options.max_body = max_body;
        options.limits.max_inflated = 1 << 20;
        options.connection.header_time = std::chrono::milliseconds(1500);
        options.connection.body_time = std::chrono::milliseconds(2000);
        options.connection.idle_time = std::chrono::milliseconds(1000);
        options.connection.keep_alive_time = std::chrono::milliseconds(1000);
        options.max_answer_bytes = 64 * 1024;
        return options;
    }

    // Limits that no slow client of a test reaches.
    static service_options_t patient_options()
    {
        service_options_t options = hostile_options();
        options.connection.header_time = options.connection.idle_time = std::chrono::minutes(1);
        return options;
    }

    void expect_alive(const std::string& after)
    {
        EXPECT_EQ(request("").status, 200) << "after " << after;
    }

    std::string demo_body() { return form(form_part("kelptone", test::deflate_text(demo_document()))); }
    std::string demo_document() { return tdu::test::read_file(test::demo_request_file()); }
};

TEST_F(HostileRequests, EachGetsItsStatusAndTheServiceGoesOn)
{
    start(hostile_options());
    // 100,000 nested elements in 750 bytes of zlib stream
    std::string nested = "<kelptone>";
    for (int i = 0; i < 100000; ++i) nested += "<a>";
    std::string big(4 * max_body, 'x');
    std::string many_parts;
    for (int i = 0; i < 40; ++i) many_parts += form_part("p" + std::to_string(i), "x");
    std::string devices = "<kelptone><action>ACTION_UPDATE_DRIVER</action><client os=\"WIN7\" lang=\"437\"/>"
                          "<hardwares>";
    for (int i = 0; i < 2000; ++i)
        devices += "<hardware><id><![CDATA[PCI\\VEN_1000&DEV_" + std::to_string(i) + "\\3&0&0]]></id></hardware>";
    devices += "</hardwares></kelptone>";
    const std::string control_ids =
        "<kelptone><action>ACTION_UPDATE_DRIVER</action><client os=\"WIN7\" lang=\"437\"/><hardwares>"
        "<hardware><id><![CDATA[PCI\\VEN_1000\x01\x1b[2J]]></id></hardware></hardwares></kelptone>";
    std::string ranges = "bytes=0-0";
    for (int i = 1; i < 800; ++i) ranges += "," + std::to_string(i) + "-" + std::to_string(i);

    std::string many_headers;
    for (int i = 0; i < 10000; ++i) many_headers += "X-" + std::to_string(i) + ": y\r\n";

    struct row {
        const char* name;
        std::string bytes;
        int status; // 0: the connection is closed without an answer
        const char* says;
    };
    const row rows[] = {
        {"nesting bomb", post(form(form_part("kelptone", test::deflate_text(nested)))), 400, "nests"},
        {"chunked body past the limit",
         post(chunked(form(form_part("kelptone", big)), 65536), "Transfer-Encoding: chunked\r\n", false), 413,
         "too large"},
        {"gzip body inflating past the limit",
         post(gzip(form(form_part("kelptone", std::string(64u << 20, 'z')))), "Content-Encoding: gzip\r\n"), 413,
         "too large"},
        // framing that a proxy in front may read otherwise than the service
        {"Content-Length beside chunked", post(chunked(demo_body(), 1000), "Transfer-Encoding: chunked\r\n"), 400,
         "both Content-Length and Transfer-Encoding"},
        {"Content-Length beside chunked, waiting for 100 Continue",
         post(chunked(demo_body(), 1000), "Expect: 100-continue\r\nTransfer-Encoding: chunked\r\n"), 400,
         "both Content-Length and Transfer-Encoding"},
        {"two Content-Length headers", post(demo_body(), "Content-Length: 5\r\n"), 400,
         "more than one Content-Length"},
        // every inflated byte counts, also those outside the form's parts
        {"gzip bomb before the first boundary",
         post(gzip(std::string(16u << 20, 'z') + "\r\n" + demo_body()), "Content-Encoding: gzip\r\n"), 413,
         "more than 100 times"},
        {"gzip bomb after the last boundary",
         post(gzip(demo_body() + std::string(16u << 20, 'z')), "Content-Encoding: gzip\r\n"), 413,
         "more than 100 times"},
        {"chunked gzip bomb before the first boundary",
         post(chunked(gzip(std::string(16u << 20, 'z') + "\r\n" + demo_body()), 4096),
              "Content-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n", false),
         413, "more than 100 times"},
        {"gzip body whose preamble inflates past the limit",
         post(gzip(noise(max_body - 8192) + std::string(16384, 'z') + "\r\n" + demo_body()),
              "Content-Encoding: gzip\r\n"),
         413,
         "inflates past 262144 bytes"},
        {"Content-Encoding the service does not inflate",
         post(demo_body(), "Content-Encoding: br\r\n"), 415, "not gzip or deflate"},
        {"announced length past the limit",
         "POST / HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; boundary=" + boundary +
             "\r\nContent-Length: 99999999999\r\n\r\n",
         413, "too large"},
        {"multipart without its closing boundary", post(form_part("kelptone", "abc")), 400, "cannot be read"},
        {"multipart with a broken part header",
         post("--" + boundary + "\r\nContent-Disposition form-data\r\n\r\nabc\r\n--" + boundary + "--\r\n"), 400,
         "\"kelptone\""},
        {"too many form parts", post(form(many_parts)), 400, "parts"},
        {"device IDs holding control bytes", post(form(form_part("kelptone", test::deflate_text(control_ids)))),
         400, "XML does not allow"},
        {"answer past the byte budget", post(form(form_part("kelptone", test::deflate_text(devices)))), 413,
         "exceed"},
        {"many ranges", "GET /packages/ostara-usb3-1.4.zip HTTP/1.1\r\nHost: x\r\nRange: " + ranges + "\r\n\r\n",
         200, ""},
        {"header flood", "GET / HTTP/1.1\r\nHost: x\r\n" + std::string(70000, 'a') + ": b\r\n\r\n", 400, ""},
        {"headers past 64 KiB", "GET / HTTP/1.1\r\n" + many_headers + "\r\n", 400, "too large"},
        {"request line of 100 KiB", "GET /" + std::string(100000, 'a') + " HTTP/1.1\r\n\r\n", 400, "too large"},
        {"headers that never end", "GET / HTTP/1.1\r\nHost: x\r\n", 400, "in time"},
        {"body that never ends", post(demo_body()).substr(0, 300), 400, "cut short"},
    };
    for (const auto& r : rows) {
        raw_client_t client(port_);
        ASSERT_TRUE(client.connected()) << r.name;
        client.send(r.bytes); // may fail once the service refuses mid-way
        std::string answer = client.receive();
        // one answer, and then the service closes the connection
        EXPECT_TRUE(client.closed()) << r.name;
        EXPECT_EQ(status_of(answer), r.status) << r.name << ": " << answer.substr(0, 300);
        EXPECT_EQ(answer.find("HTTP/1.1", 1), std::string::npos) << r.name << ": " << answer.substr(0, 600);
        EXPECT_NE(answer.find(r.says), std::string::npos) << r.name << ": " << answer;
        expect_alive(r.name);
    }
    // and it still answers the program
    raw_client_t client(port_);
    client.send(post(demo_body()));
    EXPECT_EQ(status_of(client.receive(std::chrono::seconds(2))), 200);
}

TEST_F(HostileRequests, CompressedBodiesAreStillReadWhole)
{
    start(hostile_options());
    const std::string body = demo_body();
    const std::string gzipped = gzip(body);
    std::string chunked_with_extras = chunked(gzipped, 100);
    chunked_with_extras.replace(chunked_with_extras.find("\r\n"), 2, ";name=value\r\n"); // an extension
    chunked_with_extras.insert(chunked_with_extras.size() - 2, "X-Trailer: t\r\n");
    struct row {
        const char* name;
        std::string bytes;
        int status;
        const char* says;
    };
    const row rows[] = {
        {"gzip", post(gzipped, "Content-Encoding: gzip\r\n"), 200, "<kelptone>"},
        {"deflate (a zlib stream)", post(test::deflate_text(body), "Content-Encoding: deflate\r\n"), 200,
         "<kelptone>"},
        {"gzip, chunked", post(chunked(gzipped, 7), "Content-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n", false),
         200, "<kelptone>"},
        {"gzip, chunked with an extension and a trailer",
         post(chunked_with_extras, "Content-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n", false), 200,
         "<kelptone>"},
        {"gzip cut short", post(gzipped.substr(0, gzipped.size() - 10), "Content-Encoding: gzip\r\n"), 400,
         "cannot be read"},
        {"bytes after the gzip stream", post(gzipped + "junk", "Content-Encoding: gzip\r\n"), 400, "cannot be read"},
    };
    for (const auto& r : rows) {
        raw_client_t client(port_);
        ASSERT_TRUE(client.connected()) << r.name;
        // A second request right behind the first: the body ends exactly
        // where its framing says, and the connection goes on.
        client.send(r.bytes + (r.status == 200 ? "GET / HTTP/1.1\r\nHost: x\r\n\r\n" : ""));
        std::string answer = client.receive(std::chrono::seconds(3));
        EXPECT_EQ(status_of(answer), r.status) << r.name << ": " << answer.substr(0, 300);
        EXPECT_NE(answer.find(r.says), std::string::npos) << r.name << ": " << answer.substr(0, 600);
        if (r.status == 200)
            EXPECT_NE(answer.find("HTTP/1.1 200 OK", 1), std::string::npos) << r.name << ": no second answer";
    }
}

TEST_F(HostileRequests, SlowClientsDoNotHoldUpUpdateRequests)
{
    start(patient_options());
    // Many connections that trickle their headers, more than any pool of
    // workers the service might keep.
    std::vector<std::unique_ptr<raw_client_t>> slow;
    for (int i = 0; i < 200; ++i) {
        slow.push_back(std::make_unique<raw_client_t>(port_));
        ASSERT_TRUE(slow.back()->connected());
        slow.back()->send("GET / HTTP/1.1\r\n");
    }
    EXPECT_EQ(post_request(demo_document()).status, 200);
    auto download = request("packages/ostara-usb3-1.4.zip");
    EXPECT_EQ(download.status, 200);
    EXPECT_EQ(download.body, tdu::test::read_file(test::demo_packages_dir() / "ostara-usb3-1.4.zip"));
    // ... while every slow client was still waited for
    for (auto& c : slow) EXPECT_FALSE(c->closed_by_service(std::chrono::milliseconds(0)));
}

TEST_F(HostileRequests, StoppingDoesNotWaitForSlowClients)
{
    start(patient_options());
    raw_client_t trickling(port_);
    trickling.send("GET / HTTP/1.1\r\n");
    raw_client_t idle(port_);
    ASSERT_TRUE(idle.connected());
    auto stopped = std::async(std::launch::async, [this] { stop(); });
    // (a guard against hanging: the clients would be waited for a minute)
    EXPECT_EQ(stopped.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    stopped.wait();
}

// What the log says of the requests whose line starts with `start`.
std::vector<std::string> log_lines(const std::string& log, const std::string& start)
{
    std::vector<std::string> out;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(start, 0) == 0) out.push_back(line);
    return out;
}

TEST_F(HostileRequests, StoppingFinishesTheRequestsAlreadyRead)
{
    service_options_t options = patient_options();
    options.connection.body_time = std::chrono::seconds(30);
    start(options);
    // An update request whose headers and half its body are in when the
    // service is told to stop, an idle kept-alive connection, and one whose
    // headers are not in yet.
    const std::string request = post(demo_body());
    const size_t half = request.find("\r\n\r\n") + 4 + demo_body().size() / 2;
    raw_client_t posting(port_);
    ASSERT_TRUE(posting.send(request.substr(0, half)));
    raw_client_t idle(port_);
    ASSERT_TRUE(idle.send("GET / HTTP/1.1\r\nHost: x\r\n\r\n"));
    ASSERT_EQ(status_of(idle.receive(std::chrono::milliseconds(300))), 200);
    raw_client_t trickling(port_);
    trickling.send("GET / HTTP/1.1\r\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    auto began = std::chrono::steady_clock::now();
    auto stopped = std::async(std::launch::async, [this] { stop(); });
    // the connections without a request read end at once ...
    EXPECT_TRUE(idle.closed_by_service(std::chrono::seconds(2)));
    EXPECT_TRUE(trickling.closed_by_service(std::chrono::seconds(2)));
    // ... and the update request still gets its whole answer
    ASSERT_TRUE(posting.send(request.substr(half)));
    std::string answer = posting.receive(std::chrono::seconds(5));
    ASSERT_EQ(status_of(answer), 200) << answer.substr(0, 300);
    size_t body = answer.find("\r\n\r\n") + 4;
    const std::string length = "Content-Length: ";
    size_t at = answer.find(length);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(answer.size() - body, std::stoul(answer.substr(at + length.size())));
    EXPECT_NE(answer.find("</kelptone>"), std::string::npos);
    // and the stop does not wait past the answer (nor the drain time)
    ASSERT_EQ(stopped.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(5));
    auto logged = log_lines(log_.str(), "POST / ");
    ASSERT_EQ(logged.size(), 1u) << log_.str();
    EXPECT_EQ(logged[0].rfind("POST / 200 " + std::to_string(answer.size() - body) + " ", 0), 0u) << logged[0];
}

TEST_F(HostileRequests, AnAnswerTheDrainTimeCutsOffIsLoggedAsDropped)
{
    // a package far larger than what the system buffers for a client that
    // does not read
    fs::path packages = dir_.path() / "big";
    const std::string bytes = noise(8u << 20);
    test::write_zip(packages / "big-1.0.zip", {{"data.bin", bytes}});
    test::index_folder(packages, catalogue_, dir_.path() / "zips");
    const auto size = fs::file_size(packages / "big-1.0.zip");
    service_options_t options = patient_options();
    options.connection.drain_time = std::chrono::milliseconds(500);
    start(options);
    raw_client_t stalled(port_, 4096);
    ASSERT_TRUE(stalled.send("GET /packages/big-1.0.zip HTTP/1.1\r\nHost: x\r\n\r\n"));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    auto began = std::chrono::steady_clock::now();
    stop();
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(3));
    auto logged = log_lines(log_.str(), "GET /packages/big-1.0.zip ");
    ASSERT_EQ(logged.size(), 1u) << log_.str();
    std::istringstream fields(logged[0]);
    std::string method, path, status;
    std::uint64_t sent = 0;
    fields >> method >> path >> status >> sent;
    EXPECT_EQ(status, "dropped") << logged[0];
    EXPECT_GT(sent, 0u) << logged[0];
    EXPECT_LT(sent, size) << logged[0];
    EXPECT_NE(logged[0].find("(status 200 sent, " + std::to_string(size) + " bytes due)"), std::string::npos)
        << logged[0];
}

TEST_F(HostileRequests, FiveThousandSlowReconnectingClientsDoNotShutOutOthers)
{
    // The service (in this process) holds a descriptor per slow client.
    rlimit files{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &files), 0);
    files.rlim_cur = files.rlim_max;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &files), 0);
    ASSERT_GE(files.rlim_cur, 12000u) << "the system allows too few open files for this test";
    // The default limits: a slow client (a header byte every two seconds)
    // is closed after 10 s, or at once when the service has no room for
    // it, and connects again.
    start(service_options_t{});
    const std::string command = std::string("'") + TDU_SERVICE_LOAD_TOOL + "' --url " + base_ + " --request '" +
                                test::demo_request_file().string() +
                                "' --requests 200 --concurrency 4 --slow 5000 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    int status = ::pclose(pipe);
    EXPECT_NE(out.find("5000 slow connections open\n"), std::string::npos) << out;
    EXPECT_NE(out.find("200 requests (0 failed)"), std::string::npos) << out;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
    // and a download still goes through
    EXPECT_EQ(request("packages/ostara-usb3-1.4.zip").status, 200);
}

} // namespace
