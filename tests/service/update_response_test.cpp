// Reading the update service's answer into the devices: the document's
// shape, every field of an offer, and hostile answers.
#include "service/update_response.h"

#include "common/ansi_text.h"
#include "common/last_error.h"
#include "support/sample_devices.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

using namespace tdu;
using namespace tdu::test;

namespace {

const char16_t* const net_id = u"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02";
const char* const net_id_text = "PCI\\VEN_8086&amp;DEV_100E&amp;SUBSYS_001E8086&amp;REV_02";

std::string answer(const std::string& hardwares)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<kelptone>\n<hardwares>" + hardwares +
           "</hardwares>\n</kelptone>\n";
}

// An answer in an 8-bit encoding: TinyXML keeps every byte as it is, and the
// program converts them with the ANSI code page.
std::string legacy_answer(const std::string& hardwares)
{
    return "<?xml version=\"1.0\" encoding=\"windows-1252\" ?>\n<kelptone><hardwares>" + hardwares +
           "</hardwares></kelptone>";
}

std::string hardware(const std::string& id, const std::string& items)
{
    return "<hardware><id>" + id + "</id>" + items + "</hardware>";
}

std::string item(const std::string& fields) { return "<item>" + fields + "</item>"; }

struct parse_fixture_c : ::testing::Test {
    device_inventory_t inventory = sample_inventory();
    device_t& net = inventory.devices[0];
    device_t& usb = inventory.devices[1];

    void SetUp() override { use_ansi_code_page(&windows_1252_code_page()); }
    void TearDown() override { use_ansi_code_page(nullptr); }
    bool parse(const std::string& body) { return parse_update_response(body.c_str(), inventory); }
};

using ParseUpdateResponse = parse_fixture_c;

} // namespace

TEST_F(ParseUpdateResponse, ReadsEveryFieldOfAnOffer)
{
    std::string fields =
        "<hardid>PCI\\VEN_8086&amp;DEV_100E</hardid><title>Intel PRO/1000</title><ver>8.10.3.0</ver>"
        "<size>3000000000</size><guid>{4D36E972-E325-11CE-BFC1-08002BE10318}</guid>"
        "<link>http://127.0.0.1/d/e1000 x.zip?a=1&amp;b=2</link><infpath>drivers/net/e1000.inf</infpath>"
        "<official_link>http://vendor.example/e1000</official_link><cp>  42abc</cp><manu>Intel</manu>"
        "<sign>1</sign><feature>ff</feature><targetos>61</targetos><date>2013-05-01</date>"
        "<desc>Caf\xe9 network</desc>";
    ASSERT_TRUE(parse(answer(hardware(net_id_text, item(fields)))));
    ASSERT_EQ(net.offer_count, 1);
    const driver_offer_t& o = net.offers[0];
    EXPECT_EQ(u16(o.hardid), u"PCI\\VEN_8086&DEV_100E");
    EXPECT_EQ(u16(o.title), u"Intel PRO/1000");
    EXPECT_EQ(u16(o.version), u"8.10.3.0");
    EXPECT_EQ(o.size, 3000000000u);
    EXPECT_EQ(u16(o.guid), u"{4D36E972-E325-11CE-BFC1-08002BE10318}");
    EXPECT_STREQ(o.link, "http://127.0.0.1/d/e1000 x.zip?a=1&b=2");
    EXPECT_EQ(u16(o.inf_name), u"net\\e1000.inf");
    EXPECT_STREQ(o.official_link, "http://vendor.example/e1000");
    EXPECT_EQ(o.cp, 42u);
    EXPECT_EQ(u16(o.manufacturer), u"Intel");
    EXPECT_EQ(o.sign, 1u);
    EXPECT_EQ(o.feature, 255u);
    EXPECT_EQ(o.targetos, 61u);
    EXPECT_EQ(u16(o.date), u"2013-05-01");
    EXPECT_EQ(u16(o.description), u"Caf\u00e9 network");
    EXPECT_EQ(usb.offer_count, 0);
    EXPECT_EQ(usb.offers, nullptr);
}

