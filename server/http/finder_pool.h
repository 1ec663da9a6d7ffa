#pragma once
// Catalogue connections for the service's worker threads: each request
// borrows one (with its prepared statements) and gives it back, so no
// connection is used by two threads at once and none is opened per request.
#include "matching/offer_finder.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tdu::server {

class finder_pool_t {
public:
    explicit finder_pool_t(std::string catalogue) : catalogue_(std::move(catalogue)) {}

    class lease_t {
    public:
        lease_t(finder_pool_t& pool, std::unique_ptr<offer_finder_t> finder)
            : pool_(pool), finder_(std::move(finder)) {}
        ~lease_t() { if (finder_) pool_.give_back(std::move(finder_)); }
        lease_t(const lease_t&) = delete;
        lease_t& operator=(const lease_t&) = delete;
        explicit operator bool() const { return finder_ != nullptr; }
        offer_finder_t* operator->() const { return finder_.get(); }
        offer_finder_t& operator*() const { return *finder_; }

    private:
        finder_pool_t& pool_;
        std::unique_ptr<offer_finder_t> finder_;
    };

    // A connection, opened when none is free; an empty lease with `error`
    // set when the catalogue cannot be opened.
    lease_t borrow(std::string& error);

private:
    void give_back(std::unique_ptr<offer_finder_t> finder);

    std::string catalogue_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<offer_finder_t>> free_;
    catalogue_cache_t cache_;
};

} // namespace tdu::server
