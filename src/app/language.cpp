#include "app/language.h"

#include "app/endpoints.h"
#include "common/ignore_case.h"

#include <fstream>
#include <filesystem>
#include <iterator>
#include <regex>

namespace tdu {

language_table_t language_table;
const char16_t language_file_name[] = u"language.ini";

namespace {

// ECMAScript grammar, matched against the UTF-8 bytes of one line.
const std::regex& section_expression()
{
    static const std::regex re(R"(^\s*\[(.*)\]\s*$)");
    return re;
}

const std::regex& entry_expression()
{
    static const std::regex re(R"re(^\s*([^;].*)\s*=\s*"(.+)"\s*$)re");
    return re;
}

// The two-character sequences \t and \n stand for a tab and a line feed.
std::string unescape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 't' || text[i + 1] == 'n')) {
            out.push_back(text[i + 1] == 't' ? '\t' : '\n');
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

struct language_row_t {
    const char16_t* name;
    const char* code;
    int banner;
    int button_base;
};

// Compared in this order; the last row is the main site's, for every other
// name.
const language_row_t language_rows[] = {
    {u"Deutsch", "de", 452, 456},
    {u"Français", "fr", 453, 459},
    {u"Español", "es", 455, 465},
    {u"简体中文", "cn", 300, 290},
    {u"繁體中文", "hk", 300, 290},
    {u"Italiano", "it", 415, 425},
    {u"日本語", "jp", 454, 462},
    {u"Português", "pt", 414, 422},
    {u"Nederlands", "nl", 300, 419},
    {u"العربية", "ar", 412, 416},
    {nullptr, "en", 300, 290},
};

const language_row_t& current_row(const language_table_t& table)
{
    const u16* name = language_current_name(table);
    for (const auto& row : language_rows)
        if (!row.name || (name && equals_ignore_case(*name, row.name))) return row;
    return language_rows[std::size(language_rows) - 1];  // not reached: the last row has no name
}

u16 site_page(const language_table_t& table, const char* path)
{
    return utf8_to_utf16(endpoints().site_for(language_code(table)) + path);
}

} // namespace

void language_load_text(language_table_t& table, std::string_view file, u16view name, bool primary)
{
    static const std::string_view bom = "\xEF\xBB\xBF";
    if (file.substr(0, bom.size()) == bom) file.remove_prefix(bom.size());

    table.language_names.clear();
    bool inside = false;
    std::smatch m;
    size_t pos = 0;
    while (pos < file.size()) {
        size_t end = file.find('\n', pos);
        if (end == std::string_view::npos) end = file.size();
        std::string line(file.substr(pos, end - pos));
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // A longer line is not cut into pieces that could read as lines of
        // their own: it is skipped whole.
        if (line.size() > language_line_bytes) continue;

        if (std::regex_match(line, m, section_expression())) {
            table.language_names.push_back(utf8_to_utf16(m.str(1)));
            if (inside) {
                inside = false;  // the wanted section has ended
            } else if (equals_ignore_case(table.language_names.back(), name)) {
                inside = true;
                if (primary) table.current_index = static_cast<int32_t>(table.language_names.size() - 1);
            }
        } else if (inside && std::regex_match(line, m, entry_expression())) {
            table.texts.emplace(m.str(1), utf8_to_utf16(unescape(m.str(2))));  // the first value wins
        }
    }
}

int language_load(language_table_t& table, u16view path, u16view name, bool primary)
{
    std::ifstream in(std::filesystem::path(u16(path)), std::ios::binary);
    if (!in) return -1;
    std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    language_load_text(table, file, name, primary);
    return 0;
}

const u16& language_text(const language_table_t& table, std::string_view key)
{
    static const u16 empty;
    auto it = table.texts.find(key);
    return it == table.texts.end() ? empty : it->second;
}

const u16& language_text(std::string_view key) { return language_text(language_table, key); }

const u16* language_current_name(const language_table_t& table)
{
    if (table.current_index < 0 || static_cast<size_t>(table.current_index) >= table.language_names.size())
        return nullptr;
    return &table.language_names[static_cast<size_t>(table.current_index)];
}

const char* language_code(const language_table_t& table) { return current_row(table).code; }

bool is_language(const language_table_t& table, std::string_view code)
{
    return equals_ignore_case(ascii_to_utf16(language_code(table)), ascii_to_utf16(code));
}

u16 product_page_url(const language_table_t& table) { return site_page(table, "/driver-updater/"); }
u16 faq_page_url(const language_table_t& table) { return site_page(table, "/faq.php"); }

int home_banner_bitmap(const language_table_t& table) { return current_row(table).banner; }

int home_button_bitmap(const language_table_t& table, int state)
{
    if (state < 0 || state > 2) state = 0;
    return current_row(table).button_base + state;
}

} // namespace tdu
