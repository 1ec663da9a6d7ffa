#include "offers/inf_file.h"

#include <algorithm>

namespace tdu::offers {

namespace {

// A logical line longer than this is taken for a broken or hostile file
// (Windows itself stops at 4,096 characters per string).
constexpr size_t max_logical_line = 64 * 1024;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s)
{
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

// Cuts a ';' comment (outside quotes) and tells whether the line ends in the
// continuation mark. False when a quoted string is left open.
bool clean_physical_line(std::string_view raw, std::string& out, bool& continues)
{
    bool in_quote = false;
    size_t end = raw.size();
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '"') {
            in_quote = !in_quote; // a doubled quote toggles twice
        } else if (raw[i] == ';' && !in_quote) {
            end = i;
            break;
        }
    }
    if (in_quote) return false;
    out.assign(trim(raw.substr(0, end)));
    continues = !out.empty() && out.back() == '\\';
    if (continues) out.pop_back();
    return true;
}

void trim_field(inf_field_t& field)
{
    if (!field.empty() && !field.front().quoted) {
        auto& t = field.front().text;
        size_t lead = 0;
        while (lead < t.size() && is_blank(t[lead])) ++lead;
        t.erase(0, lead);
    }
    if (!field.empty() && !field.back().quoted) {
        auto& t = field.back().text;
        while (!t.empty() && is_blank(t.back())) t.pop_back();
    }
    field.erase(std::remove_if(field.begin(), field.end(),
                               [](const inf_piece_t& p) { return !p.quoted && p.text.empty(); }),
                field.end());
}

// Splits a comment-free logical line into key and fields.
void split_entry(std::string_view text, inf_line_t& line)
{
    inf_field_t field;
    std::string piece;
    bool in_quote = false;
    auto flush = [&](bool quoted) {
        if (quoted || !piece.empty()) field.push_back({piece, quoted});
        piece.clear();
    };
    auto end_field = [&]() {
        flush(false);
        trim_field(field);
        line.values.push_back(std::move(field));
        field.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (in_quote) {
            if (c != '"') {
                piece += c;
            } else if (i + 1 < text.size() && text[i + 1] == '"') {
                piece += '"';
                ++i;
            } else {
                flush(true);
                in_quote = false;
            }
        } else if (c == '"') {
            flush(false);
            in_quote = true;
        } else if (c == '=' && !line.has_key && line.values.empty()) {
            line.raw_value = std::string(trim(text.substr(i + 1)));
            flush(false);
            trim_field(field);
            line.key = std::move(field);
            line.has_key = true;
            field.clear();
        } else if (c == ',') {
            end_field();
        } else {
            piece += c;
        }
    }
    end_field();
}

// Splits the text into physical lines; a Ctrl-Z ends the file, as it did for
// the tools that wrote the old ones.
std::vector<std::string_view> physical_lines(std::string_view text)
{
    size_t eof = text.find('\x1a');
    if (eof != std::string_view::npos) text = text.substr(0, eof);
    std::vector<std::string_view> out;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r') {
            out.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) out.push_back(text.substr(start));
    return out;
}

const std::vector<inf_line_t> no_lines;

} // namespace

