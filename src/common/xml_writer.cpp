#include "common/xml_writer.h"

namespace tdu {

TiXmlElement* add_element(TiXmlNode& parent, const char* name)
{
    return static_cast<TiXmlElement*>(parent.LinkEndChild(new TiXmlElement(name)));
}

TiXmlElement* add_text_element(TiXmlNode& parent, const char* name, const std::string& text)
{
    TiXmlElement* element = add_element(parent, name);
    element->LinkEndChild(new TiXmlText(text));
    return element;
}

TiXmlElement* add_cdata_element(TiXmlNode& parent, const char* name, const std::string& text)
{
    // The printer writes CDATA as it stands; a "]]>" inside would end the
    // section early, so it is split over two adjacent sections.
    std::string safe;
    size_t from = 0, at;
    while ((at = text.find("]]>", from)) != std::string::npos) {
        safe.append(text, from, at - from).append("]]]]><![CDATA[>");
        from = at + 3;
    }
    safe.append(text, from, std::string::npos);
    TiXmlElement* element = add_element(parent, name);
    auto* cdata = new TiXmlText(safe);
    cdata->SetCDATA(true);
    element->LinkEndChild(cdata);
    return element;
}

void add_utf8_declaration(TiXmlDocument& document)
{
    document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
}

std::string print_document(const TiXmlDocument& document)
{
    TiXmlPrinter printer;
    printer.SetIndent("\t");
    printer.SetLineBreak("\n");
    document.Accept(&printer);
    return printer.Str();
}

} // namespace tdu