TEST_F(ParseUpdateResponse, MissingFieldsStayEmptyAndOverLongOnesAreCut)
{
    std::string long_text(5000, 'x');
    std::string fields;
    for (const char* name : {"hardid", "title", "ver", "guid", "link", "infpath", "official_link", "manu", "date", "desc"})
        fields += std::string("<") + name + ">" + long_text + "</" + name + ">";
    ASSERT_TRUE(parse(answer(hardware(net_id_text, item("") + item(fields)))));
    ASSERT_EQ(net.offer_count, 2);
    const driver_offer_t& empty = net.offers[0];
    EXPECT_EQ(empty.hardid[0], 0);
    EXPECT_EQ(empty.link[0], 0);
    EXPECT_EQ(empty.size, 0u);
    EXPECT_EQ(empty.inf_name[0], 0);
    const driver_offer_t& o = net.offers[1];
    EXPECT_EQ(u16(o.hardid).size(), offer_hardid_chars - 1);
    EXPECT_EQ(u16(o.title).size(), offer_title_chars - 1);
    EXPECT_EQ(u16(o.version).size(), offer_version_chars - 1);
    EXPECT_EQ(u16(o.guid).size(), offer_guid_chars - 1);
    EXPECT_EQ(std::string(o.link).size(), offer_link_bytes - 1);
    EXPECT_EQ(std::string(o.official_link).size(), offer_official_link_bytes - 1);
    EXPECT_EQ(u16(o.manufacturer).size(), offer_manufacturer_chars - 1);
    EXPECT_EQ(u16(o.date).size(), offer_date_chars - 1);
    EXPECT_EQ(u16(o.description).size(), offer_description_chars - 1);
    EXPECT_EQ(u16(o.inf_name), u16(offer_inf_name_chars - 1, u'x')) << "a path without folders stays whole";
}

TEST_F(ParseUpdateResponse, TheFirstElementOfANameGivesTheField)
{
    // Repeated names, elements the answer format does not know, comments and
    // fields whose first child is markup rather than text: a field comes
    // from the first element of its name, and is empty when that element's
    // text is not its first child (a later element of the name is not read).
    std::string fields =
        "<note>x</note><size>7</size><!-- c --><size>8</size><title><b>bold</b>late</title><title>second</title>"
        "<ver/><ver>9.9</ver><link>http://a/1.zip</link><link>http://a/2.zip</link>"
        "<sha256>bad</sha256><sha256>1d0d7049c23f1d2c6df80117f2e2b8768405adf75f42273ad08aad89033e2f20</sha256>"
        "<Cp>4</Cp><cp>5</cp><cp>6</cp>";
    ASSERT_TRUE(parse(answer(hardware(net_id_text, item(fields)))));
    ASSERT_EQ(net.offer_count, 1);
    const driver_offer_t& o = net.offers[0];
    EXPECT_EQ(o.size, 7u);
    EXPECT_EQ(o.title[0], 0);
    EXPECT_EQ(o.version[0], 0);
    EXPECT_STREQ(o.link, "http://a/1.zip");
    EXPECT_TRUE(o.digest_malformed);
    EXPECT_EQ(o.cp, 5u) << "names are compared exactly";
}

TEST(ReadUnsigned, ReadsLikeStrtoulWithA32BitLong)
{
    struct row { const char* text; int base; uint32_t value; };
    const row rows[] = {
        {"0", 10, 0},          {"123", 10, 123},           {"  \t\n7x", 10, 7},
        {"", 10, 0},           {"abc", 10, 0},             {"+5", 10, 5},
        {"-1", 10, 0xFFFFFFFFu}, {"-5", 10, 0xFFFFFFFBu},  {"4294967295", 10, 0xFFFFFFFFu},
        {"4294967296", 10, 0xFFFFFFFFu}, {"99999999999999999999999", 10, 0xFFFFFFFFu},
        {"ff", 16, 255},       {"FF", 16, 255},            {"0x1f", 16, 31},
        {"0xg", 16, 0},        {"10000", 16, 0x10000},     {"fffffffff", 16, 0xFFFFFFFFu},
        {"--5", 10, 0},        {"1e3", 10, 1},             {"12 34", 10, 12},
    };
    for (const auto& r : rows) EXPECT_EQ(read_unsigned(r.text, r.base), r.value) << r.text << " base " << r.base;
}

TEST_F(ParseUpdateResponse, InfNameDropsThePackagesFirstFolder)
{
    struct row { const char* path; const char16_t* name; };
    const row rows[] = {
        {"drivers/net/e1000.inf", u"net\\e1000.inf"},
        {"a/b/c.inf", u"b\\c.inf"},
        {"pkg\\x64\\drv.inf", u"x64\\drv.inf"},
        {"/top.inf", u"top.inf"},
        {"setup.inf", u"setup.inf"},
        {"", u""},
    };
    for (const auto& r : rows) {
        ASSERT_TRUE(parse(answer(hardware(net_id_text, item(std::string("<infpath>") + r.path + "</infpath>")))));
        EXPECT_EQ(u16(net.offers[0].inf_name), r.name) << r.path;
    }
}

