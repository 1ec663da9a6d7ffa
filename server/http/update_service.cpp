#include "http/update_service.h"

#include "catalogue/catalogue_schema.h"
#include "catalogue/catalogue_db.h"
#include "http/finder_pool.h"
#include "http/guarded_server.h"
#include "http/package_download.h"
#include "http/program_setups.h"
#include "offers/update_answer.h"
#include "service/answer_signature.h"

#include <httplib.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <thread>

namespace tdu::server {

namespace {

// Parts a form may have; the program's has one.
constexpr int max_form_parts = 16;

void reply(httplib::Response& res, int status, const std::string& reason)
{
    res.status = status;
    res.set_content(reason + "\n", "text/plain");
}

// When the request began, for the log line; set by the pre-routing handler
// on the worker thread that then also writes the log line.
thread_local std::chrono::steady_clock::time_point request_start;
thread_local bool request_started = false;

// The field "kelptone" of a posted form, read as it streams in: the whole
// body (after any Content-Encoding and the multipart framing) may not pass
// `limit` bytes, whatever length the request announced or did not.
struct form_field_t {
    std::size_t limit = 0;
    std::string value;
    bool found = false;
    bool too_large = false;
    bool too_many_parts = false;
    bool in_field = false;
    std::size_t total = 0;
    int parts = 0;

    bool begin_part(const httplib::MultipartFormData& part)
    {
        if (++parts > max_form_parts) {
            too_many_parts = true;
            return false;
        }
        in_field = part.name == "kelptone" && !found;
        found = found || in_field;
        return true;
    }

    bool add(const char* data, std::size_t size)
    {
        total += size;
        if (total > limit) {
            too_large = true;
            return false;
        }
        if (in_field) value.append(data, size);
        return true;
    }
};

// At most `count` holders at once; the others wait their turn.
class work_slots_t {
public:
    explicit work_slots_t(unsigned count) : free_(count) {}
    class slot_t {
    public:
        explicit slot_t(work_slots_t& slots) : slots_(slots)
        {
            std::unique_lock<std::mutex> lock(slots_.mutex_);
            slots_.freed_.wait(lock, [this] { return slots_.free_ > 0; });
            --slots_.free_;
        }
        ~slot_t()
        {
            std::lock_guard<std::mutex> lock(slots_.mutex_);
            ++slots_.free_;
            slots_.freed_.notify_one();
        }
        slot_t(const slot_t&) = delete;
        slot_t& operator=(const slot_t&) = delete;

    private:
        work_slots_t& slots_;
    };

private:
    std::mutex mutex_;
    std::condition_variable freed_;
    unsigned free_;
};

connection_limits_t connection_limits(const service_options_t& o)
{
    connection_limits_t limits = o.connection;
    limits.max_body_bytes = o.max_body + (64u << 10);
    limits.inflation.max_bytes = o.max_body;
    return limits;
}

// Fetches the catalogue rows of every device's IDs in a few queries before
// the devices are matched one by one.
bool fetch_ahead(offer_finder_t& finder, const update_request_t& request, const os_profile_t& os, std::string& error)
{
    std::vector<std::string_view> ids;
    for (const auto& d : request.devices) {
        if (ids.size() >= offer_finder_t::max_ids_ahead) break;
        ids.insert(ids.end(), d.hardware_ids.begin(), d.hardware_ids.end());
        ids.insert(ids.end(), d.compatible_ids.begin(), d.compatible_ids.end());
    }
    return finder.fetch_ahead(ids, os, error);
}

unsigned worker_count(unsigned wanted)
{
    if (wanted) return wanted;
    unsigned cpus = std::thread::hardware_concurrency();
    return cpus ? cpus : 2;
}

} // namespace

struct update_service_t::impl_t {
    service_options_t options;
    finder_pool_t finders;
    guarded_server_t http;
    work_slots_t workers;
    program_setups_t setups;
    int port = 0;
    std::mutex log_mutex;
    // The HTTP library closes its socket on stop() only once its accept
    // loop runs; a stop that came before would be lost and run() would
    // wait in accept for ever. run() and stop() meet through these two.
    std::atomic<bool> run_entered{false};
    std::atomic<bool> run_returned{false};
    std::atomic<bool> stop_requested{false};

