#include "offers/update_answer.h"
#include "protocol/update_request.h"
#include "server_test_support.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

using namespace tdu::server;

namespace {


std::string request_doc(const std::string& hardwares, const std::string& client = "os=\"WIN7\" lang=\"437\"")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<kelptone>\n\t<action>ACTION_UPDATE_DRIVER</action>\n"
           "\t<client version=\"4.2.0.1\" " + client + " model=\"PC\" />\n\t<hardwares>" + hardwares +
           "</hardwares>\n</kelptone>\n";
}

const char* child_text(const TiXmlElement* e, const char* name)
{
    const TiXmlElement* c = e->FirstChildElement(name);
    return c && c->GetText() ? c->GetText() : "";
}

} // namespace

TEST(UpdateRequest, InflateRefusesWhatIsNoCompleteStreamWithinTheLimit)
{
    const std::string text(5000, 'x');
    const std::string z = test::deflate_text(text);
    struct row {
        const char* name;
        std::string bytes;
        size_t limit;
        int status; // 0: accepted
        const char* says;
    };
    const row rows[] = {
        {"whole stream", z, 5000, 0, ""},
        {"one byte over the limit", z, 4999, 413, "more than 4999 bytes"},
        {"not zlib", "plain text, not compressed", 1000, 400, "not a zlib stream"},
        {"cut short", z.substr(0, z.size() - 6), 10000, 400, "cut short"},
        {"empty", "", 10000, 400, "cut short"},
        {"trailing bytes", z + "junk", 10000, 400, "after the end"},
    };
    for (const auto& r : rows) {
        std::string out;
        request_failure_t f;
        bool ok = inflate_request(r.bytes, r.limit, out, f);
        EXPECT_EQ(ok, r.status == 0) << r.name;
        if (ok) {
            EXPECT_EQ(out, text);
            continue;
        }
        EXPECT_EQ(f.status, r.status) << r.name;
        EXPECT_NE(f.reason.find(r.says), std::string::npos) << r.name << ": " << f.reason;
    }
}

TEST(UpdateRequest, ReadsDevicesInTheClientsCodePage)
{
    // lang 866 is a Cyrillic OEM page, so the text is Windows-1251: "\xCF\xCA" is "ПК".
    std::string doc = "<kelptone><action>ACTION_UPDATE_DRIVER</action>"
                      "<client version=\"4.2.0.1\" os=\"WIN764\" lang=\"866\" model=\"\xCF\xCA\"/>"
                      "<hardwares>"
                      "<hardware><id><![CDATA[PCI\\VEN_1&DEV_2\\3&\xCF]]></id><matchid><![CDATA[]]></matchid>"
                      "<hardids><![CDATA[ PCI\\VEN_1&DEV_2&SUBSYS_3\r\n\nPCI\\VEN_1&DEV_2 ]]></hardids></hardware>"
                      "<hardware><id>ROOT\\X\\0000</id></hardware>"
                      "</hardwares></kelptone>";
    update_request_t r;
    request_failure_t f;
    ASSERT_TRUE(parse_update_request(doc, {}, r, f)) << f.reason;
    EXPECT_EQ(r.os_code, "WIN764");
    EXPECT_EQ(r.ansi_code_page, 1251u);
    EXPECT_EQ(r.model, "\xD0\x9F\xD0\x9A");
    ASSERT_EQ(r.devices.size(), 2u);
    EXPECT_EQ(r.devices[0].id_bytes, "PCI\\VEN_1&DEV_2\\3&\xCF"); // kept byte for byte
    EXPECT_EQ(r.devices[0].hardware_ids, (std::vector<std::string>{"PCI\\VEN_1&DEV_2&SUBSYS_3", "PCI\\VEN_1&DEV_2"}));
    EXPECT_TRUE(r.devices[0].compatible_ids.empty());
    EXPECT_TRUE(r.devices[1].hardware_ids.empty());
}

