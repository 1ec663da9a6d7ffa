#pragma once
// The interface texts: one table filled at start from "language.ini" in the
// program's folder, and the per-language values that are not texts (the
// two-letter code, the web pages, the home view's bitmaps).
//
// "language.ini" is UTF-8 text with one section per language:
//
//     [English]
//     scan_status="Status: "
//     ; a comment
//
// A section line matches ^\s*\[(.*)\]\s*$ and names a language; an entry line
// matches ^\s*([^;].*)\s*=\s*"(.+)"\s*$ with the key in group 1 (blanks before
// the "=" stay part of it) and the text in group 2, where \t and \n stand for
// a tab and a line feed. Other lines, and lines longer than 2047 bytes, are
// ignored.
#include "common/text.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tdu {

constexpr size_t language_line_bytes = 2047;

struct language_table_t {
    // Key to text; keys are ASCII, ordered byte-wise, case-sensitive.
    std::map<std::string, u16, std::less<>> texts;
    // Section names of the file in file order (the settings dialog's list).
    std::vector<u16> language_names;
    // Position in language_names of the language loaded as primary; stays 0
    // when that language has no section.
    int32_t current_index = 0;
};

// The process-wide table: filled on the user-interface thread during
// start-up, read-only afterwards (workers may read it without a lock).
extern language_table_t language_table;

// The file's name in the program's folder.
extern const char16_t language_file_name[];

// Loads the section `name` (compared without regard to case) from the file
// `path` into `table.texts`, never replacing a key already there: the first
// value stored for a key wins. Rebuilds `language_names`; with `primary` it
// also sets `current_index` to the section's position. 0, or -1 (nothing
// changed) when the file cannot be opened.
int language_load(language_table_t& table, u16view path, u16view name, bool primary);
// The same on text already read (the bytes of a whole file).
void language_load_text(language_table_t& table, std::string_view file, u16view name, bool primary);

// The text for `key`; an empty text when the table has none. Never changes
// the table, so any thread may call it.
const u16& language_text(const language_table_t& table, std::string_view key);
const u16& language_text(std::string_view key);

// The name of the language loaded as primary; null when the file had no
// section at all.
const u16* language_current_name(const language_table_t& table);

// Per-language values of the current language, chosen by its name (without
// regard to case); a name no row lists, "English" included, or no name at
// all, takes the row of the main site.
const char* language_code(const language_table_t& table);
bool is_language(const language_table_t& table, std::string_view code);
u16 product_page_url(const language_table_t& table);
u16 faq_page_url(const language_table_t& table);
int home_banner_bitmap(const language_table_t& table);
// The bitmap of the home view's scan button in state 0, 1 or 2 (a state
// outside that range counts as 0).
int home_button_bitmap(const language_table_t& table, int state);

} // namespace tdu
