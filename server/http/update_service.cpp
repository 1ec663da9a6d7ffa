#include "http/update_service.h"

#include "catalogue/catalogue_schema.h"
#include "catalogue/sqlite_db.h"
#include "http/finder_pool.h"
#include "http/package_download.h"
#include "protocol/update_answer.h"

#include <httplib.h>

#include <chrono>
#include <iostream>
#include <mutex>

namespace tdu::server {

namespace {

// Most offers one device gets; the program keeps no more.
constexpr std::size_t max_offers_per_device = 500;

void reply(httplib::Response& res, int status, const std::string& reason)
{
    res.status = status;
    res.set_content(reason + "\n", "text/plain");
}

// When the request began, for the log line; set by the pre-routing handler
// on the worker thread that then also writes the log line.
thread_local std::chrono::steady_clock::time_point request_start;
thread_local bool request_started = false;

} // namespace

struct update_service_t::impl_t {
    service_options_t options;
    finder_pool_t finders;
    httplib::Server http;
    int port = 0;
    std::mutex log_mutex;

    explicit impl_t(service_options_t o) : options(std::move(o)), finders(options.catalogue) {}

    std::ostream& log() { return options.log ? *options.log : std::cerr; }

    std::string base_url(const httplib::Request& req) const
    {
        if (!options.base_url.empty()) return options.base_url;
        std::string host = req.get_header_value("Host");
        if (host.empty() || host.find_first_of("/ \t\r\n") != std::string::npos)
            host = options.address + ":" + std::to_string(port);
        return "http://" + host + "/";
    }

    void answer_update(const httplib::Request& req, httplib::Response& res)
    {
        if (!req.is_multipart_form_data()) return reply(res, 400, "the request is not a multipart/form-data post");
        if (!req.has_file("kelptone")) return reply(res, 400, "the form has no field \"kelptone\"");
        std::string document;
        request_failure_t failure;
        update_request_t request;
        if (!inflate_request(req.get_file_value("kelptone").content, options.limits.max_inflated, document, failure) ||
            !parse_update_request(document, options.limits, request, failure))
            return reply(res, failure.status, failure.reason);
        std::string error;
        auto finder = finders.borrow(error);
        if (!finder) return reply(res, 503, error);
        // A system the catalogue has no drivers for (such as "NOT_SUPPORTED")
        // gets every device back without offers.
        const os_profile_t* os = find_os_profile(request.os_code);
        std::vector<answer_device_t> devices;
        devices.reserve(request.devices.size());
        if (!finder->begin_snapshot(error)) return reply(res, 503, error);
        for (const auto& d : request.devices) {
            answer_device_t a;
            a.id_bytes = d.id_bytes;
            if (os && !finder->find({d.hardware_ids, d.compatible_ids}, *os, max_offers_per_device, a.offers, error)) {
                finder->end_snapshot();
                return reply(res, 500, error);
            }
            devices.push_back(std::move(a));
        }
        finder->end_snapshot();
        res.set_content(build_update_answer(devices, {base_url(req), request.ansi_code_page}), "text/xml");
    }

    void send_package(const httplib::Request& req, httplib::Response& res)
    {
        std::string error;
        auto finder = finders.borrow(error);
        if (!finder) return reply(res, 503, error);
        statement_t q(finder->db(), "SELECT file_path FROM packages WHERE name = ?");
        if (!q.bind(1, std::string(req.matches[1])).step()) return reply(res, 404, "no such package");
        send_package_file(req, res, q.text(0));
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
        std::string bytes = res.get_header_value("Content-Length");
        if (bytes.empty()) bytes = std::to_string(res.body.size());
        std::lock_guard<std::mutex> lock(log_mutex);
        log() << req.method << ' ' << req.path << ' ' << res.status << ' ' << bytes << ' ' << ms << "ms" << std::endl;
    }

    void routes()
    {
        http.set_payload_max_length(options.max_body);
        http.set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
            request_start = std::chrono::steady_clock::now();
            request_started = true;
            return httplib::Server::HandlerResponse::Unhandled;
        });
        http.Post("/", [this](const httplib::Request& req, httplib::Response& res) { answer_update(req, res); });
        http.Get("/", [this](const httplib::Request&, httplib::Response& res) { describe_catalogue(res); });
        http.Get("/packages/([^/]+)",
                 [this](const httplib::Request& req, httplib::Response& res) { send_package(req, res); });
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
    {
        auto finder = impl_->finders.borrow(error);
        if (!finder) return false;
    }
    if (impl_->options.port == 0) {
        impl_->port = impl_->http.bind_to_any_port(impl_->options.address);
        if (impl_->port > 0) return true;
    } else if (impl_->http.bind_to_port(impl_->options.address, impl_->options.port)) {
        impl_->port = impl_->options.port;
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
    return impl_->http.listen_after_bind();
}

void update_service_t::stop()
{
    impl_->http.stop();
}

} // namespace tdu::server
