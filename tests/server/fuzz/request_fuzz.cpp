// libFuzzer target: any bytes as the form field of an update request, both
// as a zlib stream and as the document itself, then answered without offers.
// A document the plain reader takes must read as TinyXML reads it.
#include "offers/update_answer.h"
#include "protocol/update_request.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tdu::server;
    std::string bytes(reinterpret_cast<const char*>(data), size);
    request_limits_t limits;
    limits.max_inflated = 1 << 20;
    std::string document;
    request_failure_t failure;
    if (!inflate_request(bytes, limits.max_inflated, document, failure)) document = bytes;
    update_request_t request;
    request_reader_t used;
    bool read = parse_update_request(document, limits, request, failure, &used);
    if (used == request_reader_t::plain) {
        update_request_t general;
        request_failure_t general_failure;
        bool general_read = parse_update_request(document, limits, general, general_failure, nullptr, true);
        bool same = read == general_read && request.os_code == general.os_code &&
                    request.client_version == general.client_version && request.model == general.model &&
                    request.oem_code_page == general.oem_code_page && request.devices.size() == general.devices.size() &&
                    (read || failure.reason == general_failure.reason);
        for (std::size_t i = 0; same && i < request.devices.size(); ++i) {
            const auto &a = request.devices[i], &b = general.devices[i];
            same = a.id_bytes == b.id_bytes && a.match_id == b.match_id && a.hardware_ids == b.hardware_ids &&
                   a.compatible_ids == b.compatible_ids;
        }
        if (!same) std::abort();
    }
    if (!read) return 0;
    std::vector<answer_device_t> devices;
    for (const auto& d : request.devices) devices.push_back({d.id_bytes, {}});
    build_update_answer(devices, {"http://127.0.0.1:1/", request.ansi_code_page});
    return 0;
}
