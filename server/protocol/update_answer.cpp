#include "protocol/update_answer.h"

#include "common/code_page.h"

#include <tinyxml.h>

#include <cstdio>

namespace tdu::server {

namespace {

std::string encoding_name(unsigned code_page)
{
    switch (code_page) {
    case 932: return "Shift_JIS";
    case 936: return "GBK";
    case 949: return "EUC-KR";
    case 950: return "Big5";
    default: return "windows-" + std::to_string(code_page);
    }
}

void add_text(TiXmlElement& parent, const char* name, const std::string& text)
{
    auto* e = new TiXmlElement(name);
    e->LinkEndChild(new TiXmlText(text));
    parent.LinkEndChild(e);
}

std::string hex(unsigned v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", v);
    return buf;
}

} // namespace

std::string percent_encode(const std::string& text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                     c == '.' || c == '_' || c == '~';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

std::string package_link(const std::string& base_url, const std::string& package)
{
    return base_url + "packages/" + percent_encode(package);
}

std::string package_page_link(const std::string& base_url, const std::string& package)
{
    return base_url + "drivers/" + percent_encode(package);
}

std::string answer_inf_path(const std::string& package, const std::string& inf_path)
{
    size_t dot = package.rfind('.');
    return (dot == std::string::npos || dot == 0 ? package : package.substr(0, dot)) + "/" + inf_path;
}

std::string build_update_answer(const std::vector<answer_device_t>& devices, const answer_context_t& context)
{
    unsigned cp = context.ansi_code_page;
    auto ansi = [cp](const std::string& utf8) { return utf8_to_ansi(utf8, cp); };
    TiXmlDocument doc;
    doc.LinkEndChild(new TiXmlDeclaration("1.0", encoding_name(cp), ""));
    auto* root = new TiXmlElement("kelptone");
    doc.LinkEndChild(root);
    auto* hardwares = new TiXmlElement("hardwares");
    root->LinkEndChild(hardwares);
    for (const auto& device : devices) {
        auto* hardware = new TiXmlElement("hardware");
        hardwares->LinkEndChild(hardware);
        auto* id = new TiXmlElement("id");
        auto* id_text = new TiXmlText(device.id_bytes);
        // A CDATA section cannot hold its own end mark; such an ID goes as
        // escaped text instead.
        id_text->SetCDATA(device.id_bytes.find("]]>") == std::string::npos);
        id->LinkEndChild(id_text);
        hardware->LinkEndChild(id);
        for (const auto& o : device.offers) {
            auto* item = new TiXmlElement("item");
            hardware->LinkEndChild(item);
            add_text(*item, "hardid", ansi(o.hardid));
            add_text(*item, "title", ansi(o.title));
            add_text(*item, "ver", o.version);
            add_text(*item, "size", std::to_string(o.size));
            add_text(*item, "guid", ansi(o.guid));
            add_text(*item, "link", package_link(context.base_url, o.package));
            add_text(*item, "infpath", ansi(answer_inf_path(o.package, o.inf_path)));
            add_text(*item, "official_link", package_page_link(context.base_url, o.package));
            add_text(*item, "cp", std::to_string(o.cp));
            add_text(*item, "manu", ansi(o.manufacturer));
            add_text(*item, "sign", std::to_string(o.sign));
            add_text(*item, "feature", hex(o.feature));
            add_text(*item, "targetos", std::to_string(o.target_os));
            add_text(*item, "date", o.date);
            add_text(*item, "desc", ansi(o.title + ": " + o.class_name + " driver " + o.version + " of " + o.date +
                                         " from " + o.provider));
        }
    }
    TiXmlPrinter printer;
    printer.SetIndent("\t");
    printer.SetLineBreak("\n");
    doc.Accept(&printer);
    return printer.Str();
}

} // namespace tdu::server
