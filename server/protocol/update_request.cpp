#include "protocol/update_request.h"

#include "offers/code_page.h"
#include "common/xml_depth.h"
#include "offers/xml_bytes.h"

#include <tinyxml.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>

namespace tdu::server {

namespace {

bool refuse(request_failure_t& failure, int status, std::string reason)
{
    failure.status = status;
    failure.reason = std::move(reason);
    return false;
}

const char* element_text(const TiXmlElement* parent, const char* name)
{
    const TiXmlElement* e = parent->FirstChildElement(name);
    if (!e) return nullptr;
    const char* text = e->GetText();
    return text ? text : "";
}

// One ID per line; blank lines and surrounding white space are dropped.
bool split_ids(const char* text, unsigned code_page, std::size_t limit, std::vector<std::string>& out)
{
    std::string_view rest(text ? text : "");
    while (!rest.empty()) {
        size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        if (line.empty()) continue;
        if (out.size() == limit) return false;
        out.push_back(ansi_to_utf8(line, code_page));
    }
    return true;
}

} // namespace

bool inflate_request(std::string_view compressed, std::size_t limit, std::string& out, request_failure_t& failure)
{
    out.clear();
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return refuse(failure, 500, "cannot start zlib");
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    z.avail_in = static_cast<uInt>(compressed.size());
    char buffer[65536];
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        size_t produced = sizeof buffer - z.avail_out;
        if (out.size() + produced > limit) {
            inflateEnd(&z);
            return refuse(failure, 413, "the request inflates to more than " + std::to_string(limit) + " bytes");
        }
        out.append(buffer, produced);
        if (rc == Z_BUF_ERROR && z.avail_in == 0) break; // input used up before the end
    }
    size_t left = z.avail_in;
    inflateEnd(&z);
    if (rc == Z_STREAM_END && left == 0) return true;
    if (rc == Z_STREAM_END) return refuse(failure, 400, "bytes after the end of the zlib stream");
    if (rc == Z_BUF_ERROR || rc == Z_OK) return refuse(failure, 400, "the zlib stream is cut short");
    return refuse(failure, 400, "the form field \"kelptone\" is not a zlib stream");
}

bool parse_update_request(std::string_view text, const request_limits_t& limits, update_request_t& request,
                          request_failure_t& failure)
{
    request = update_request_t{};
    if (text.find('\0') != std::string_view::npos)
        return refuse(failure, 400, "the request document holds a zero byte");
    // The parser recurses once per level of nesting: a document nested
    // deeper than any request is refused before it is parsed.
    if (!tdu::xml_nesting_acceptable(text))
        return refuse(failure, 400, "the request document nests elements deeper than " +
                                        std::to_string(tdu::xml_max_depth) + " levels");
    TiXmlDocument doc;
    // Bytes are the client's code page whatever the declaration says, so
    // TinyXML must not read them as UTF-8. Rows and columns serve only to
    // say where an error is, and tracking them costs a pass over every
    // node's text: a document is read without them, and one that is not
    // well-formed is read again with them for its message.
    std::string owned(text);
    doc.SetTabSize(0);
    doc.Parse(owned.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    if (doc.Error()) {
        TiXmlDocument located;
        located.Parse(owned.c_str(), nullptr, TIXML_ENCODING_LEGACY);
        return refuse(failure, 400, std::string("the request document is not well-formed XML: ") +
                                        located.ErrorDesc() + " (line " + std::to_string(located.ErrorRow()) + ")");
    }
    const TiXmlElement* root = doc.RootElement();
    if (!root || root->ValueStr() != "kelptone") return refuse(failure, 400, "the root element is not <kelptone>");
    const char* action = element_text(root, "action");
    if (!action || std::string_view(action) != "ACTION_UPDATE_DRIVER")
        return refuse(failure, 400, "the action is not ACTION_UPDATE_DRIVER");
    const TiXmlElement* client = root->FirstChildElement("client");
    if (!client || !client->Attribute("os")) return refuse(failure, 400, "no <client> element with an os attribute");
    if (const char* lang = client->Attribute("lang")) {
        char* end = nullptr;
        unsigned long cp = std::strtoul(lang, &end, 10);
        if (*end == '\0' && cp > 0 && cp < 65536) request.oem_code_page = static_cast<unsigned>(cp);
    }
    request.ansi_code_page = ansi_code_page_for_oem(request.oem_code_page);
    unsigned cp = request.ansi_code_page;
    request.os_code = client->Attribute("os");
    if (const char* v = client->Attribute("version")) request.client_version = v;
    if (const char* m = client->Attribute("model")) request.model = ansi_to_utf8(m, cp);
    const TiXmlElement* hardwares = root->FirstChildElement("hardwares");
    if (!hardwares) return refuse(failure, 400, "no <hardwares> element");
    for (const TiXmlElement* h = hardwares->FirstChildElement("hardware"); h; h = h->NextSiblingElement("hardware")) {
        if (request.devices.size() == limits.max_devices)
            return refuse(failure, 400, "more than " + std::to_string(limits.max_devices) + " devices");
        const char* id = element_text(h, "id");
        if (!id || !*id) return refuse(failure, 400, "a <hardware> element without a device <id>");
        // The answer echoes the ID byte for byte and the program matches it
        // to its device so; an ID holding a byte no XML document may carry
        // could be echoed only altered (or not well-formed), so the request
        // is refused, like any other that is not well-formed XML.
        std::string_view id_text(id);
        if (std::size_t at = find_xml_forbidden_byte(id_text); at != std::string_view::npos) {
            char byte[8];
            std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(id_text[at]));
            return refuse(failure, 400, "device " + std::to_string(request.devices.size() + 1) +
                                            ": the <id> holds the byte " + byte + ", which XML does not allow");
        }
        request_device_t device;
        device.id_bytes = id;
        if (const char* match = element_text(h, "matchid")) device.match_id = ansi_to_utf8(match, cp);
        if (!split_ids(element_text(h, "hardids"), cp, limits.max_ids, device.hardware_ids) ||
            !split_ids(element_text(h, "compids"), cp, limits.max_ids, device.compatible_ids))
            return refuse(failure, 400, "a device with more than " + std::to_string(limits.max_ids) + " IDs in a list");
        request.devices.push_back(std::move(device));
    }
    return true;
}

} // namespace tdu::server
