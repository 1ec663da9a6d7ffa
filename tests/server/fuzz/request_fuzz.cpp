// libFuzzer target: any bytes as the form field of an update request, both
// as a zlib stream and as the document itself, then answered without offers.
#include "offers/update_answer.h"
#include "protocol/update_request.h"

#include <cstddef>
#include <cstdint>
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
    if (!parse_update_request(document, limits, request, failure)) return 0;
    std::vector<answer_device_t> devices;
    for (const auto& d : request.devices) devices.push_back({d.id_bytes, {}});
    build_update_answer(devices, {"http://127.0.0.1:1/", request.ansi_code_page});
    return 0;
}
