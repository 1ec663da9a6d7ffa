#include "service/local_source.h"

#include "common/ansi_text.h"
#include "common/last_error.h"
#include "common/sha256.h"
#include "devices/device.h"
#include "offers/code_page.h"
#include "offers/xml_bytes.h"
#include "service/http_transfer.h"
#include "service/installed_links.h"
#include "service/offer_ranking.h"
#include "service/update_client.h"
#include "service/update_response.h"

#include <cstdio>
#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace tdu {
namespace {

// Offers a device keeps in the answer, as the service's default.
constexpr size_t local_offers_per_device = 8;

fs::path path_of(u16view text)
{
    return fs::path(std::u16string(text));
}

std::vector<std::string> utf8_ids(const u16& multi_string)
{
    std::vector<std::string> ids;
    for (const u16& id : device_id_list(multi_string)) ids.push_back(utf16_to_utf8(id));
    return ids;
}

// The device's ID as the request would send it, less the bytes an XML
// document cannot hold.
std::string answer_id(const device_t& device)
{
    std::string id = utf16_to_ansi(device.device_id);
    std::string out;
    for (char c : id)
        if (!offers::xml_forbids_byte(static_cast<unsigned char>(c))) out += c;
    return out;
}

} // namespace

std::shared_ptr<local_source_t> make_local_source(u16view folder, u16view download_folder)
{
    auto source = std::make_shared<local_source_t>();
    source->folder = u16(folder);
    std::error_code ec;
    fs::path absolute = fs::absolute(path_of(folder), ec);
    char digits[20];
    std::snprintf(digits, sizeof digits, "%016llx",
                  static_cast<unsigned long long>(std::hash<std::string>{}(absolute.generic_u8string())));
    source->cache = (path_of(download_folder) / "driver-folders" / digits).u16string();
    return source;
}

bool answer_from_local_source(update_client_t& client, local_source_t& source, device_inventory_t& inventory,
                             update_request_t& request)
{
    offers::folder_index_options_t options;
    options.folder = path_of(source.folder);
    options.cache = path_of(source.cache);
    options.stop = &source.stop;
    options.digest = [](const fs::path& file, std::string& hex) { return sha256_file_hex(file.u16string(), hex); };
    std::string error;
    if (!source.catalogue.index(options, source.progress, source.report, error)) {
        // The box names the folder in the interface's language; the reason
        // (English, for the console and the log) stays with the source.
        source.error = error;
        copy_field(request.error_text, sizeof request.error_text, utf16_to_utf8(source.folder));
        set_last_error(error == "stopped" ? error_stopped : error_driver_folder);
        return false;
    }
    std::vector<std::pair<std::string, offers::device_query_t>> devices;
    devices.reserve(inventory.devices.size());
    for (const device_t& device : inventory.devices)
        devices.emplace_back(answer_id(device),
                             offers::device_query_t{utf8_ids(device.hardware_ids), utf8_ids(device.compatible_ids)});
    unsigned code_page = offers::ansi_code_page_for_oem(static_cast<unsigned>(request.oem_code_page));
    std::string document;
    if (!source.catalogue.answer(std::move(devices), request.os_code, code_page, local_offers_per_device, document) ||
        !parse_update_response(document, inventory)) {
        set_last_error(error_bad_response);
        return false;
    }
    // Only the packages this folder offers may be copied through file:// links.
    for (const offers::folder_package_t& package : source.catalogue.packages())
        allow_local_package_link(offers::file_url(package.file));
    load_installed_links(client);
    for (device_t& device : inventory.devices) rank_device_offers(client, device, request);
    return true;
}

} // namespace tdu