    explicit impl_t(service_options_t o)
        : options(std::move(o)), finders(options.catalogue), http(connection_limits(options)),
          workers(worker_count(options.update_workers)), setups(options.setups_folder)
    {
    }

    std::ostream& log() { return options.log ? *options.log : std::cerr; }

    std::string base_url(const httplib::Request& req) const
    {
        if (!options.base_url.empty()) return options.base_url;
        std::string host = req.get_header_value("Host");
        if (host.empty() || host.find_first_of("/ \t\r\n") != std::string::npos)
            host = options.address + ":" + std::to_string(port);
        return "http://" + host + "/";
    }

    // A refusal that leaves (part of) the body unread: the connection ends
    // with the answer rather than read the rest as the next request.
    void refuse_and_close(httplib::Response& res, int status, const std::string& reason)
    {
        if (auto* connection = guarded_server_t::current_connection()) connection->close_after_answer = true;
        res.set_header("Connection", "close");
        reply(res, status, reason);
    }

    bool announced_too_large(const httplib::Request& req) const
    {
        std::string length = req.get_header_value("Content-Length");
        if (length.empty()) return false;
        char* end = nullptr;
        errno = 0;
        unsigned long long n = std::strtoull(length.c_str(), &end, 10);
        return *end != '\0' || errno == ERANGE || n > options.max_body;
    }

    // A body whose length the headers give twice (Content-Length beside a
    // Transfer-Encoding, or either header more than once) is refused: a
    // proxy in front may read it otherwise than this service does, and take
    // the rest for a request of its own. Nginx refuses the same.
    static std::string ambiguous_framing(const httplib::Request& req)
    {
        std::size_t lengths = req.get_header_value_count("Content-Length");
        std::size_t encodings = req.get_header_value_count("Transfer-Encoding");
        if (lengths && encodings) return "the request has both Content-Length and Transfer-Encoding";
        if (lengths > 1 || encodings > 1)
            return "the request has more than one " +
                   std::string(lengths > 1 ? "Content-Length" : "Transfer-Encoding") + " header";
        return {};
    }