TEST_F(ParseUpdateResponse, KeepsAtMost500OffersAndTheLaterOfTwoNamings)
{
    std::string many;
    for (int i = 0; i < 600; ++i) many += item("<size>" + std::to_string(i) + "</size>");
    ASSERT_TRUE(parse(answer(hardware(net_id_text, many))));
    ASSERT_EQ(net.offer_count, 500);
    EXPECT_EQ(net.offers[499].size, 499u);

    // Named twice: the later element's offers replace the earlier ones.
    ASSERT_TRUE(parse(answer(hardware(net_id_text, item("<size>1</size>")) +
                             hardware(net_id_text, item("<size>2</size>") + item("<size>3</size>")))));
    ASSERT_EQ(net.offer_count, 2);
    EXPECT_EQ(net.offers[0].size, 2u);

    // A later naming without items leaves the array and counts no offers.
    ASSERT_TRUE(parse(answer(hardware(net_id_text, ""))));
    EXPECT_EQ(net.offer_count, 0);
    EXPECT_NE(net.offers, nullptr);
}

TEST_F(ParseUpdateResponse, MatchesDeviceIdsExactlyAfterTheCodePageConversion)
{
    // The last sample device's ID holds an e-acute (0xE9 in the ANSI code
    // page) and markup characters; a case variant names no device.
    std::string odd_id = "ROOT\\Caf\xe9&lt;&amp;&gt;?";
    inventory.devices[3] = make_device({u"ROOT\\Caf\u00e9<&>?", u"odd", u"MEDIA", u"ROOT", {u"x"}, {u"y"}});
    ASSERT_TRUE(parse(legacy_answer(hardware(odd_id, item("<size>9</size>")) +
                             hardware("pci\\ven_8086&amp;dev_100e&amp;subsys_001e8086&amp;rev_02", item("")) +
                             hardware("UNKNOWN\\DEVICE", item("")))));
    EXPECT_EQ(inventory.devices[3].offer_count, 1);
    EXPECT_EQ(net.offer_count, 0);
    EXPECT_EQ(net.offers, nullptr);
}

TEST_F(ParseUpdateResponse, RefusesAnswersOfTheWrongShape)
{
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    struct row {
        std::string body;
        bool ok;
        int32_t code;  // last_error_code afterwards (0: untouched)
    };
    const row rows[] = {
        {"", false, 0},
        {"this is not XML at all", false, 0},
        {"<kelptone/>", false, 0},
        {"<kelptone><hardwares/></kelptone>", false, 0},
        {"<kelptone><hardwares><other/></hardwares></kelptone>", false, 0},
        {"<kelptone><item/><hardwares><hardware><id>X</id></hardware>", false, 0},  // cut short
        {answer(hardware("UNKNOWN\\DEVICE", item(""))), true, 0},
        {answer("<hardware><item/></hardware>"), false, error_bad_response},
        {answer("<hardware><id></id></hardware>"), false, error_bad_response},
        {answer("<hardware><id><b>x</b></id></hardware>"), false, error_bad_response},
        {"<kelptone><hardwares><hardware><id>" + deep, false, 0},
        {"<r>" + deep.substr(0, 3000) + "<hardwares><hardware><id>X</id></hardware></hardwares>", false, 0},
    };
    for (const auto& r : rows) {
        set_last_error(0);
        EXPECT_EQ(parse(r.body), r.ok) << r.body.substr(0, 120);
        EXPECT_EQ(get_last_error(), r.code) << r.body.substr(0, 120);
    }
}

TEST_F(ParseUpdateResponse, ACutOrMalformedAnswerIsNotReadAtAll)
{
    // A whole answer with two devices; each cut or damage of it must leave
    // every device as it was, rather than give other offers and counts.
    const std::string whole =
        legacy_answer(hardware(net_id_text, item("<title>first</title><size>5</size>") +
                                                item("<title>caf\xe9 second</title><size>6</size>")) +
                      hardware("USB\\VID_046D&amp;PID_C52B", item("<title>mouse</title>")));
    ASSERT_TRUE(parse(whole));
    ASSERT_EQ(net.offer_count, 2);
    ASSERT_EQ(usb.offer_count, 1);

    const size_t second_item = whole.find("<item><title>caf");
    const size_t lead_byte = whole.find('\xe9');
    const std::string declares_utf8 = answer(hardware(net_id_text, item("<title>a\xe6\x97\xa5</title>")));
    struct row {
        const char* what;
        std::string body;
    };
    const row rows[] = {
        {"cut inside the second item", whole.substr(0, second_item + 10)},
        {"cut between two items", whole.substr(0, second_item)},
        {"cut after the last hardware", whole.substr(0, whole.find("</hardwares>"))},
        {"cut inside a closing tag", whole.substr(0, whole.size() - 5)},
        {"a closing tag that does not match", whole.substr(0, second_item) + "<item><size>1</size></itme></hardware>"
                                                                              "</hardwares></kelptone>"},
        {"cut after a lead byte in a document that declares UTF-8",
         declares_utf8.substr(0, declares_utf8.find('\xe6') + 1)},
        {"cut after a lead byte of the code page", whole.substr(0, lead_byte + 1)},
        {"a zero byte inside", whole.substr(0, second_item) + std::string(1, '\0') + whole.substr(second_item)},
        {"a zero byte after the root", whole + std::string(1, '\0') + "<more/>"},
    };
    for (const auto& r : rows) {
        device_inventory_t fresh = sample_inventory();
        set_last_error(0);
        EXPECT_FALSE(parse_update_response(r.body, fresh)) << r.what;
        for (const device_t& d : fresh.devices) {
            EXPECT_EQ(d.offers, nullptr) << r.what;
            EXPECT_EQ(d.offer_count, 0) << r.what;
        }
    }
}