// The plain form the program sends is read by the service's own reader,
// anything else by TinyXML; either way the request (or the refusal) is the
// one TinyXML alone gives. Each document is read both ways and compared.
TEST(UpdateRequest, PlainReaderReadsWhatTinyXmlReads)
{
    const std::string device = "<hardware><id><![CDATA[PCI\\VEN_1&DEV_2\\3&0]]></id><matchid><![CDATA[]]></matchid>"
                               "<hardids><![CDATA[PCI\\VEN_1&DEV_2&SUBSYS_3\r\nPCI\\VEN_1&DEV_2]]></hardids>"
                               "<compids><![CDATA[PCI\\CC_0200\nPCI\\CC_02]]></compids></hardware>";
    using reader = request_reader_t;
    struct row {
        const char* name;
        std::string doc;
        reader expected;
    };
    const row rows[] = {
        {"the program's form", request_doc("\n\t\t" + device + "\n\t\t" + device + "\n\t"), reader::plain},
        {"no declaration, single quotes", "<kelptone><action>ACTION_UPDATE_DRIVER</action><client os='WIN7' "
                                          "lang='866' model='\xCF\xCA'/><hardwares>" + device + "</hardwares></kelptone>",
         reader::plain},
        {"text trimmed, entities", request_doc("<hardware><id>\n  A&amp;B&lt;C&gt;&quot;&apos;  \n</id>"
                                               "<hardids>X&amp;Y</hardids></hardware>"), reader::plain},
        {"attribute keeps white space and entities", request_doc(device, "os=\" WIN7\t\" lang=\"437\" x=\"a&amp;b>c\""),
         reader::plain},
        {"spaces around = and in the end tag", request_doc(device, "os = \"WIN7\" lang=\"437\"") + "  \n",
         reader::plain},
        {"CDATA between white space, CR kept", request_doc("<hardware><id>\n <![CDATA[ A\r\nB\rC ]]>\n </id></hardware>"),
         reader::plain},
        {"white space only and empty elements", request_doc("<hardware><id>X</id><matchid> \n </matchid><hardids/>"
                                                            "<compids></compids></hardware>"), reader::plain},
        {"an ID of white space only", request_doc("<hardware><id> \n\t </id></hardware>"), reader::plain},
        {"first of two ids, unknown elements kept out", request_doc("<hardware><x a=\"1\"><y/></x><id>A</id><id>B</id>"
                                                                   "</hardware>"), reader::plain},
        {"bytes above 127 in text", request_doc("<hardware><id>\xCF\xCA\xFF</id><hardids>\xE9</hardids></hardware>",
                                                "os=\"WIN7\" lang=\"866\""), reader::plain},
        {"control byte in an ID", request_doc("<hardware><id><![CDATA[A\x1b]]></id></hardware>"), reader::plain},
        {"no action", "<kelptone><client os=\"WIN7\"/><hardwares/></kelptone>", reader::plain},
        {"other root", "<?xml version=\"1.0\"?><other/>", reader::plain},
        // left to TinyXML
        {"text with white space inside", request_doc("<hardware><id>A B\nC</id><hardids>X\nY</hardids></hardware>"),
         reader::general},
        {"comment", request_doc("<!-- c -->" + device), reader::general},
        {"comment before the text", request_doc("<hardware><id><!-- c -->X</id></hardware>"), reader::general},
        {"CDATA then text", request_doc("<hardware><id><![CDATA[A]]>B</id></hardware>"), reader::general},
        {"text then element", request_doc("<hardware><id>A<b/>C</id></hardware>"), reader::general},
        {"character reference", request_doc("<hardware><id>A&#65;&#xe9;</id></hardware>"), reader::general},
        {"unknown entity", request_doc("<hardware><id>A&foo;B</id></hardware>"), reader::general},
        {"bare ampersand", request_doc("<hardware><id>A&B</id></hardware>"), reader::general},
        {"unquoted attribute", "<kelptone><action>ACTION_UPDATE_DRIVER</action><client os=WIN7 lang=437/>"
                               "<hardwares>" + device + "</hardwares></kelptone>", reader::general},
        {"attribute twice", request_doc(device, "os=\"WIN7\" os=\"WIN8\""), reader::general},
        {"end tag of another element", request_doc("<hardware><id>A</idx></hardware>"), reader::general},
        {"cut short", request_doc(device).substr(0, 200), reader::general},
        {"bytes after the root", request_doc(device) + "junk", reader::general},
        {"element after the root", request_doc(device) + "<more/>", reader::general},
        {"declaration with markup", "<?xml version=\"1.0\" x=\"<\" ?>" + request_doc(device), reader::general},
        {"declaration cut", "<?xml version=\"1.0 ?>" + request_doc(device).substr(39), reader::general},
        {"doctype", "<!DOCTYPE kelptone>" + request_doc(device).substr(39), reader::general},
        {"byte order mark", "\xEF\xBB\xBF" + request_doc(device), reader::general},
        {"name not ASCII", request_doc("<hardware><\xE9t>A</\xE9t><id>B</id></hardware>"), reader::general},
        {"empty", "", reader::general},
    };
    auto describe = [](bool ok, const update_request_t& r, const request_failure_t& f) {
        if (!ok) return "refused " + std::to_string(f.status) + ": " + f.reason;
        std::string out = r.os_code + "|" + r.client_version + "|" + r.model + "|" + std::to_string(r.oem_code_page) +
                          "|" + std::to_string(r.ansi_code_page) + "\n";
        for (const auto& d : r.devices) {
            out += "[" + d.id_bytes + "][" + d.match_id + "]";
            for (const auto& id : d.hardware_ids) out += " h:" + id;
            for (const auto& id : d.compatible_ids) out += " c:" + id;
            out += "\n";
        }
        return out;
    };
    for (const auto& r : rows) {
        update_request_t by_tinyxml, by_default;
        request_failure_t f1, f2;
        reader used_tinyxml, used;
        bool ok1 = parse_update_request(r.doc, {}, by_tinyxml, f1, &used_tinyxml, true);
        bool ok2 = parse_update_request(r.doc, {}, by_default, f2, &used);
        EXPECT_EQ(used_tinyxml, reader::general) << r.name;
        EXPECT_EQ(used, r.expected) << r.name;
        EXPECT_EQ(describe(ok2, by_default, f2), describe(ok1, by_tinyxml, f1)) << r.name;
    }
}

