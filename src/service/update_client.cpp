#include "service/update_client.h"

#include "common/files.h"
#include "common/last_error.h"
#include "service/builtin_answer_key.h"
#include "common/text.h"
#include "service/installed_links.h"
#include "service/local_source.h"
#include "service/offer_ranking.h"
#include "service/request_document.h"
#include "service/update_response.h"

#include <ctime>
#include <memory>
#include <vector>

namespace tdu {
namespace {

std::unique_ptr<update_client_t> process_client;

bool add_request_form(http_transfer_t& transfer, const std::vector<unsigned char>& body)
{
    // One part "kelptone" without file name or content type of its own.
    CURLFORMcode rc = curl_formadd(&transfer.form_first, &transfer.form_last,
                                   CURLFORM_COPYNAME, "kelptone",
                                   CURLFORM_COPYCONTENTS, reinterpret_cast<const char*>(body.data()),
                                   CURLFORM_CONTENTSLENGTH, static_cast<long>(body.size()),
                                   CURLFORM_END);
    return rc == CURL_FORMADD_OK;
}

// Sets last-error code and the request's error_text after every mirror
// failed; `last` is the answer of the third.
void record_mirror_failure(const http_response_t& last, update_request_t& request)
{
    if (last.status == 504) {
        set_last_error(error_network_timeout);
        return;
    }
    set_last_error(error_network_status);
    if (last.result == CURLE_WRITE_ERROR || last.status < 400) request.transport_result = last.result;
    if (last.result == CURLE_WRITE_ERROR)
        copy_field(request.error_text, sizeof request.error_text, std::string_view(last.error_text));
    else if (last.status < 400)
        copy_field(request.error_text, sizeof request.error_text,
                   std::string_view(curl_easy_strerror(static_cast<CURLcode>(last.result))));
}

int64_t system_clock_seconds() { return static_cast<int64_t>(std::time(nullptr)); }

} // namespace

std::vector<answer_key_t> configured_answer_keys(std::string* problem)
{
    std::vector<answer_key_t> keys;
    answer_key_t builtin;
    if (parse_answer_key(builtin_answer_key, builtin)) keys.push_back(builtin);
    endpoints_override_t machine = machine_value_lines(machine_answer_keys_value);
    if (!machine.error.empty() && problem) *problem = machine.error;
    size_t pos = 0;
    while (machine.present && pos <= machine.text.size()) {
        size_t end = machine.text.find('\n', pos);
        if (end == std::string::npos) end = machine.text.size();
        std::string line = machine.text.substr(pos, end - pos);
        pos = end + 1;
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        answer_key_t key;
        if (parse_answer_key(line, key))
            keys.push_back(key);
        else if (problem)
            *problem = machine.origin + ": not a public key: " + line;
    }
    return keys;
}

void update_client_init(update_client_t& client)
{
    for (int i = 0; i < mirror_count; ++i) client.mirrors[i] = endpoints().mirrors[i];
    client.trusted_keys = configured_answer_keys();
    client.clock = system_clock_seconds;
}

bool send_update_request(update_client_t& client, device_inventory_t& inventory, update_request_t& request)
{
    request.offers_source = offers_source_t::service;
    if (client.local_source) {
        request.offers_source = offers_source_t::driver_folder;
        return answer_from_local_source(client, *client.local_source, inventory, request);
    }
    std::string document = build_update_request(inventory.devices.data(), inventory.devices.size(), request);

    if (!client.update_transfer) {
        client.update_transfer.reset(transfer_create(update_response_capacity));
        if (!client.update_transfer) {
            set_last_error(error_transfer_create);
            return false;
        }
    }
    http_transfer_t& transfer = *client.update_transfer;

    std::vector<unsigned char> body;
    if (!compress_request(document, body)) {
        set_last_error(error_compress);
        return false;
    }

    // Each mirror gets one attempt, in order, with no wait between them. An
    // answer without a valid signature is never read: the next mirror is
    // asked, as after a failed transfer.
    const http_response_t* answer = nullptr;
    bool refused = false;
    request.signature_verdict = signature_verdict_t::valid;
    for (int i = 0; i < mirror_count && !answer; ++i) {
        if (!add_request_form(transfer, body)) {
            set_last_error(error_transfer_create);
            return false;
        }
        const http_response_t& response = transfer_request(transfer, client.mirrors[i].c_str(), transfer_method_post);
        request.response_status = response.status;
        if (response.result != 0 || response.status >= 400) continue;
        const body_buffer_t& received = *response.body;
        int64_t now = client.clock ? client.clock() : system_clock_seconds();
        signature_verdict_t verdict =
            verify_answer(response.signature, std::string_view(received.data.get(), static_cast<size_t>(received.used)),
                          document, now, client.trusted_keys);
        if (verdict == signature_verdict_t::valid) {
            answer = &response;
        } else {
            refused = true;
            request.signature_verdict = verdict;
        }
    }
    if (!answer && refused) {
        set_last_error(error_answer_refused);
        return false;
    }
    if (!answer) {
        record_mirror_failure(transfer.response, request);
        // The service cannot be reached: the folder beside the program, if
        // it is there, gives the offers instead.
        if (client.fallback_source && is_directory(client.fallback_source->folder)) {
            request.offers_source = offers_source_t::beside_program;
            request.error_text[0] = '\0';
            request.transport_result = 0;
            return answer_from_local_source(client, *client.fallback_source, inventory, request);
        }
        return false;
    }

    // All of the body: a zero byte inside it makes the answer unreadable.
    const body_buffer_t& received = *answer->body;
    if (!parse_update_response(std::string_view(received.data.get(), static_cast<size_t>(received.used)), inventory)) {
        set_last_error(error_bad_response);
        return false;
    }
    load_installed_links(client);
    for (device_t& device : inventory.devices) rank_device_offers(client, device, request);
    return true;
}

update_client_t& update_client()
{
    if (!process_client) {
        process_client = std::make_unique<update_client_t>();
        update_client_init(*process_client);
    }
    return *process_client;
}

void update_client_release()
{
    process_client.reset();
}

} // namespace tdu
