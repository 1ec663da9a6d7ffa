#include "offers/update_answer.h"

#include "offers/code_page.h"
#include "offers/xml_bytes.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace tdu::offers {

namespace {

std::string encoding_name(unsigned code_page)
{
    switch (code_page) {
    case 932: return "Shift_JIS";
    case 936: return "GBK";
    case 949: return "EUC-KR";
    case 950: return "Big5";
    default: return "windows-" + std::to_string(code_page);
    }
}

std::string hex(unsigned v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", v);
    return buf;
}

// Where the document goes: appended to a string, or only counted.
struct text_sink_t {
    std::string& out;
    void put(std::string_view s) { out.append(s); }
};
struct size_sink_t {
    std::size_t bytes = 0;
    void put(std::string_view s) { bytes += s.size(); }
};

// Text content as an XML parser reads it back: markup characters as
// entities, TAB, LF and CR as character references (a parser would turn a
// raw CR into LF), every other byte as is. The control bytes XML cannot
// carry at all, not even as references, are left out: the document stays
// well-formed.
// Bytes a field cannot hold as they are: markup and control bytes.
struct special_bytes_t {
    bool special[256] = {};
    constexpr special_bytes_t()
    {
        for (int c = 0; c < 32; ++c) special[c] = true;
        for (unsigned char c : {'&', '<', '>', '"', '\''}) special[c] = true;
    }
};
constexpr special_bytes_t special_bytes;

template <class Sink> void put_escaped(Sink& sink, std::string_view text)
{
    std::size_t plain = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (!special_bytes.special[c]) continue;
        const char* entity = c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '"' ? "&quot;"
                             : c == '\'' ? "&apos;" : nullptr;
        if (!entity && c >= 32) continue;
        sink.put(text.substr(plain, i - plain));
        if (entity) {
            sink.put(entity);
        } else if (!xml_forbids_byte(c)) {
            char ref[8];
            std::snprintf(ref, sizeof ref, "&#x%02X;", c);
            sink.put(ref);
        }
        plain = i + 1;
    }
    sink.put(text.substr(plain));
}

template <class Sink> void put_field(Sink& sink, const char* name, std::string_view text)
{
    sink.put("\t\t\t\t<");
    sink.put(name);
    sink.put(">");
    put_escaped(sink, text);
    sink.put("</");
    sink.put(name);
    sink.put(">\n");
}

bool plain_ascii(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// A field whose text is UTF-8 in the catalogue, in the answer's code page:
// plain ASCII (most text) goes out as it is, without a converted copy.
template <class Sink> void put_ansi_field(Sink& sink, const char* name, std::string_view utf8, unsigned cp)
{
    if (plain_ascii(utf8)) return put_field(sink, name, utf8);
    put_field(sink, name, utf8_to_ansi(utf8, cp));
}

template <class Sink> void put_item(Sink& sink, const offer_t& o, const answer_context_t& context)
{
    unsigned cp = context.ansi_code_page;
    sink.put("\t\t\t<item>\n");
    put_ansi_field(sink, "hardid", o.hardid, cp);
    put_ansi_field(sink, "title", o.title, cp);
    put_field(sink, "ver", o.version);
    put_field(sink, "size", std::to_string(o.size));
    put_ansi_field(sink, "guid", o.guid, cp);
    put_field(sink, "link", o.link.empty() ? package_link(context.base_url, o.package, o.sha256) : o.link);
    put_ansi_field(sink, "infpath", answer_inf_path(o.package, o.inf_path), cp);
    put_field(sink, "official_link", package_page_link(context.base_url, o.package));
    put_field(sink, "cp", std::to_string(o.cp));
    put_ansi_field(sink, "manu", o.manufacturer, cp);
    put_field(sink, "sign", std::to_string(o.sign));
    put_field(sink, "feature", hex(o.feature));
    put_field(sink, "targetos", std::to_string(o.target_os));
    put_field(sink, "date", o.date);
    // Made in one buffer sized for it, not in a chain of temporaries.
    std::string desc;
    desc.reserve(o.title.size() + o.class_name.size() + o.version.size() + o.date.size() + o.provider.size() + 24);
    desc.assign(o.title).append(": ").append(o.class_name).append(" driver ").append(o.version);
    desc.append(" of ").append(o.date).append(" from ").append(o.provider);
    put_ansi_field(sink, "desc", desc, cp);
    if (!o.sha256.empty()) put_field(sink, "sha256", o.sha256);
    sink.put("\t\t\t</item>\n");
}

// A device's element without its items: the ID in a CDATA section, or as
// escaped text when it holds the section's own end mark or a byte XML
// cannot carry (the request reader refuses such IDs; the writer still never
// puts one out).
template <class Sink> void put_device_open(Sink& sink, const answer_device_t& device)
{
    sink.put("\t\t<hardware>\n\t\t\t<id>");
    if (device.id_bytes.find("]]>") == std::string::npos &&
        find_xml_forbidden_byte(device.id_bytes) == std::string_view::npos) {
        sink.put("\n\t\t\t\t<![CDATA[");
        sink.put(device.id_bytes);
        sink.put("]]>\n\t\t\t");
    } else {
        put_escaped(sink, device.id_bytes);
    }
    sink.put("</id>\n");
}

template <class Sink> void put_document_open(Sink& sink, const answer_context_t& context)
{
    sink.put("<?xml version=\"1.0\" encoding=\"");
    sink.put(encoding_name(context.ansi_code_page));
    sink.put("\" ?>\n<kelptone>\n\t<hardwares>\n");
}

constexpr std::string_view device_close = "\t\t</hardware>\n";
constexpr std::string_view document_close = "\t</hardwares>\n</kelptone>\n";

template <class Sink>
void put_document(Sink& sink, const std::vector<answer_device_t>& devices, const answer_context_t& context)
{
    put_document_open(sink, context);
    for (const auto& device : devices) {
        put_device_open(sink, device);
        for (const auto& o : device.offers) put_item(sink, o, context);
        sink.put(device_close);
    }
    sink.put(document_close);
}

} // namespace

