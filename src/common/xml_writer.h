#pragma once
// The XML documents the program writes (the update request, the diagnostic
// report, the backup catalogue) are TinyXML trees printed by TiXmlPrinter
// with a TAB indent and "\n" line breaks: every element on its own line, an
// element without children self-closing, a text-only element on one line,
// and each CDATA section on a line of its own one level deeper.
#include <tinyxml.h>

#include <string>

namespace tdu {

// Appends an element, an element holding one text node, or an element
// holding one CDATA section to `parent`, and returns it. Texts are stored
// byte for byte and the printer escapes them; a CDATA text that holds "]]>"
// is written as two adjacent sections split inside it, so the document
// stays well-formed and a parser still reads the whole text.
TiXmlElement* add_element(TiXmlNode& parent, const char* name);
TiXmlElement* add_text_element(TiXmlNode& parent, const char* name, const std::string& text);
TiXmlElement* add_cdata_element(TiXmlNode& parent, const char* name, const std::string& text);

// A document that starts with <?xml version="1.0" encoding="UTF-8" ?>.
void add_utf8_declaration(TiXmlDocument& document);

// The document as TiXmlPrinter writes it with a TAB indent and "\n".
std::string print_document(const TiXmlDocument& document);

} // namespace tdu