TEST_F(ParseUpdateResponse, DevicesBeforeAHardwareWithoutIdKeepTheirOffers)
{
    set_last_error(0);
    EXPECT_FALSE(parse(answer(hardware(net_id_text, item("<size>5</size>")) + "<hardware><item/></hardware>" +
                              hardware("USB\\VID_046D&amp;PID_C52B", item("")))));
    EXPECT_EQ(get_last_error(), error_bad_response);
    EXPECT_EQ(net.offer_count, 1);
    EXPECT_EQ(usb.offer_count, 0);
}

TEST_F(ParseUpdateResponse, InvalidAnsiBytesAndControlCharactersStayInTheirFields)
{
    // Bytes the code page leaves undefined become the C1 controls of the same
    // value, as Windows converts them.
    std::string fields = "<title>\x81\x8d\x8f\x90\x9d</title><manu>&#1;&#x7f;</manu>";
    ASSERT_TRUE(parse(legacy_answer(hardware(net_id_text, item(fields)))));
    ASSERT_EQ(net.offer_count, 1);
    EXPECT_EQ(u16(net.offers[0].title), u"\u0081\u008d\u008f\u0090\u009d");

    // In a document that declares UTF-8, bytes that are not UTF-8 (lone lead
    // and continuation bytes) still give texts that fit their fields, as long
    // as each lead byte leaves the markup after it whole.
    std::string bad = "\xc3\xff\x80\xe9\xf0\xf0" + std::string(300, '\xf0');
    fields = "<title>" + bad + "</title><date>" + bad + "</date><link>" + bad + "</link><ver>\xe9" "ab</ver>";
    ASSERT_TRUE(parse(answer(hardware(net_id_text, item(fields)))));
    ASSERT_EQ(net.offer_count, 1);
    EXPECT_LT(u16(net.offers[0].title).size(), offer_title_chars);
    EXPECT_LT(u16(net.offers[0].date).size(), offer_date_chars);
    EXPECT_LT(std::string(net.offers[0].link).size(), offer_link_bytes);

    // A lead byte that takes the "<" of the closing tag with it leaves the
    // document malformed: it is not read at all.
    device_inventory_t fresh = sample_inventory();
    EXPECT_FALSE(parse_update_response(answer(hardware(net_id_text, item("<ver>\xe9</ver>"))), fresh));
    EXPECT_EQ(fresh.devices[0].offers, nullptr);
}

TEST_F(ParseUpdateResponse, KeepsAPackageDigestAndRefusesAnOfferWithAMalformedOne)
{
    const std::string digest = "1d0d7049c23f1d2c6df80117f2e2b8768405adf75f42273ad08aad89033e2f20";
    std::string upper = digest;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    struct row {
        std::string element;  // empty: no element
        std::string kept;
        bool malformed;       // a digest was given that nothing can check against
    };
    const row rows[] = {
        {"<sha256>" + digest + "</sha256>", digest, false},
        {"<sha256>" + upper + "</sha256>", digest, false},
        {"", "", false},
        {"<sha256></sha256>", "", false},
        {"<sha256 />", "", false},
        {"<sha256>" + digest.substr(1) + "</sha256>", "", true},  // 63 digits
        {"<sha256>" + digest + "0</sha256>", "", true},
        {"<sha256>" + digest.substr(1) + "g</sha256>", "", true},
        {"<sha256>" + digest.substr(0, 32) + " " + digest.substr(33) + "</sha256>", "", true},
        {"<sha256>md5:" + digest.substr(0, 32) + "</sha256>", "", true},
    };
    for (const auto& r : rows) {
        ASSERT_TRUE(parse(answer(hardware(net_id_text, item("<link>http://127.0.0.1/a.zip</link>" + r.element)))));
        ASSERT_EQ(net.offer_count, 1) << r.element;
        EXPECT_EQ(std::string(net.offers[0].sha256), r.kept) << r.element;
        EXPECT_EQ(net.offers[0].digest_malformed, r.malformed) << r.element;
    }
}
