#pragma once
// The syntax of an INF file: sections of lines, each line an optional key and
// comma-separated fields, with quoted strings, ';' comments, '\' line
// continuations and %strkey% tokens resolved from the [Strings] sections.
// Section names and keys compare without regard to case.
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tdu::offers {

// One problem found in an INF, with its 1-based line number.
struct inf_problem_t {
    int line = 0;
    std::string message;
};

// A field as written: pieces of text, each quoted or not. Quoting matters for
// whitespace (kept inside quotes) and for ',' ';' '=' (literal inside them).
struct inf_piece_t {
    std::string text;
    bool quoted = false;
};
using inf_field_t = std::vector<inf_piece_t>;

struct inf_line_t {
    int line = 0; // where the logical line starts
    bool has_key = false;
    inf_field_t key;
    std::vector<inf_field_t> values;
    std::string raw_value; // the text after '=' as written (comment and outer blanks cut)
};

class inf_file_t {
public:
    // Parses INF text already decoded to UTF-8. Returns false with the first
    // syntax error (unterminated quote, broken section header, text outside
    // any section, an over-long line).
    bool parse(std::string_view utf8_text, inf_problem_t& error);

    // The language whose [Strings.LLLL] section is preferred (hexadecimal
    // LANGID, "0409" by default); [Strings] and then any other language
    // section serve keys the preferred one lacks.
    void set_language(std::string_view langid) { language_ = langid; }

    bool has_section(std::string_view name) const;
    // Lines of a section (all sections of that name, merged in file order);
    // empty when there is none.
    const std::vector<inf_line_t>& lines(std::string_view section) const;
    // The first line of `section` whose key resolves to `key`, or null.
    const inf_line_t* find(std::string_view section, std::string_view key) const;

    // A field's text with %strkey% tokens replaced and %% made '%'. A token
    // with no string stays as it is written.
    std::string resolve(const inf_field_t& field) const;
    // Value `index` of a line, resolved; empty when the line has fewer.
    std::string value(const inf_line_t& line, size_t index) const;
    std::string key(const inf_line_t& line) const { return resolve(line.key); }

    // The string of a [Strings] key, or null.
    const std::string* string_for(std::string_view key) const;

private:
    void add_string_section(const std::string& upper_name, const std::vector<inf_line_t>& lines);

    std::map<std::string, std::vector<inf_line_t>> sections_; // by upper-case name
    std::vector<std::string> string_sections_;                // upper-case names, file order
    std::map<std::string, std::map<std::string, std::string>> strings_; // section -> key -> text
    std::string language_ = "0409";
};

// Upper-cases ASCII letters; other bytes stay (INF names are ASCII).
std::string ascii_upper(std::string_view s);
bool iequals(std::string_view a, std::string_view b);

} // namespace tdu::offers

// The update service names these as its own.
namespace tdu::server {
using namespace tdu::offers;
}
