#include "common/xml_depth.h"

namespace tdu {
namespace {

bool starts_with(std::string_view text, size_t at, std::string_view prefix)
{
    return text.compare(at, prefix.size(), prefix) == 0;
}

// The position after the first `end` at or behind `from`, or the end.
size_t skip_past(std::string_view text, size_t from, std::string_view end)
{
    size_t at = text.find(end, from);
    return at == std::string_view::npos ? text.size() : at + end.size();
}

// TinyXML starts an element at "<" followed by a letter, "_" or any byte
// from 127 up (which it takes for a letter of some alphabet).
bool starts_element(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 127;
}

} // namespace

int xml_nesting_depth(std::string_view text, int limit)
{
    int depth = 0, deepest = 0;
    size_t i = 0;
    while (i < text.size()) {
        size_t lt = text.find('<', i);
        if (lt == std::string_view::npos) break;
        if (starts_with(text, lt, "<!--")) {
            i = skip_past(text, lt + 4, "-->");
        } else if (starts_with(text, lt, "<![CDATA[")) {
            i = skip_past(text, lt + 9, "]]>");
        } else if (starts_with(text, lt, "</")) {
            if (depth > 0) --depth;
            i = skip_past(text, lt + 2, ">");
        } else if (lt + 1 < text.size() && starts_element(static_cast<unsigned char>(text[lt + 1]))) {
            // An element's start tag: quoted values may hold "<" and ">".
            size_t j = lt + 1;
            bool empty_element = false;
            while (j < text.size() && text[j] != '>') {
                if (text[j] == '"' || text[j] == '\'') {
                    size_t close = text.find(text[j], j + 1);
                    j = close == std::string_view::npos ? text.size() : close + 1;
                    continue;
                }
                empty_element = text[j] == '/';
                ++j;
            }
            if (j < text.size() && text[j] == '>' && !empty_element) {
                if (++depth > deepest) deepest = depth;
                if (deepest > limit) return limit + 1;
            } else if (j >= text.size()) {
                // An unterminated start tag is still one more open level.
                if (++depth > deepest) deepest = depth;
            }
            i = j + 1;
        } else {
            // "<?...>", "<!...>" and anything else TinyXML reads as unknown
            // markup up to the next ">".
            i = skip_past(text, lt + 1, ">");
        }
    }
    return deepest > limit ? limit + 1 : deepest;
}

} // namespace tdu
