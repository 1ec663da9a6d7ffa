#pragma once
// A reader of XML documents in the plain form the program posts its update
// requests in: an optional declaration, elements with quoted attributes,
// and element content that is either child elements or one piece of text
// (a CDATA section, or text without white space inside it and with at most
// the five named entities). It reads such a document to the same elements,
// texts and attributes TinyXML reads from it (text trimmed of surrounding
// white space, CDATA byte for byte, bytes above 127 as they are) in a
// fraction of the time; a document it does not take (comments, processing
// instructions, other entities, mixed content, names or bytes it does not
// know, anything after the root element...) is left to TinyXML, which reads
// it (or names its fault) as before.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <deque>
#include <vector>

namespace tdu::server {

class plain_xml_t {
public:
    using element_t = int; // an element's index; -1: none

    // False when the document is not in the plain form (nothing to say why:
    // TinyXML reads it then).
    bool read(std::string_view document);

    element_t root() const { return elements_.empty() ? -1 : 0; }
    std::string_view name(element_t e) const { return elements_[static_cast<std::size_t>(e)].name; }
    element_t first_child(element_t parent, std::string_view name) const;
    element_t next_sibling(element_t e, std::string_view name) const;
    // The element's text; empty when it has none (as TinyXML's GetText()
    // gives null or "").
    std::string_view text(element_t e) const { return elements_[static_cast<std::size_t>(e)].text; }
    std::optional<std::string_view> attribute(element_t e, std::string_view name) const;

private:
    struct attribute_t {
        std::string_view name, value;
    };
    struct element_rec_t {
        std::string_view name, text;
        element_t first_child = -1, last_child = -1, next = -1;
        std::size_t first_attribute = 0, attributes = 0;
    };
    bool read_element(element_t parent, std::size_t depth);
    bool read_name(std::string_view& out);
    bool read_attribute(std::string_view& name, std::string_view& raw);
    // Text with the five named entities read; false on any other '&'.
    bool decode(std::string_view raw, std::string_view& out);
    void skip_space();

    std::string_view doc_;
    std::size_t at_ = 0;
    std::vector<element_rec_t> elements_;
    std::vector<attribute_t> attributes_;
    std::deque<std::string> decoded_; // texts whose entities were replaced (stay where they are)
};

} // namespace tdu::server
