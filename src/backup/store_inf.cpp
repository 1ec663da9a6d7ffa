#include "backup/store_inf.h"

#include "common/ansi_text.h"
#include "common/file_io.h"
#include "common/ignore_case.h"

#include <cstdio>
#include <map>
#include <string>

namespace tdu {
namespace {

struct inf_line_t {
    u16 key;                  // empty for a line without "="
    std::vector<u16> fields;  // the value's comma-separated fields, quotes removed, trimmed
};

using inf_sections_t = std::map<u16, std::vector<inf_line_t>>;  // upper-case section name

bool is_space(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f' || c == u'\v';
}

u16view trim(u16view s)
{
    while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
    return s;
}

// Splits a value at the commas outside quotes; "" inside quotes is one quote.
std::vector<u16> split_fields(u16view value)
{
    std::vector<u16> fields;
    u16 field;
    bool quoted = false;
    bool any = false;
    for (size_t i = 0; i < value.size(); ++i) {
        char16_t c = value[i];
        any = true;
        if (c == u'"') {
            if (quoted && i + 1 < value.size() && value[i + 1] == u'"') {
                field.push_back(u'"');
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (c == u',' && !quoted) {
            fields.push_back(u16(trim(field)));
            field.clear();
        } else {
            field.push_back(c);
        }
    }
    if (any) fields.push_back(u16(trim(field)));
    return fields;
}

// The logical lines of the text: comments (";" outside quotes) removed,
// lines ending in "\" joined with the next.
std::vector<u16> logical_lines(u16view text)
{
    std::vector<u16> lines;
    u16 current;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find(u'\n', at);
        if (end == u16view::npos) end = text.size();
        u16view raw = text.substr(at, end - at);
        bool quoted = false;
        size_t cut = raw.size();
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == u'"') quoted = !quoted;
            if (raw[i] == u';' && !quoted) {
                cut = i;
                break;
            }
        }
        u16view part = trim(raw.substr(0, cut));
        if (!part.empty() && part.back() == u'\\') {
            current.append(part.substr(0, part.size() - 1));
        } else {
            current.append(part);
            if (!trim(current).empty()) lines.push_back(current);
            current.clear();
        }
        at = end + 1;
    }
    if (!trim(current).empty()) lines.push_back(current);
    return lines;
}

inf_sections_t read_sections(u16view text)
{
    inf_sections_t sections;
    std::vector<inf_line_t>* section = nullptr;
    for (const u16& line : logical_lines(text)) {
        u16view l = trim(line);
        if (l.front() == u'[') {
            size_t close = l.find(u']');
            u16view name = trim(l.substr(1, close == u16view::npos ? u16view::npos : close - 1));
            section = &sections[upper_case(name)];
            continue;
        }
        if (!section) continue;
        inf_line_t entry;
        // The key ends at the first "=" outside quotes.
        bool quoted = false;
        size_t equals = u16view::npos;
        for (size_t i = 0; i < l.size(); ++i) {
            if (l[i] == u'"') quoted = !quoted;
            if (l[i] == u'=' && !quoted) {
                equals = i;
                break;
            }
        }
        if (equals == u16view::npos) {
            entry.fields = split_fields(l);
        } else {
            std::vector<u16> key = split_fields(l.substr(0, equals));
            entry.key = key.empty() ? u16() : key.front();
            entry.fields = split_fields(l.substr(equals + 1));
        }
        section->push_back(std::move(entry));
    }
    return sections;
}

const std::vector<inf_line_t>* section_of(const inf_sections_t& sections, u16view name)
{
    auto found = sections.find(upper_case(name));
    return found == sections.end() ? nullptr : &found->second;
}

// The first field of the key's line in `section`, or empty.
u16 value_of(const inf_sections_t& sections, u16view section, u16view key)
{
    const std::vector<inf_line_t>* lines = section_of(sections, section);
    if (!lines) return {};
    for (const inf_line_t& line : *lines) {
        if (equals_ignore_case(line.key, key)) return line.fields.empty() ? u16() : line.fields.front();
    }
    return {};
}

// "%name%" replaced by the [Strings] value of that name (any letter case);
// "%%" is a percent sign; an unknown token stays as it is.
u16 expand_tokens(const inf_sections_t& sections, u16view value)
{
    u16 out;
    size_t at = 0;
    while (at < value.size()) {
        size_t open = value.find(u'%', at);
        if (open == u16view::npos) break;
        size_t close = value.find(u'%', open + 1);
        if (close == u16view::npos) break;
        out.append(value.substr(at, open - at));
        u16view name = value.substr(open + 1, close - open - 1);
        if (name.empty()) {
            out.push_back(u'%');
        } else {
            u16 replaced = value_of(sections, u"Strings", name);
            if (replaced.empty())
                out.append(value.substr(open, close - open + 1));
            else
                out.append(replaced);
        }
        at = close + 1;
    }
    out.append(value.substr(std::min(at, value.size())));
    return out;
}

bool parse_number(u16view text, int& value)
{
    if (text.empty() || text.size() > 4) return false;
    value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return false;
        value = value * 10 + (c - u'0');
    }
    return true;
}

