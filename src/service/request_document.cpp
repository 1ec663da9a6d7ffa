#include "service/request_document.h"

#include "common/ansi_text.h"
#include "common/xml_writer.h"

#include <zlib.h>

namespace tdu {
namespace {

void add_hardware(TiXmlElement& hardwares, const device_t& device)
{
    TiXmlElement* hardware = add_element(hardwares, "hardware");
    add_cdata_element(*hardware, "id", utf16_to_ansi(device.device_id));
    add_cdata_element(*hardware, "matchid", device.has_driver ? utf16_to_ansi(device.matching_device_id) : "");
    // The lists are sent only when their first ID is not empty.
    std::string hardware_ids = join_device_ids(device.hardware_ids);
    if (!hardware_ids.empty()) add_cdata_element(*hardware, "hardids", hardware_ids);
    std::string compatible_ids = join_device_ids(device.compatible_ids);
    if (!compatible_ids.empty()) add_cdata_element(*hardware, "compids", compatible_ids);
}

} // namespace

std::string join_device_ids(const u16& multi_string)
{
    std::string out;
    for (const u16& id : device_id_list(multi_string)) {
        if (!out.empty()) out += '\n';
        out += utf16_to_ansi(id);
    }
    return out;
}

std::string build_update_request(const device_t* devices, size_t count, const update_request_t& request)
{
    TiXmlDocument document;
    add_utf8_declaration(document);
    TiXmlElement* root = add_element(document, "kelptone");
    add_text_element(*root, "action", "ACTION_UPDATE_DRIVER");
    TiXmlElement* client = add_element(*root, "client");
    client->SetAttribute("version", client_version);
    client->SetAttribute("os", request.os_code);
    client->SetAttribute("lang", std::to_string(request.oem_code_page));
    client->SetAttribute("model", utf16_to_ansi(request.model));
    // Added after the others: 10.0 is Windows 10 or 11, and the build tells
    // them (and the servers built on them) apart.
    client->SetAttribute("build", std::to_string(request.os_build));
    TiXmlElement* hardwares = add_element(*root, "hardwares");
    for (size_t i = 0; i < count; ++i) add_hardware(*hardwares, devices[i]);
    return print_document(document);
}

bool compress_request(const std::string& text, std::vector<unsigned char>& out)
{
    out.clear();
    z_stream z{};
    if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK) return false;
    const uLong guess = deflateBound(&z, static_cast<uLong>(text.size()));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    size_t produced = 0;
    int rc;
    do {
        // Grow by the guess (zero-filled) and let deflate fill the new part.
        out.resize(out.size() + guess, 0);
        z.next_out = out.data() + produced;
        z.avail_out = static_cast<uInt>(out.size() - produced);
        rc = deflate(&z, Z_FINISH);
        produced = out.size() - z.avail_out;
    } while (rc == Z_OK && z.avail_out == 0);
    bool complete = rc == Z_STREAM_END && z.avail_in == 0;
    deflateEnd(&z);
    out.resize(complete ? produced : 0);
    return complete;
}

} // namespace tdu