TEST(UpdateRequest, RefusesDocumentsThatAreNotTheRequest)
{
    const std::string device = "<hardware><id>X</id></hardware>";
    request_limits_t limits;
    limits.max_devices = 2;
    limits.max_ids = 3;
    std::string deep; // nested far enough to exhaust a parser's stack
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    struct row {
        std::string doc;
        const char* says;
    };
    const row rows[] = {
        {"<kelptone><action>ACTION_UPDATE_DRIVER</action", "not well-formed"},
        {"<kelptone>\n<action>ACTION_UPDATE_DRIVER</action>\n<client os=\"WIN7\">\n</kelptone>", "(line 4)"},
        {"", "not well-formed"},
        {"<other/>", "root element"},
        {"<kelptone><action>ACTION_OTHER</action><client os=\"WIN7\"/><hardwares/></kelptone>", "action"},
        {request_doc("", "lang=\"437\""), "os attribute"},
        {"<kelptone><action>ACTION_UPDATE_DRIVER</action><client os=\"WIN7\"/></kelptone>", "<hardwares>"},
        {request_doc("<hardware><matchid/></hardware>"), "without a device <id>"},
        {request_doc("<hardware><id></id></hardware>"), "without a device <id>"},
        {request_doc(device + device + device), "more than 2 devices"},
        {request_doc("<hardware><id>X</id><compids><![CDATA[A\nB\nC\nD]]></compids></hardware>"), "more than 3 IDs"},
        {std::string("<kelptone>\0</kelptone>", 22), "zero byte"},
        // IDs the answer could not echo in well-formed XML
        {request_doc(device + "<hardware><id><![CDATA[PCI\\VEN_1\x01]]></id></hardware>"),
         "device 2: the <id> holds the byte 0x01"},
        {request_doc("<hardware><id>USB\\\x1b[31mRED</id></hardware>"), "byte 0x1B, which XML does not allow"},
        {request_doc("<hardware><id>ACPI\\&#x1;</id></hardware>"), "byte 0x01"},
        {request_doc(deep), "deeper than 256 levels"},
    };
    for (const auto& r : rows) {
        update_request_t req;
        request_failure_t f;
        EXPECT_FALSE(parse_update_request(r.doc, limits, req, f)) << r.doc;
        EXPECT_EQ(f.status, 400);
        EXPECT_NE(f.reason.find(r.says), std::string::npos) << r.doc << " -> " << f.reason;
    }
    update_request_t req;
    request_failure_t f;
    EXPECT_TRUE(parse_update_request(request_doc(""), limits, req, f)) << f.reason;
    EXPECT_TRUE(req.devices.empty());
}