void append_two_digits(u16& out, int value)
{
    out.push_back(static_cast<char16_t>(u'0' + value / 10 % 10));
    out.push_back(static_cast<char16_t>(u'0' + value % 10));
}

} // namespace

u16 inf_date_to_iso(u16view date)
{
    date = trim(date);
    size_t first = date.find_first_of(u"/-");
    if (first == u16view::npos) return {};
    size_t second = date.find_first_of(u"/-", first + 1);
    if (second == u16view::npos) return {};
    int month = 0, day = 0, year = 0;
    if (!parse_number(date.substr(0, first), month) || !parse_number(date.substr(first + 1, second - first - 1), day) ||
        !parse_number(date.substr(second + 1), year))
        return {};
    if (month < 1 || month > 12 || day < 1 || day > 31 || year < 1000) return {};
    u16 out;
    append_two_digits(out, year / 100);
    append_two_digits(out, year % 100);
    out.push_back(u'-');
    append_two_digits(out, month);
    out.push_back(u'-');
    append_two_digits(out, day);
    return out;
}

store_inf_t parse_store_inf(u16view text)
{
    inf_sections_t sections = read_sections(text);
    store_inf_t inf;
    inf.provider = expand_tokens(sections, value_of(sections, u"Version", u"Provider"));
    inf.class_name = expand_tokens(sections, value_of(sections, u"Version", u"Class"));
    inf.class_guid = value_of(sections, u"Version", u"ClassGuid");
    if (const std::vector<inf_line_t>* version = section_of(sections, u"Version")) {
        for (const inf_line_t& line : *version) {
            if (!equals_ignore_case(line.key, u"DriverVer")) continue;
            if (!line.fields.empty()) inf.driver_date = inf_date_to_iso(expand_tokens(sections, line.fields[0]));
            if (line.fields.size() > 1) inf.driver_version = expand_tokens(sections, line.fields[1]);
            break;
        }
    }
    // [Manufacturer] names the models sections, each with its decorations:
    // "%Mfg% = Models, NTamd64" means [Models] and [Models.NTamd64].
    if (const std::vector<inf_line_t>* makers = section_of(sections, u"Manufacturer")) {
        for (const inf_line_t& maker : *makers) {
            if (maker.fields.empty() || maker.fields.front().empty()) continue;
            std::vector<u16> models = {maker.fields.front()};
            for (size_t i = 1; i < maker.fields.size(); ++i) {
                if (!maker.fields[i].empty()) models.push_back(maker.fields.front() + u"." + maker.fields[i]);
            }
            for (const u16& name : models) {
                const std::vector<inf_line_t>* lines = section_of(sections, name);
                if (!lines) continue;
                for (const inf_line_t& line : *lines) {
                    // description = install section, hardware ID, compatible IDs...
                    for (size_t i = 1; i < line.fields.size(); ++i) {
                        const u16& id = line.fields[i];
                        if (id.empty()) continue;
                        bool known = false;
                        for (const u16& seen : inf.hardware_ids) known = known || equals_ignore_case(seen, id);
                        if (!known) inf.hardware_ids.push_back(id);
                    }
                }
            }
        }
    }
    return inf;
}

u16 decode_inf_bytes(std::string_view bytes)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xff && static_cast<unsigned char>(bytes[1]) == 0xfe) {
        u16 text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                 static_cast<unsigned char>(bytes[i + 1]) << 8));
        return text;
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xef\xbb\xbf") return utf8_to_utf16(bytes.substr(3));
    return ansi_to_utf16(bytes);
}

bool read_store_inf(u16view path, store_inf_t& inf)
{
    u16 p(path);
    std::FILE* file = open_file(p.c_str(), "rb");
    if (!file) return false;
    std::string bytes;
    char buffer[16384];
    size_t n;
    // An INF is small; a file of many megabytes is not one to read whole.
    constexpr size_t most = 16u << 20;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0 && bytes.size() < most) bytes.append(buffer, n);
    bool ok = !std::ferror(file);
    std::fclose(file);
    if (!ok) return false;
    inf = parse_store_inf(decode_inf_bytes(bytes));
    return true;
}

} // namespace tdu
