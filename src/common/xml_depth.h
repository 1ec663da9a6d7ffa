#pragma once
// TinyXML parses nested elements by recursion, so a document nested deeply
// enough (an answer of 100,000 nested elements) overflows the stack. The
// program measures a document's element nesting before handing it to the
// parser and refuses documents nested deeper than it ever writes or reads.
#include <string_view>

namespace tdu {

// The deepest element nesting TinyXML would reach in `text`, counted the way
// it reads markup (comments, CDATA sections, declarations and other "<!"
// or "<?" markup, and quoted attribute values hide what they contain).
// Counting stops once it exceeds `limit`, which is then returned plus one.
int xml_nesting_depth(std::string_view text, int limit);

// The most nesting the program accepts in a document it parses.
constexpr int xml_max_depth = 256;

inline bool xml_nesting_acceptable(std::string_view text)
{
    return xml_nesting_depth(text, xml_max_depth) <= xml_max_depth;
}

} // namespace tdu