TEST(UpdateAnswer, CarriesEveryOfferFieldInTheClientsCodePage)
{
    offer_t o;
    o.hardid = "PCI\\VEN_1F3C&DEV_0A21";
    o.title = "Ger\xC3\xA4t \xE2\x84\xA2";  // "Gerät ™"
    o.version = "3.2.1.0";
    o.guid = "{4d36e972-e325-11ce-bfc1-08002be10318}";
    o.package = "net driver+1.zip";
    o.inf_path = "Norvale/NDIS62/nvgbe62.inf";
    o.manufacturer = "Norvale <Networks> & Co";
    o.provider = "Norvale";
    o.class_name = "Net";
    o.date = "2013-06-14";
    o.size = 1662;
    o.cp = 0x2001;
    o.sign = 3;
    o.feature = 0xFE;
    o.target_os = 61;
    o.sha256 = std::string(64, 'c');
    std::vector<answer_device_t> devices = {{"PCI\\VEN_1F3C&DEV_0A21\\4&1&0", {o}}, {"ODD]]>ID", {}}};
    std::string xml = build_update_answer(devices, {"http://127.0.0.1:8080/", 1252});

    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"windows-1252\" ?>\n<kelptone>\n\t<hardwares>\n", 0), 0u)
        << xml;
    EXPECT_NE(xml.find("\t\t\t<id>\n\t\t\t\t<![CDATA[PCI\\VEN_1F3C&DEV_0A21\\4&1&0]]>\n\t\t\t</id>\n"),
              std::string::npos);
    EXPECT_NE(xml.find("<title>Ger\xE4t \x99</title>"), std::string::npos); // Windows-1252 bytes
    TiXmlDocument doc;
    doc.Parse(xml.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    ASSERT_FALSE(doc.Error()) << doc.ErrorDesc();
    const TiXmlElement* hardware = doc.RootElement()->FirstChildElement("hardwares")->FirstChildElement("hardware");
    const TiXmlElement* item = hardware->FirstChildElement("item");
    ASSERT_NE(item, nullptr);
    const std::pair<const char*, const char*> expected[] = {
        {"hardid", "PCI\\VEN_1F3C&DEV_0A21"},
        {"ver", "3.2.1.0"},
        {"size", "1662"},
        {"guid", "{4d36e972-e325-11ce-bfc1-08002be10318}"},
        {"link", "http://127.0.0.1:8080/packages/cccccccccccccccc/net%20driver%2B1.zip"},
        {"infpath", "net driver+1/Norvale/NDIS62/nvgbe62.inf"},
        {"official_link", "http://127.0.0.1:8080/drivers/net%20driver%2B1.zip"},
        {"cp", "8193"},
        {"manu", "Norvale <Networks> & Co"},
        {"sign", "3"},
        {"feature", "fe"},
        {"targetos", "61"},
        {"date", "2013-06-14"},
        {"sha256", "cccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccc"},
    };
    for (const auto& [name, value] : expected) EXPECT_STREQ(child_text(item, name), value) << name;
    EXPECT_NE(std::string(child_text(item, "desc")).find("3.2.1.0"), std::string::npos);
    const TiXmlElement* odd = hardware->NextSiblingElement("hardware");
    ASSERT_NE(odd, nullptr);
    EXPECT_STREQ(child_text(odd, "id"), "ODD]]>ID");
    EXPECT_EQ(odd->FirstChildElement("item"), nullptr);
}