    void answer_update(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& content)
    {
        if (announced_too_large(req)) return refuse_and_close(res, 413, "the request body is too large");
        if (!req.is_multipart_form_data())
            return refuse_and_close(res, 400, "the request is not a multipart/form-data post");
        form_field_t form;
        form.limit = options.max_body;
        bool read = content([&](const httplib::MultipartFormData& part) { return form.begin_part(part); },
                            [&](const char* data, std::size_t size) { return form.add(data, size); });
        if (form.too_large) return refuse_and_close(res, 413, "the request body is too large");
        if (auto* connection = guarded_server_t::current_connection()) {
            std::string refusal = connection->body_refusal();
            if (!refusal.empty()) return refuse_and_close(res, 413, refusal);
        }
        if (form.too_many_parts)
            return refuse_and_close(res, 400, "the form has more than " + std::to_string(max_form_parts) + " parts");
        if (!read) return refuse_and_close(res, 400, "the form cannot be read (malformed or cut short)");
        if (!form.found) return reply(res, 400, "the form has no field \"kelptone\"");

        work_slots_t::slot_t slot(workers);
        std::string document;
        request_failure_t failure;
        update_request_t request;
        if (!inflate_request(form.value, options.limits.max_inflated, document, failure) ||
            !parse_update_request(document, options.limits, request, failure))
            return reply(res, failure.status, failure.reason);
        // The answer's signature names the document it answers.
        std::string request_digest = request_digest_hex(document);
        std::string().swap(form.value);
        std::string().swap(document);
        std::string error;
        auto finder = finders.borrow(error);
        if (!finder) return reply(res, 503, error);
        // A system the catalogue has no drivers for (such as "NOT_SUPPORTED")
        // gets every device back without offers.
        const os_profile_t* os = find_os_profile(request.os_code);
        std::vector<answer_device_t> devices;
        devices.reserve(request.devices.size());
        if (!finder->begin_snapshot(error)) return reply(res, 503, error);
        {
            snapshot_guard_t snapshot(*finder);
            if (os && !fetch_ahead(*finder, request, *os, error)) return reply(res, 500, error);
            for (auto& d : request.devices) {
                answer_device_t a;
                a.id_bytes = std::move(d.id_bytes);
                if (os) {
                    device_query_t query{std::move(d.hardware_ids), std::move(d.compatible_ids)};
                    if (!finder->find(query, *os, max_offers_per_device, a.offers, error))
                        return reply(res, 500, error);
                    keep_best_offers(a.offers, *os, options.offers_per_device);
                }
                devices.push_back(std::move(a));
            }
        }
        answer_context_t context{base_url(req), request.ansi_code_page, options.max_answer_bytes};
        if (!fit_answer_budget(devices, context))
            return reply(res, 413, "the answer to so many devices would exceed " +
                                       std::to_string(options.max_answer_bytes) + " bytes");
        // Moved into the answer, not copied (set_content copies).
        res.body = build_update_answer(devices, context);
        res.set_header("Content-Type", "text/xml");
        int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                          std::chrono::system_clock::now().time_since_epoch()).count();
        res.set_header(answer_signature_header,
                       answer_signature_value(*options.signing_key, res.body, request_digest,
                                              now + options.signature_lifetime));
    }

    // "/packages/NAME": the package's current file.
    void send_package(const httplib::Request& req, httplib::Response& res)
    {
        std::string error;
        auto finder = finders.borrow(error);
        if (!finder) return reply(res, 503, error);
        statement_t q(finder->db(), "SELECT file_path FROM packages WHERE name = ?");
        if (!q.bind(1, std::string(req.matches[1])).step()) return reply(res, 404, "no such package");
        send_package_file(req, res, q.text(0));
    }

    // "/packages/DIGITS/NAME", the link an answer gives: the file of exactly
    // those bytes, while the catalogue offers it or keeps it retired for
    // the clients that were offered it. Never another version's bytes.
    void send_package_version(const httplib::Request& req, httplib::Response& res)
    {
        std::string error;
        auto finder = finders.borrow(error);
        if (!finder) return reply(res, 503, error);
        const std::string digits = req.matches[1], name = req.matches[2];
        for (const char* sql : {"SELECT file_path, sha256 FROM packages WHERE name = ?",
                                "SELECT file_path, sha256 FROM retired_files WHERE name = ?"}) {
            statement_t q(finder->db(), sql);
            q.bind(1, name);
            while (q.step())
                if (q.text(1).compare(0, digits.size(), digits) == 0) return send_package_file(req, res, q.text(0));
        }
        reply(res, 404, "no such package");
    }

