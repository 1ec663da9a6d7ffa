#include "protocol/plain_xml.h"

namespace tdu::server {

namespace {

// White space as TinyXML counts it.
bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool is_name_start(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool is_name_char(char c)
{
    return is_name_start(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':';
}

// Deeper than any request nests; a deeper document is TinyXML's.
constexpr std::size_t max_plain_depth = 32;

constexpr std::string_view cdata_open = "<![CDATA[";

} // namespace

void plain_xml_t::skip_space()
{
    while (at_ < doc_.size() && is_space(doc_[at_])) ++at_;
}

bool plain_xml_t::read_name(std::string_view& out)
{
    std::size_t start = at_;
    if (at_ >= doc_.size() || !is_name_start(doc_[at_])) return false;
    while (at_ < doc_.size() && is_name_char(doc_[at_])) ++at_;
    out = doc_.substr(start, at_ - start);
    return true;
}

bool plain_xml_t::decode(std::string_view raw, std::string_view& out)
{
    std::size_t amp = raw.find('&');
    if (amp == std::string_view::npos) {
        out = raw;
        return true;
    }
    std::string& text = decoded_.emplace_back();
    text.reserve(raw.size());
    std::size_t from = 0;
    while (amp != std::string_view::npos) {
        text.append(raw, from, amp - from);
        std::string_view rest = raw.substr(amp);
        static constexpr struct {
            std::string_view entity;
            char c;
        } named[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
        bool known = false;
        for (const auto& n : named) {
            if (rest.substr(0, n.entity.size()) == n.entity) {
                text += n.c;
                from = amp + n.entity.size();
                known = true;
                break;
            }
        }
        if (!known) return false;
        amp = raw.find('&', from);
    }
    text.append(raw, from, std::string_view::npos);
    out = text;
    return true;
}

// `name="value"` (or in single quotes) from the current place, white space
// allowed around '='; `raw` is the value as written, entities not read.
bool plain_xml_t::read_attribute(std::string_view& name, std::string_view& raw)
{
    if (!read_name(name)) return false;
    skip_space();
    if (at_ >= doc_.size() || doc_[at_] != '=') return false;
    ++at_;
    skip_space();
    if (at_ >= doc_.size() || (doc_[at_] != '"' && doc_[at_] != '\'')) return false;
    const char quote = doc_[at_++];
    const std::size_t end = doc_.find(quote, at_);
    if (end == std::string_view::npos) return false;
    raw = doc_.substr(at_, end - at_);
    at_ = end + 1;
    return true;
}

bool plain_xml_t::read_element(element_t parent, std::size_t depth)
{
    if (depth > max_plain_depth) return false;
    // at_ is on '<' of the start tag
    ++at_;
    std::string_view name;
    if (!read_name(name)) return false;
    const auto self = static_cast<element_t>(elements_.size());
    {
        element_rec_t rec;
        rec.name = name;
        rec.first_attribute = attributes_.size();
        elements_.push_back(rec);
    }
    if (parent >= 0) {
        auto& p = elements_[static_cast<std::size_t>(parent)];
        if (p.last_child >= 0) elements_[static_cast<std::size_t>(p.last_child)].next = self;
        else p.first_child = self;
        p.last_child = self;
    }
    // attributes, each quoted, none twice
    for (;;) {
        std::size_t before = at_;
        skip_space();
        if (at_ >= doc_.size()) return false;
        char c = doc_[at_];
        if (c == '/' || c == '>') break;
        if (at_ == before) return false; // an attribute must follow white space
        std::string_view attribute, raw;
        if (!read_attribute(attribute, raw)) return false;
        if (raw.find('<') != std::string_view::npos) return false;
        std::string_view value;
        if (!decode(raw, value)) return false;
        auto& rec = elements_[static_cast<std::size_t>(self)];
        for (std::size_t i = rec.first_attribute; i < attributes_.size(); ++i)
            if (attributes_[i].name == attribute) return false;
        attributes_.push_back({attribute, value});
        ++rec.attributes;
    }
    if (doc_[at_] == '/') {
        if (at_ + 1 >= doc_.size() || doc_[at_ + 1] != '>') return false;
        at_ += 2;
        return true;
    }
    ++at_; // '>'
    // content: child elements, or a single piece of text
    bool has_text = false, has_children = false;
    for (;;) {
        std::size_t text_start = at_;
        std::size_t lt = doc_.find('<', at_);
        if (lt == std::string_view::npos) return false;
        // text up to the next markup: white space only, or a word
        std::string_view raw = doc_.substr(text_start, lt - text_start);
        std::size_t first = 0, last = raw.size();
        while (first < last && is_space(raw[first])) ++first;
        while (last > first && is_space(raw[last - 1])) --last;
        if (first < last) {
            std::string_view word = raw.substr(first, last - first);
            for (char c : word)
                if (is_space(c)) return false; // TinyXML would fold the white space inside
            if (has_text || has_children) return false;
            std::string_view value;
            if (!decode(word, value)) return false;
            elements_[static_cast<std::size_t>(self)].text = value;
            has_text = true;
        }
        at_ = lt;
        std::string_view rest = doc_.substr(at_);
        if (rest.substr(0, 2) == "</") {
            at_ += 2;
            std::string_view closing;
            if (!read_name(closing) || closing != name) return false;
            skip_space();
            if (at_ >= doc_.size() || doc_[at_] != '>') return false;
            ++at_;
            return true;
        }
        if (rest.substr(0, cdata_open.size()) == cdata_open) {
            if (has_text || has_children) return false;
            std::size_t start = at_ + cdata_open.size();
            std::size_t end = doc_.find("]]>", start);
            if (end == std::string_view::npos) return false;
            elements_[static_cast<std::size_t>(self)].text = doc_.substr(start, end - start);
            has_text = true;
            at_ = end + 3;
            continue;
        }
        if (has_text) return false;
        if (!read_element(self, depth + 1)) return false;
        has_children = true;
    }
}

bool plain_xml_t::read(std::string_view document)
{
    doc_ = document;
    at_ = 0;
    elements_.clear();
    attributes_.clear();
    decoded_.clear();
    skip_space();
    // The declaration: quoted attributes holding no markup, then "?>".
    if (doc_.substr(at_, 5) == "<?xml") {
        at_ += 5;
        for (;;) {
            std::size_t before = at_;
            skip_space();
            if (doc_.substr(at_, 2) == "?>") break;
            std::string_view attribute, raw;
            if (at_ == before || !read_attribute(attribute, raw)) return false;
            if (raw.find_first_of("<>") != std::string_view::npos) return false;
        }
        at_ += 2;
        skip_space();
    }
    if (at_ >= doc_.size() || doc_[at_] != '<') return false;
    if (!read_element(-1, 0)) return false;
    skip_space();
    return at_ == doc_.size();
}

plain_xml_t::element_t plain_xml_t::first_child(element_t parent, std::string_view name) const
{
    for (element_t e = elements_[static_cast<std::size_t>(parent)].first_child; e >= 0;
         e = elements_[static_cast<std::size_t>(e)].next)
        if (elements_[static_cast<std::size_t>(e)].name == name) return e;
    return -1;
}

plain_xml_t::element_t plain_xml_t::next_sibling(element_t e, std::string_view name) const
{
    for (e = elements_[static_cast<std::size_t>(e)].next; e >= 0; e = elements_[static_cast<std::size_t>(e)].next)
        if (elements_[static_cast<std::size_t>(e)].name == name) return e;
    return -1;
}

std::optional<std::string_view> plain_xml_t::attribute(element_t e, std::string_view name) const
{
    const auto& rec = elements_[static_cast<std::size_t>(e)];
    for (std::size_t i = rec.first_attribute; i < rec.first_attribute + rec.attributes; ++i)
        if (attributes_[i].name == name) return attributes_[i].value;
    return std::nullopt;
}

} // namespace tdu::server
