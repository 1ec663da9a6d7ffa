#include "protocol/update_request.h"

#include "offers/code_page.h"
#include "common/xml_depth.h"
#include "offers/xml_bytes.h"
#include "protocol/plain_xml.h"

#include <tinyxml.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace tdu::server {

namespace {

bool refuse(request_failure_t& failure, int status, std::string reason)
{
    failure.status = status;
    failure.reason = std::move(reason);
    return false;
}

// One ID per line; blank lines and surrounding white space are dropped.
bool split_ids(std::string_view text, unsigned code_page, std::size_t limit, std::vector<std::string>& out)
{
    std::string_view rest = text;
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

// The two readers of the request document, seen the same way: elements by
// name, an element's text ("" when it has none) and attributes.
struct tinyxml_tree_t {
    using element_t = const TiXmlElement*;
    static constexpr element_t none = nullptr;
    element_t root;
    std::string_view name(element_t e) const { return e->ValueStr(); }
    element_t first_child(element_t e, const char* name) const { return e->FirstChildElement(name); }
    element_t next_sibling(element_t e, const char* name) const { return e->NextSiblingElement(name); }
    std::string_view text(element_t e) const
    {
        const char* text = e->GetText();
        return text ? text : "";
    }
    std::optional<std::string_view> attribute(element_t e, const char* name) const
    {
        if (const char* value = e->Attribute(name)) return std::string_view(value);
        return std::nullopt;
    }
};

struct plain_tree_t {
    using element_t = plain_xml_t::element_t;
    static constexpr element_t none = -1;
    const plain_xml_t& xml;
    element_t root;
    std::string_view name(element_t e) const { return xml.name(e); }
    element_t first_child(element_t e, const char* name) const { return xml.first_child(e, name); }
    element_t next_sibling(element_t e, const char* name) const { return xml.next_sibling(e, name); }
    std::string_view text(element_t e) const { return xml.text(e); }
    std::optional<std::string_view> attribute(element_t e, const char* name) const { return xml.attribute(e, name); }
};

// The text of `parent`'s first child element `name`; none without one.
template <class Tree>
std::optional<std::string_view> element_text(const Tree& tree, typename Tree::element_t parent, const char* name)
{
    auto e = tree.first_child(parent, name);
    if (e == Tree::none) return std::nullopt;
    return tree.text(e);
}

template <class Tree>
bool read_request(const Tree& tree, const request_limits_t& limits, update_request_t& request,
                  request_failure_t& failure)
{
    auto root = tree.root;
    if (root == Tree::none || tree.name(root) != "kelptone")
        return refuse(failure, 400, "the root element is not <kelptone>");
    auto action = element_text(tree, root, "action");
    if (!action || *action != "ACTION_UPDATE_DRIVER") return refuse(failure, 400, "the action is not ACTION_UPDATE_DRIVER");
    auto client = tree.first_child(root, "client");
    auto os = client == Tree::none ? std::nullopt : tree.attribute(client, "os");
    if (!os) return refuse(failure, 400, "no <client> element with an os attribute");
    if (auto lang = tree.attribute(client, "lang")) {
        std::string digits(*lang);
        char* end = nullptr;
        unsigned long cp = std::strtoul(digits.c_str(), &end, 10);
        if (*end == '\0' && cp > 0 && cp < 65536) request.oem_code_page = static_cast<unsigned>(cp);
    }
    request.ansi_code_page = ansi_code_page_for_oem(request.oem_code_page);
    unsigned cp = request.ansi_code_page;
    request.os_code = *os;
    if (auto v = tree.attribute(client, "version")) request.client_version = *v;
    if (auto m = tree.attribute(client, "model")) request.model = ansi_to_utf8(*m, cp);
    auto hardwares = tree.first_child(root, "hardwares");
    if (hardwares == Tree::none) return refuse(failure, 400, "no <hardwares> element");
    for (auto h = tree.first_child(hardwares, "hardware"); h != Tree::none; h = tree.next_sibling(h, "hardware")) {
        if (request.devices.size() == limits.max_devices)
            return refuse(failure, 400, "more than " + std::to_string(limits.max_devices) + " devices");
        auto id = element_text(tree, h, "id");
        if (!id || id->empty()) return refuse(failure, 400, "a <hardware> element without a device <id>");
        // The answer echoes the ID byte for byte and the program matches it
        // to its device so; an ID holding a byte no XML document may carry
        // could be echoed only altered (or not well-formed), so the request
        // is refused, like any other that is not well-formed XML.
        std::string_view id_text = *id;
        if (std::size_t at = find_xml_forbidden_byte(id_text); at != std::string_view::npos) {
            char byte[8];
            std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(id_text[at]));
            return refuse(failure, 400, "device " + std::to_string(request.devices.size() + 1) +
                                            ": the <id> holds the byte " + byte + ", which XML does not allow");
        }
        request_device_t device;
        device.id_bytes = id_text;
        if (auto match = element_text(tree, h, "matchid")) device.match_id = ansi_to_utf8(*match, cp);
        if (!split_ids(element_text(tree, h, "hardids").value_or(""), cp, limits.max_ids, device.hardware_ids) ||
            !split_ids(element_text(tree, h, "compids").value_or(""), cp, limits.max_ids, device.compatible_ids))
            return refuse(failure, 400, "a device with more than " + std::to_string(limits.max_ids) + " IDs in a list");
        request.devices.push_back(std::move(device));
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
                          request_failure_t& failure, request_reader_t* used, bool general_only)
{
    request = update_request_t{};
    if (text.find('\0') != std::string_view::npos)
        return refuse(failure, 400, "the request document holds a zero byte");
    // The parser recurses once per level of nesting: a document nested
    // deeper than any request is refused before it is parsed.
    if (!tdu::xml_nesting_acceptable(text))
        return refuse(failure, 400, "the request document nests elements deeper than " +
                                        std::to_string(tdu::xml_max_depth) + " levels");
    // The plain form the program sends is read without building TinyXML's
    // document (a quarter of a request's processor time); anything else
    // is TinyXML's.
    if (used) *used = request_reader_t::general;
    if (!general_only) {
        plain_xml_t plain;
        if (plain.read(text)) {
            if (used) *used = request_reader_t::plain;
            return read_request(plain_tree_t{plain, plain.root()}, limits, request, failure);
        }
    }
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
    return read_request(tinyxml_tree_t{doc.RootElement()}, limits, request, failure);
}

} // namespace tdu::server