    // "/program/ARCH": the signed version document of the newest setup of
    // that architecture (service/program_document.h).
    void send_program_document(const httplib::Request& req, httplib::Response& res)
    {
        if (!setups.enabled()) return reply(res, 404, "this service offers no program setups");
        std::string arch = req.matches[1];
        program_setup_t setup;
        std::string error;
        if (!setups.newest(arch, setup, error)) return reply(res, 404, error);
        program_document_t doc;
        doc.arch = arch;
        doc.version = setup.version;
        doc.size = setup.size;
        doc.sha256 = setup.sha256;
        doc.link = base_url(req) + "setups/" + setup.name;
        res.body = program_document_text(doc);
        res.set_header("Content-Type", "text/plain");
        int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                          std::chrono::system_clock::now().time_since_epoch()).count();
        std::string file = sign_data(*options.signing_key, res.body,
                                     program_trusted_comment(arch, now + options.signature_lifetime));
        res.set_header(answer_signature_header,
                       base64_encode(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
    }

    // "/setups/NAME": a setup of the folder, with Range support.
    void send_setup(const httplib::Request& req, httplib::Response& res)
    {
        std::string path;
        if (!setups.path_of(std::string(req.matches[1]), path)) return reply(res, 404, "no such setup");
        send_package_file(req, res, path);
    }

    void describe_package(const httplib::Request& req, httplib::Response& res)
    {
        std::string error;
        auto finder = finders.borrow(error);
        if (!finder) return reply(res, 503, error);
        statement_t p(finder->db(), "SELECT id, size, sha256 FROM packages WHERE name = ?");
        std::string name = req.matches[1];
        if (!p.bind(1, name).step()) return reply(res, 404, "no such package");
        std::string text = name + "\n" + std::to_string(p.integer(1)) + " bytes, SHA-256 " + p.text(2) + "\n\n";
        statement_t d(finder->db(), "SELECT inf_path, provider, class_name, driver_version, driver_date"
                                    " FROM drivers WHERE package_id = ? ORDER BY inf_path");
        d.bind(1, p.integer(0));
        while (d.step())
            text += d.text(0) + ": " + d.text(2) + " driver " + d.text(3) + " of " + d.text(4) + " from " + d.text(1) +
                    "\n";
        res.set_content(text, "text/plain; charset=utf-8");
    }

    void describe_catalogue(httplib::Response& res)
    {
        std::string error;
        auto finder = finders.borrow(error);
        if (!finder) return reply(res, 503, error);
        statement_t q(finder->db(), "SELECT (SELECT COUNT(*) FROM packages), (SELECT COUNT(*) FROM drivers),"
                                    " (SELECT COUNT(*) FROM models)");
        q.step();
        res.set_content("tdu-update-service: " + std::to_string(q.integer(0)) + " packages, " +
                            std::to_string(q.integer(1)) + " drivers, " + std::to_string(q.integer(2)) + " models\n",
                        "text/plain");
    }

    void write_log(const httplib::Request& req, const httplib::Response& res)
    {
        long long ms = 0;
        if (request_started)
            ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                       request_start)
                     .count();
        request_started = false;
        // What went out, not what was meant to: an answer the client did
        // not take whole, or that a stop cut off, is logged as dropped.
        std::uint64_t due = res.body.size();
        std::string length = res.get_header_value("Content-Length");
        if (!length.empty()) due = std::strtoull(length.c_str(), nullptr, 10);
        answer_sent_t sent;
        if (auto* connection = guarded_server_t::current_connection()) sent = connection->sent();
        if (req.method == "HEAD") due = 0;
        bool whole = sent.status != 0 && !sent.failed && sent.body_bytes == due;
        std::lock_guard<std::mutex> lock(log_mutex);
        log() << req.method << ' ' << req.path << ' ';
        if (whole) log() << sent.status;
        else log() << "dropped";
        log() << ' ' << sent.body_bytes << ' ' << ms << "ms";
        if (!whole)
            log() << " (" << (sent.status ? "status " + std::to_string(sent.status) + " sent" : "no status sent")
                  << ", " << due << " bytes due)";
        log() << std::endl;
    }

