#pragma once
// The update service over real HTTP for tests: started in-process on a free
// loopback port with the demo catalogue, and spoken to with libcurl.
#include "catalogue/catalogue_db.h"
#include "http/update_service.h"
#include "server_test_support.h"

#include "support/test_support.h"

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <strings.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace tdu::server::test {

namespace fs = std::filesystem;

struct reply_t {
    long status = 0;
    std::string headers;
    std::string body;
    std::string header(const std::string& name) const
    {
        std::istringstream in(headers);
        std::string line;
        while (std::getline(in, line)) {
            if (line.size() > name.size() && strncasecmp(line.c_str(), name.c_str(), name.size()) == 0 &&
                line[name.size()] == ':') {
                std::string v = line.substr(name.size() + 1);
                while (!v.empty() && (v.back() == '\r' || v.back() == ' ')) v.pop_back();
                return v.substr(v.find_first_not_of(' '));
            }
        }
        return {};
    }
};

inline size_t collect(char* data, size_t size, size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}


class service_fixture_c : public ::testing::Test {
protected:
    static void SetUpTestSuite() { curl_global_init(CURL_GLOBAL_DEFAULT); }
    static void TearDownTestSuite() { curl_global_cleanup(); }

    void SetUp() override
    {
#ifdef TDU_TEST_POSTGRES_URL_FILE
        ASSERT_NO_FATAL_FAILURE(create_database());
#else
        catalogue_ = (dir_.path() / "catalogue.db").string();
#endif
        report_ = test::index_folder(test::demo_packages_dir(), catalogue_, dir_.path() / "zips");
        ASSERT_EQ(report_.added, 9);  // every package of the demo catalogue
        ASSERT_TRUE(report_.problems.empty()) << report_.problems[0];
    }

    void start(service_options_t options = {})
    {
        options.catalogue = catalogue_;
        options.port = 0;
        options.log = &log_;
        if (!options.signing_key) options.signing_key = std::make_shared<answer_secret_key_t>(signing_key_);
        service_ = std::make_unique<update_service_t>(options);
        std::string error;
        ASSERT_TRUE(service_->bind(error)) << error;
        port_ = service_->port();
        base_ = "http://127.0.0.1:" + std::to_string(port_) + "/";
        thread_ = std::thread([this] { service_->run(); });
    }

    void TearDown() override
    {
        stop();
        service_.reset();
#ifdef TDU_TEST_POSTGRES_URL_FILE
        catalogue_db_t admin;
        std::string error;
        if (admin.open(admin_url_, false, error))
            admin.exec("DROP DATABASE IF EXISTS " + database_ + " WITH (FORCE)", error);
#endif
    }

#ifdef TDU_TEST_POSTGRES_URL_FILE
    // A database of its own on the test server (scripts/postgres, started
    // by the test fixture of ctest) for each test.
    void create_database()
    {
        admin_url_ = tdu::test::read_file(TDU_TEST_POSTGRES_URL_FILE);
        while (!admin_url_.empty() && (admin_url_.back() == '\n' || admin_url_.back() == ' ')) admin_url_.pop_back();
        ASSERT_FALSE(admin_url_.empty()) << "no PostgreSQL server: " << TDU_TEST_POSTGRES_URL_FILE;
        static int serial = 0;
        database_ = "tdu_test_" + std::to_string(::getpid()) + "_" + std::to_string(++serial);
        catalogue_db_t admin;
        std::string error;
        ASSERT_TRUE(admin.open(admin_url_, false, error)) << error;
        ASSERT_TRUE(admin.exec("CREATE DATABASE " + database_, error)) << error;
        catalogue_ = admin_url_.substr(0, admin_url_.rfind('/') + 1) + database_;
    }
    std::string admin_url_, database_;
#endif

    void stop()
    {
        if (!service_) return;
        service_->stop();
        if (thread_.joinable()) thread_.join();
    }

    reply_t request(const std::string& path, const std::vector<std::string>& headers = {}, bool head = false,
                    const std::function<void(CURL*)>& setup = {})
    {
        reply_t r;
        CURL* curl = curl_easy_init();
        curl_slist* list = nullptr;
        for (const auto& h : headers) list = curl_slist_append(list, h.c_str());
        curl_easy_setopt(curl, CURLOPT_URL, (path.rfind("http", 0) == 0 ? path : base_ + path).c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &r.body);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, collect);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &r.headers);
        if (head) curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        if (setup) setup(curl);
        EXPECT_EQ(curl_easy_perform(curl), CURLE_OK) << path;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &r.status);
        curl_slist_free_all(list);
        curl_easy_cleanup(curl);
        return r;
    }

    // Posts a form with one field as the program does; an empty name posts
    // a form without it.
    reply_t post_field(const std::string& name, const std::string& bytes)
    {
        curl_mime* form = nullptr;
        auto r = request("", {}, false, [&](CURL* curl) {
            form = curl_mime_init(curl);
            curl_mimepart* part = curl_mime_addpart(form);
            curl_mime_name(part, name.empty() ? "other" : name.c_str());
            curl_mime_data(part, bytes.data(), bytes.size());
            curl_easy_setopt(curl, CURLOPT_MIMEPOST, form);
        });
        curl_mime_free(form);
        return r;
    }

    reply_t post_request(const std::string& document) { return post_field("kelptone", test::deflate_text(document)); }

    tdu::test::temp_dir_c dir_;
    std::string catalogue_; // a file or a PostgreSQL connect string
    index_report_t report_;
    std::ostringstream log_;
    // The key the service signs its answers with; tests check them against
    // its public half (public_key_line).
    answer_secret_key_t signing_key_ = generate_secret_key();
    std::unique_ptr<update_service_t> service_;
    std::thread thread_;
    std::string base_;
    int port_ = 0;
};

} // namespace tdu::server::test