std::string percent_encode(const std::string& text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                     c == '.' || c == '_' || c == '~';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

std::string package_link(const std::string& base_url, const std::string& package, const std::string& sha256)
{
    if (sha256.size() < package_version_digits) return base_url + "packages/" + percent_encode(package);
    return base_url + "packages/" + sha256.substr(0, package_version_digits) + "/" + percent_encode(package);
}

std::string package_page_link(const std::string& base_url, const std::string& package)
{
    return base_url + "drivers/" + percent_encode(package);
}

std::string answer_inf_path(const std::string& package, const std::string& inf_path)
{
    size_t dot = package.rfind('.');
    return (dot == std::string::npos || dot == 0 ? package : package.substr(0, dot)) + "/" + inf_path;
}

namespace {

// More than the document can take: every byte of text written as a
// character reference (6 bytes), plus the markup around the fields.
std::size_t size_bound(const std::vector<answer_device_t>& devices, const answer_context_t& context)
{
    constexpr std::size_t markup = 1024; // tags, indents, numbers of one item
    std::size_t bound = 256 + context.base_url.size();
    for (const auto& device : devices) {
        bound += 64 + 6 * device.id_bytes.size();
        for (const auto& o : device.offers) {
            std::size_t text = o.hardid.size() + 2 * o.title.size() + 2 * o.version.size() + o.guid.size() +
                               2 * (context.base_url.size() + 10 + package_version_digits + 3 * o.package.size()) + o.package.size() + 1 +
                               o.inf_path.size() + o.manufacturer.size() + o.class_name.size() +
                               2 * o.date.size() + o.provider.size() + o.sha256.size() + 40;
            bound += markup + 6 * text;
        }
    }
    return bound;
}

} // namespace

bool fit_answer_budget(std::vector<answer_device_t>& devices, const answer_context_t& context)
{
    // Most answers are far below the budget: no need to measure them.
    if (size_bound(devices, context) <= context.max_bytes) return true;
    size_sink_t bare;
    put_document_open(bare, context);
    bare.put(document_close);
    for (const auto& device : devices) {
        put_device_open(bare, device);
        bare.put(device_close);
    }
    if (bare.bytes > context.max_bytes) return false;
    // Each device's n-th offer joins in round n, device after device, while
    // it fits; what does not fit is left out with all the offers after it.
    std::size_t total = bare.bytes;
    std::vector<std::size_t> kept(devices.size(), 0);
    std::vector<bool> full(devices.size(), false);
    bool added = true;
    for (std::size_t round = 0; added; ++round) {
        added = false;
        for (std::size_t d = 0; d < devices.size(); ++d) {
            if (full[d] || round >= devices[d].offers.size()) continue;
            size_sink_t item;
            put_item(item, devices[d].offers[round], context);
            if (total + item.bytes > context.max_bytes) {
                full[d] = true;
                continue;
            }
            total += item.bytes;
            kept[d] = round + 1;
            added = true;
        }
    }
    for (std::size_t d = 0; d < devices.size(); ++d) devices[d].offers.resize(kept[d]);
    return true;
}

std::size_t update_answer_size(const std::vector<answer_device_t>& devices, const answer_context_t& context)
{
    size_sink_t sink;
    put_document(sink, devices, context);
    return sink.bytes;
}

std::string build_update_answer(const std::vector<answer_device_t>& devices, const answer_context_t& context)
{
    // About a kilobyte an offer: room for the whole document, so that it is
    // not copied again and again as it grows.
    std::size_t offers = 0;
    for (const auto& d : devices) offers += d.offers.size();
    std::string out;
    out.reserve(4096 + 256 * devices.size() + 1280 * offers);
    text_sink_t sink{out};
    put_document(sink, devices, context);
    return out;
}

} // namespace tdu::offers
