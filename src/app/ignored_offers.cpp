#include "app/ignored_offers.h"

#include "common/registry_types.h"

#include <algorithm>
#include <cstring>

namespace tdu {

const char16_t ignored_offers_value[] = u"ignored_updates";

namespace {

constexpr char16_t field_separator = u'\t';

// A field as stored: no separator, no line break, no zero inside it.
u16 stored_field(u16view text)
{
    u16 out(text);
    for (char16_t& c : out)
        if (c == u'\t' || c == u'\r' || c == u'\n' || c == 0) c = u' ';
    return out;
}

// The registry holds at most this much for the list (a REG_MULTI_SZ of a
// few thousand entries); more is not read.
constexpr uint32_t max_stored_bytes = 4u * 1024u * 1024u;

// The one matching rule: the device ID without regard to ASCII case, the
// version and the date exactly.
bool entry_names(const ignored_offer_t& e, u16view hardware_id, u16view version, u16view date)
{
    return equals_ignore_case_ascii(e.hardware_id, hardware_id) && e.version == version && e.date == date;
}

} // namespace

bool same_ignored_offer(const ignored_offer_t& a, const ignored_offer_t& b)
{
    return entry_names(a, b.hardware_id, b.version, b.date);
}

bool offer_ignored(const ignored_offers_t& list, u16view hardware_id, u16view version, u16view date)
{
    return std::any_of(list.begin(), list.end(),
                       [&](const ignored_offer_t& e) { return entry_names(e, hardware_id, version, date); });
}

bool ignore_offer(ignored_offers_t& list, ignored_offer_t entry)
{
    entry.hardware_id = stored_field(entry.hardware_id);
    entry.version = stored_field(entry.version);
    entry.date = stored_field(entry.date);
    entry.title = stored_field(entry.title);
    if (entry.hardware_id.empty()) return false;
    for (const ignored_offer_t& e : list)
        if (same_ignored_offer(e, entry)) return false;
    list.push_back(std::move(entry));
    return true;
}

bool stop_ignoring_offer(ignored_offers_t& list, const ignored_offer_t& entry)
{
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const ignored_offer_t& e) { return same_ignored_offer(e, entry); });
    if (it == list.end()) return false;
    list.erase(it);
    return true;
}

u16 ignored_offers_to_multi_string(const ignored_offers_t& list)
{
    u16 out;
    for (const ignored_offer_t& e : list) {
        out += stored_field(e.hardware_id);
        out += field_separator;
        out += stored_field(e.version);
        out += field_separator;
        out += stored_field(e.date);
        out += field_separator;
        out += stored_field(e.title);
        out += char16_t(0);
    }
    out += char16_t(0);
    return out;
}

ignored_offers_t ignored_offers_from_multi_string(u16view multi_string)
{
    ignored_offers_t list;
    size_t start = 0;
    while (start < multi_string.size()) {
        size_t end = multi_string.find(char16_t(0), start);
        if (end == u16view::npos) end = multi_string.size();
        u16view entry = multi_string.substr(start, end - start);
        if (entry.empty()) break;
        start = end + 1;
        size_t first = entry.find(field_separator);
        if (first == u16view::npos) continue;
        size_t second = entry.find(field_separator, first + 1);
        if (second == u16view::npos) continue;
        size_t third = entry.find(field_separator, second + 1);
        ignored_offer_t e;
        e.hardware_id = u16(entry.substr(0, first));
        e.version = u16(entry.substr(first + 1, second - first - 1));
        if (third == u16view::npos) {
            e.date = u16(entry.substr(second + 1));
        } else {
            e.date = u16(entry.substr(second + 1, third - second - 1));
            e.title = u16(entry.substr(third + 1));
        }
        ignore_offer(list, std::move(e));
    }
    return list;
}

ignored_offers_t load_ignored_offers(registry_key_c& key)
{
    uint32_t type = reg_none, size = 0;
    if (key.query_value(ignored_offers_value, &type, nullptr, &size) != reg_ok) return {};
    if (type != reg_multi_sz || size < 2 || size > max_stored_bytes) return {};
    std::vector<uint8_t> data(size);
    if (key.query_value(ignored_offers_value, &type, data.data(), &size) != reg_ok || type != reg_multi_sz) return {};
    u16 text(size / 2, u'\0');
    std::memcpy(text.data(), data.data(), text.size() * 2);
    return ignored_offers_from_multi_string(text);
}

long save_ignored_offers(registry_key_c& key, const ignored_offers_t& list)
{
    if (list.empty()) {
        long rc = key.delete_value(ignored_offers_value);
        return rc == reg_file_not_found ? reg_ok : rc;
    }
    u16 text = ignored_offers_to_multi_string(list);
    return key.set_value(ignored_offers_value, reg_multi_sz, text.data(), static_cast<uint32_t>(text.size() * 2));
}

} // namespace tdu