std::string ascii_upper(std::string_view s)
{
    std::string out(s);
    for (auto& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool iequals(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && ascii_upper(a) == ascii_upper(b);
}

bool inf_file_t::parse(std::string_view text, inf_problem_t& error)
{
    sections_.clear();
    string_sections_.clear();
    strings_.clear();
    if (text.find('\0') != std::string_view::npos) {
        error = {1, "binary data (a zero character) in the text"};
        return false;
    }
    auto lines = physical_lines(text);
    std::vector<inf_line_t>* current = nullptr;
    std::string logical;
    int logical_start = 0;
    std::vector<std::string> section_order;
    for (size_t n = 0; n < lines.size(); ++n) {
        int number = static_cast<int>(n) + 1;
        std::string cleaned;
        bool continues = false;
        if (!clean_physical_line(lines[n], cleaned, continues)) {
            error = {number, "a quoted string is not closed on its line"};
            return false;
        }
        if (logical.empty()) logical_start = number;
        logical += cleaned;
        if (logical.size() > max_logical_line) {
            error = {logical_start, "line longer than " + std::to_string(max_logical_line) + " characters"};
            return false;
        }
        if (continues && n + 1 < lines.size()) continue;
        std::string_view entry = trim(logical);
        if (entry.empty()) {
            logical.clear();
            continue;
        }
        if (entry.front() == '[') {
            size_t close = entry.find(']');
            if (close == std::string_view::npos) {
                error = {logical_start, "section header without a closing ']'"};
                return false;
            }
            auto name = trim(entry.substr(1, close - 1));
            if (name.empty()) {
                error = {logical_start, "section header without a name"};
                return false;
            }
            if (!trim(entry.substr(close + 1)).empty()) {
                error = {logical_start, "text after the section header"};
                return false;
            }
            auto upper = ascii_upper(name);
            if (!sections_.count(upper)) section_order.push_back(upper);
            current = &sections_[upper];
        } else {
            if (!current) {
                error = {logical_start, "an entry before the first section"};
                return false;
            }
            inf_line_t line;
            line.line = logical_start;
            split_entry(entry, line);
            current->push_back(std::move(line));
        }
        logical.clear();
    }
    for (const auto& name : section_order) {
        if (name == "STRINGS" || name.rfind("STRINGS.", 0) == 0) add_string_section(name, sections_[name]);
    }
    return true;
}

void inf_file_t::add_string_section(const std::string& upper_name, const std::vector<inf_line_t>& lines)
{
    string_sections_.push_back(upper_name);
    auto& table = strings_[upper_name];
    for (const auto& line : lines) {
        if (!line.has_key) continue;
        // A string's text is taken literally: no tokens inside, and the
        // commas of an unquoted text belong to it.
        std::string text;
        if (line.values.size() == 1) {
            for (const auto& piece : line.values[0]) text += piece.text;
        } else {
            text = line.raw_value;
        }
        std::string key;
        for (const auto& piece : line.key) key += piece.text;
        table.emplace(ascii_upper(key), std::move(text)); // the first definition wins
    }
}

const std::string* inf_file_t::string_for(std::string_view key) const
{
    auto upper_key = ascii_upper(key);
    auto look = [&](const std::string& section) -> const std::string* {
        auto s = strings_.find(section);
        if (s == strings_.end()) return nullptr;
        auto v = s->second.find(upper_key);
        return v == s->second.end() ? nullptr : &v->second;
    };
    if (auto* v = look("STRINGS." + ascii_upper(language_))) return v;
    if (auto* v = look("STRINGS")) return v;
    for (const auto& section : string_sections_)
        if (auto* v = look(section)) return v;
    return nullptr;
}

bool inf_file_t::has_section(std::string_view name) const
{
    return sections_.count(ascii_upper(name)) != 0;
}

const std::vector<inf_line_t>& inf_file_t::lines(std::string_view section) const
{
    auto s = sections_.find(ascii_upper(section));
    return s == sections_.end() ? no_lines : s->second;
}

const inf_line_t* inf_file_t::find(std::string_view section, std::string_view key) const
{
    for (const auto& line : lines(section))
        if (line.has_key && iequals(resolve(line.key), key)) return &line;
    return nullptr;
}

std::string inf_file_t::resolve(const inf_field_t& field) const
{
    std::string out;
    for (const auto& piece : field) {
        const std::string& s = piece.text;
        size_t i = 0;
        while (i < s.size()) {
            if (s[i] != '%') {
                out += s[i++];
                continue;
            }
            size_t close = s.find('%', i + 1);
            if (close == std::string::npos) {
                out.append(s, i, std::string::npos);
                break;
            }
            if (close == i + 1) {
                out += '%';
            } else if (const std::string* v = string_for(std::string_view(s).substr(i + 1, close - i - 1))) {
                out += *v;
            } else {
                out.append(s, i, close - i + 1);
            }
            i = close + 1;
        }
    }
    return out;
}

std::string inf_file_t::value(const inf_line_t& line, size_t index) const
{
    return index < line.values.size() ? resolve(line.values[index]) : std::string();
}

} // namespace tdu::offers
