#include "service/update_response.h"

#include "common/ansi_text.h"
#include "common/last_error.h"
#include "common/sha256.h"
#include "common/text.h"
#include "common/xml_depth.h"

#include <tinyxml.h>

#include <algorithm>
#include <cctype>
#include <new>
#include <string>

namespace tdu {
namespace {

// The text of an element's first child when that child is a text node.
const char* element_text(const TiXmlElement* element)
{
    if (!element) return nullptr;
    const TiXmlNode* first = element->FirstChild();
    const TiXmlText* text = first ? first->ToText() : nullptr;
    return text ? text->Value() : nullptr;
}

// The texts of an item's fields, each from the first child element of that
// name ("" when there is none or its first child is no text). One walk over
// the item's children finds them all: asking for each name in turn walked the
// children once per field, with a name comparison at every step.
enum offer_field_t {
    field_hardid, field_title, field_ver, field_guid, field_manu, field_date, field_desc, field_link,
    field_official_link, field_size, field_cp, field_sign, field_targetos, field_feature, field_infpath,
    field_sha256, field_count
};

constexpr std::string_view offer_field_names[field_count] = {
    "hardid", "title", "ver", "guid", "manu", "date", "desc", "link",
    "official_link", "size", "cp", "sign", "targetos", "feature", "infpath", "sha256",
};

struct offer_texts_t {
    const char* text[field_count];
    const char* operator[](offer_field_t field) const { return text[field]; }
};

offer_texts_t read_offer_texts(const TiXmlElement& item)
{
    offer_texts_t texts;
    bool seen[field_count] = {};
    for (const char*& t : texts.text) t = "";
    int left = field_count;
    for (const TiXmlElement* child = item.FirstChildElement(); child && left > 0;
         child = child->NextSiblingElement()) {
        const std::string& name = child->ValueStr();
        for (int f = 0; f < field_count; ++f) {
            if (name != offer_field_names[f]) continue;
            if (!seen[f]) {
                seen[f] = true;
                --left;
                const char* text = element_text(child);
                if (text) texts.text[f] = text;
            }
            break;
        }
    }
    return texts;
}

template <size_t N>
void read_text_field(const char* text, char16_t (&field)[N])
{
    copy_field(field, N, ansi_to_utf16(text));
}

template <size_t N>
void read_byte_field(const char* text, char (&field)[N])
{
    copy_field(field, N, std::string_view(text));
}

int digit_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// The INF name: the package path with "/" turned into backslashes and its
// first folder dropped (drivers/net/e1000.inf gives net\e1000.inf). A bare
// file name is kept as it is, so the installation still finds it at the
// top of the package.
void read_inf_name(const char* text, driver_offer_t& offer)
{
    char16_t path[offer_inf_name_chars] = {};
    copy_field(path, offer_inf_name_chars, ansi_to_utf16(text));
    std::replace(path, path + offer_inf_name_chars, u'/', u'\\');
    u16view whole(path);
    size_t slash = whole.find(u'\\');
    copy_field(offer.inf_name, offer_inf_name_chars, slash == u16view::npos ? whole : whole.substr(slash + 1));
}

} // namespace

uint32_t read_unsigned(const char* text, int base)
{
    const char* p = text;
    while (*p && std::isspace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (base == 16 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && digit_value(p[2]) < 16) p += 2;
    uint64_t value = 0;
    bool overflow = false;
    for (; digit_value(*p) < base; ++p) {
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit_value(*p));
        if (value > 0xFFFFFFFFu) {
            overflow = true;
            value = 0xFFFFFFFFu;
        }
    }
    if (overflow) return 0xFFFFFFFFu;
    uint32_t v = static_cast<uint32_t>(value);
    return negative ? 0u - v : v;
}

// The package's digest, when the service names one: 64 hexadecimal digits,
// kept in lower case. An empty or missing element is no digest; any other
// text marks the offer refused, since nothing could check its package.
void read_sha256(const char* text, driver_offer_t& offer)
{
    offer.sha256[0] = '\0';
    offer.digest_malformed = false;
    if (text[0] == '\0') return;
    if (!is_sha256_hex(text)) {
        offer.digest_malformed = true;
        return;
    }
    for (size_t i = 0; i < 64; ++i)
        offer.sha256[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    offer.sha256[64] = '\0';
}

void parse_offer(const TiXmlElement& item, driver_offer_t& offer)
{
    const offer_texts_t t = read_offer_texts(item);
    read_text_field(t[field_hardid], offer.hardid);
    read_text_field(t[field_title], offer.title);
    read_text_field(t[field_ver], offer.version);
    read_text_field(t[field_guid], offer.guid);
    read_text_field(t[field_manu], offer.manufacturer);
    read_text_field(t[field_date], offer.date);
    read_text_field(t[field_desc], offer.description);
    read_byte_field(t[field_link], offer.link);
    read_byte_field(t[field_official_link], offer.official_link);
    offer.size = read_unsigned(t[field_size], 10);
    offer.cp = read_unsigned(t[field_cp], 10);
    offer.sign = read_unsigned(t[field_sign], 10);
    offer.targetos = read_unsigned(t[field_targetos], 10);
    offer.feature = read_unsigned(t[field_feature], 16);
    read_inf_name(t[field_infpath], offer);
    read_sha256(t[field_sha256], offer);
}

int32_t parse_offer_items(const TiXmlElement& hardware, device_t& device)
{
    int32_t count = 0;
    for (const TiXmlElement* item = hardware.FirstChildElement("item"); item && count < max_offers_per_device;
         item = item->NextSiblingElement("item"))
        ++count;
    if (count == 0) return 0;

    // The old array goes, and with it whatever pointed into it.
    device.best_offer = nullptr;
    device.latest_offer = nullptr;
    device.best_offer_better = false;
    device.latest_offer_newer = false;
    device.offers.reset();
    device.offers.reset(new (std::nothrow) driver_offer_t[static_cast<size_t>(count)]());
    if (!device.offers) return 0;

    int32_t read = 0;
    for (const TiXmlElement* item = hardware.FirstChildElement("item"); item && read < count;
         item = item->NextSiblingElement("item"))
        parse_offer(*item, device.offers[static_cast<size_t>(read++)]);
    return read;
}

bool parse_update_response(std::string_view body, device_inventory_t& inventory)
{
    // A zero byte inside is no XML text: TinyXML would read only what comes
    // before it, a document cut short.
    if (body.find('\0') != std::string_view::npos) return false;
    // TinyXML steps over a whole UTF-8 sequence as its lead byte announces
    // it, so a text that ends inside one makes it read past the terminating
    // zero. The answer is parsed from a copy followed by enough zeros to
    // stop it.
    std::string text(body);
    text.append(4, '\0');
    // TinyXML parses nesting by recursion: refuse what could exhaust the stack.
    if (!xml_nesting_acceptable(text)) return false;
    TiXmlDocument document;
    // Nothing reads the nodes' rows and columns: without a tab size TinyXML
    // does not count them, which was about a fifth of its parse.
    document.SetTabSize(0);
    document.Parse(text.c_str());
    // A truncated or malformed answer is not read at all: what TinyXML built
    // before the error would give other best offers and other counts.
    if (document.Error()) return false;
    const TiXmlElement* root = document.RootElement();
    const TiXmlElement* hardwares = root ? root->FirstChildElement("hardwares") : nullptr;
    const TiXmlElement* hardware = hardwares ? hardwares->FirstChildElement("hardware") : nullptr;
    if (!hardware) return false;

    for (; hardware; hardware = hardware->NextSiblingElement("hardware")) {
        const char* id = element_text(hardware->FirstChildElement("id"));
        if (!id) {
            set_last_error(error_bad_response);
            return false;
        }
        device_t* device = inventory_find_device(inventory, ansi_to_utf16(id));
        if (device) device->offer_count = parse_offer_items(*hardware, *device);
    }
    return true;
}

} // namespace tdu