    void routes()
    {
        http.set_payload_max_length(options.max_body);
        http.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
            request_start = std::chrono::steady_clock::now();
            request_started = true;
            if (std::string ambiguous = ambiguous_framing(req); !ambiguous.empty()) {
                refuse_and_close(res, 400, ambiguous);
                return httplib::Server::HandlerResponse::Handled;
            }
            // gzip and deflate bodies are inflated by the connection, which
            // takes their Content-Encoding off; any other would be inflated
            // by the library without a limit, or not at all.
            std::string encoding = req.get_header_value("Content-Encoding");
            if (!encoding.empty() && encoding != "identity") {
                if (announced_too_large(req)) refuse_and_close(res, 413, "the request body is too large");
                else refuse_and_close(res, 415, "the request's Content-Encoding is not gzip or deflate");
                return httplib::Server::HandlerResponse::Handled;
            }
            return httplib::Server::HandlerResponse::Unhandled;
        });
        http.Post("/", [this](const httplib::Request& req, httplib::Response& res,
                              const httplib::ContentReader& content) { answer_update(req, res, content); });
        // A client that waits for "100 Continue" before sending a body too
        // large is answered at once, and the connection ends there.
        http.set_expect_100_continue_handler([this](const httplib::Request& req, httplib::Response& res) {
            if (std::string ambiguous = ambiguous_framing(req); !ambiguous.empty()) {
                refuse_and_close(res, 400, ambiguous);
                return 400;
            }
            if (!announced_too_large(req)) return 100;
            refuse_and_close(res, 413, "the request body is too large");
            return 413;
        });
        http.Get("/", [this](const httplib::Request&, httplib::Response& res) { describe_catalogue(res); });
        http.Get("/packages/([^/]+)",
                 [this](const httplib::Request& req, httplib::Response& res) { send_package(req, res); });
        http.Get("/packages/([0-9a-f]{16})/([^/]+)",
                 [this](const httplib::Request& req, httplib::Response& res) { send_package_version(req, res); });
        http.Get("/program/(x86|x64)",
                 [this](const httplib::Request& req, httplib::Response& res) { send_program_document(req, res); });
        http.Get("/setups/([^/]+)",
                 [this](const httplib::Request& req, httplib::Response& res) { send_setup(req, res); });
        http.Get("/drivers/([^/]+)",
                 [this](const httplib::Request& req, httplib::Response& res) { describe_package(req, res); });
        // Statuses the library sets by itself (413, 404 of unknown paths,
        // 416 of a Range it cannot read) get a one-line reason too.
        http.set_error_handler([](const httplib::Request&, httplib::Response& res) {
            if (!res.body.empty()) return;
            std::string reason = res.status == 413   ? "the request body is too large"
                                 : res.status == 404 ? "no such resource"
                                 : res.status == 416 ? "the Range header cannot be read"
                                                     : "the request cannot be served";
            res.set_content(reason + "\n", "text/plain");
        });
        http.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
            reply(res, 500, "internal error");
        });
        http.set_logger([this](const httplib::Request& req, const httplib::Response& res) { write_log(req, res); });
    }
};

update_service_t::update_service_t(service_options_t options) : impl_(std::make_unique<impl_t>(std::move(options)))
{
    impl_->routes();
}

update_service_t::~update_service_t()
{
    stop();
}

bool update_service_t::bind(std::string& error)
{
    if (!impl_->options.signing_key) {
        error = "no secret key to sign the answers with";
        return false;
    }
    {
        auto finder = impl_->finders.borrow(error);
        if (!finder) return false;
    }
    if (impl_->options.port == 0) {
        impl_->port = impl_->http.bind_to_any_port(impl_->options.address);
        if (impl_->port > 0) {
            impl_->http.widen_backlog();
            return true;
        }
    } else if (impl_->http.bind_to_port(impl_->options.address, impl_->options.port)) {
        impl_->port = impl_->options.port;
        impl_->http.widen_backlog();
        return true;
    }
    error = "cannot listen on " + impl_->options.address + ":" + std::to_string(impl_->options.port);
    return false;
}

int update_service_t::port() const
{
    return impl_->port;
}

bool update_service_t::run()
{
    impl_->run_entered = true;
    bool ok = true;
    if (!impl_->stop_requested) ok = impl_->http.listen_after_bind();
    impl_->run_returned = true;
    return ok;
}

void update_service_t::stop()
{
    impl_->stop_requested = true;
    // Wait (at most 10 s) for an accept loop that is about to begin, so
    // that the stop below reaches it.
    if (impl_->run_entered) {
        for (int i = 0; i < 10000 && !impl_->run_returned && !impl_->http.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    impl_->http.stop();
}

} // namespace tdu::server
