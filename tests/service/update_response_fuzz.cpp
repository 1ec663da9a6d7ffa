// Arbitrary answers through the answer parser and the ranking: whatever the
// service sends, the devices end up with at most 500 offers whose texts fit
// their fields, ranking chooses only usable offers, and ranking and
// counting them is safe. The same bytes go through the signature reader, as
// a signature file and as the header that carries one: nothing forged is
// ever accepted (no key signs here), and reading it is safe.
#include "common/ansi_text.h"
#include "service/answer_signature.h"
#include "service/offer_ranking.h"
#include "service/update_response.h"
#include "support/sample_devices.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace tdu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        const std::string_view text(reinterpret_cast<const char*>(data), size);
        answer_signature_t signature;
        parse_answer_signature(text, signature);
        answer_key_t key;
        parse_answer_key(text, key);
        const std::vector<answer_key_t> keys(1);  // an all-zero key nobody holds the secret of
        const std::string header = base64_encode(data, size);
        for (std::string_view value : {text, std::string_view(header)})
            if (verify_answer(value, "<answer/>", "<request/>", 0, keys) == signature_verdict_t::valid) std::abort();
    }
    use_ansi_code_page(&windows_1252_code_page());
    device_inventory_t inventory = test::sample_inventory();
    std::string body(reinterpret_cast<const char*>(data), size);  // zero-terminated, as the body buffer is
    parse_update_response(body.c_str(), inventory);

    update_client_t client;
    client.installed_links = {"http://127.0.0.1/installed.zip"};
    for (int32_t os_version : {51, 61}) {
        update_request_t request;
        request.os_version = os_version;
        for (device_t& device : inventory.devices) {
            if (device.offer_count < 0 || device.offer_count > max_offers_per_device) std::abort();
            for (int32_t i = 0; i < device.offer_count; ++i) {
                const driver_offer_t& o = device.offers[i];
                if (o.link[offer_link_bytes - 1] != 0 || o.description[offer_description_chars - 1] != 0) std::abort();
            }
            rank_device_offers(client, device, request);
            // The chosen offers are usable ones of the array; only a device
            // without a usable offer has none.
            bool any_usable = false;
            for (int32_t i = 0; i < device.offer_count; ++i) any_usable = any_usable || offer_usable(device.offers[i]);
            for (const driver_offer_t* chosen : {device.best_offer, device.latest_offer}) {
                if (device.offer_count <= 0) continue;
                if (!chosen) {
                    if (any_usable) std::abort();
                    continue;
                }
                if (chosen < device.offers.get() || chosen >= device.offers.get() + device.offer_count ||
                    !offer_usable(*chosen))
                    std::abort();
            }
        }
    }
    count_offer_results(inventory.devices.data(), inventory.devices.size());
    use_ansi_code_page(nullptr);
    return 0;
}