TEST(UpdateAnswer, NeverHoldsAByteXmlForbids)
{
    offer_t o;
    o.hardid = "PCI\\VEN_1\x02";
    o.title = "Esc\x1b[31m red\tTab\r\nLine";
    o.manufacturer = "Bell\x07";
    o.package = "p.zip";
    o.inf_path = "a\x0b.inf";
    std::vector<answer_device_t> devices = {
        {"PCI\\VEN_1\x01\x1b", {o}}, {"ODD]]>\x1f", {}}, {"PLAIN\\ID\x7f", {}}};
    answer_context_t context{"http://127.0.0.1:8080/", 1252};
    std::string xml = build_update_answer(devices, context);
    EXPECT_EQ(xml.size(), update_answer_size(devices, context));
    for (size_t i = 0; i < xml.size(); ++i) {
        auto c = static_cast<unsigned char>(xml[i]);
        EXPECT_TRUE(c >= 0x20 || c == '\t' || c == '\n' || c == '\r') << "byte " << int(c) << " at " << i;
    }
    // not written as character references either: XML forbids those too
    for (const char* ref : {"&#x01;", "&#x1B;", "&#x1F;", "&#x07;", "&#x0B;", "&#x02;"})
        EXPECT_EQ(xml.find(ref), std::string::npos) << ref;

    TiXmlDocument doc;
    doc.Parse(xml.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    ASSERT_FALSE(doc.Error()) << doc.ErrorDesc();
    const TiXmlElement* hardware = doc.RootElement()->FirstChildElement("hardwares")->FirstChildElement("hardware");
    EXPECT_STREQ(child_text(hardware, "id"), "PCI\\VEN_1");
    const TiXmlElement* item = hardware->FirstChildElement("item");
    ASSERT_NE(item, nullptr);
    // TAB, LF and CR are characters XML carries: they are kept
    EXPECT_STREQ(child_text(item, "title"), "Esc[31m red\tTab\r\nLine");
    EXPECT_STREQ(child_text(item, "manu"), "Bell");
    EXPECT_STREQ(child_text(item, "infpath"), "p/a.inf");
    hardware = hardware->NextSiblingElement("hardware");
    EXPECT_STREQ(child_text(hardware, "id"), "ODD]]>");
    hardware = hardware->NextSiblingElement("hardware");
    EXPECT_STREQ(child_text(hardware, "id"), "PLAIN\\ID\x7f"); // DEL is a character: echoed
}

TEST(UpdateAnswer, KeepsToItsByteBudgetAndSaysWhenTheDevicesAloneExceedIt)
{
    auto offer = [](int n, size_t title_length) {
        offer_t o;
        o.hardid = "PCI\\VEN_1000&DEV_" + std::to_string(n);
        o.title = std::string(title_length, 'T') + " & <" + std::to_string(n) + ">";
        o.package = "p" + std::to_string(n) + ".zip";
        o.inf_path = "a.inf";
        o.version = "1.0";
        o.date = "2013-01-01";
        o.sha256 = std::string(64, 'a');
        return o;
    };
    std::vector<answer_device_t> devices;
    for (int d = 0; d < 20; ++d) {
        answer_device_t device{"ROOT\\DEVICE\\" + std::to_string(d) + (d == 3 ? "]]>" : ""), {}};
        for (int n = 0; n < 5; ++n) device.offers.push_back(offer(d * 10 + n, 50 + 40 * n));
        devices.push_back(device);
    }
    answer_context_t context{"http://127.0.0.1:8080/", 1252, 0};
    const size_t whole = update_answer_size(devices, context);
    EXPECT_EQ(build_update_answer(devices, context).size(), whole);

    auto bare = devices;
    for (auto& d : bare) d.offers.clear();
    struct row {
        size_t budget;
        bool fits;
        size_t least_offers, most_offers; // per device, after the cut
    };
    const row rows[] = {
        {whole, true, 5, 5},
        {whole - 1, true, 4, 5},
        {whole / 2, true, 2, 3},
        {update_answer_size(bare, context), true, 0, 0},
        {100, false, 0, 0},
    };
    for (const auto& r : rows) {
        auto cut = devices;
        context.max_bytes = r.budget;
        ASSERT_EQ(fit_answer_budget(cut, context), r.fits) << r.budget;
        if (!r.fits) continue;
        std::string xml = build_update_answer(cut, context);
        EXPECT_LE(xml.size(), r.budget);
        EXPECT_EQ(xml.size(), update_answer_size(cut, context));
        for (size_t d = 0; d < cut.size(); ++d) {
            EXPECT_GE(cut[d].offers.size(), r.least_offers) << r.budget;
            EXPECT_LE(cut[d].offers.size(), r.most_offers) << r.budget;
            // the best offers are the ones kept
            for (size_t i = 0; i < cut[d].offers.size(); ++i)
                EXPECT_EQ(cut[d].offers[i].package, devices[d].offers[i].package);
        }
        TiXmlDocument doc;
        doc.Parse(xml.c_str(), nullptr, TIXML_ENCODING_LEGACY);
        EXPECT_FALSE(doc.Error()) << doc.ErrorDesc();
    }
}
