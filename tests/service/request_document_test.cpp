// The update request document, byte for byte, and its zlib stream.
#include "service/request_document.h"

#include "common/ansi_text.h"
#include "support/golden.h"
#include "support/sample_devices.h"

#include <gtest/gtest.h>
#include <tinyxml.h>
#include <zlib.h>


using namespace tdu;
using namespace tdu::test;

namespace {

update_request_t sample_request()
{
    update_request_t r;
    r.os_code = "WIN7";
    r.model = u"Contoso \"Mini\" <PC> & 'Co' \u4e2d";
    r.os_version = 61;
    r.os_build = 7601;
    r.oem_code_page = 437;
    return r;
}

std::string inflate_all(const std::vector<unsigned char>& z, size_t room)
{
    std::vector<char> out(room + 1);
    uLongf size = static_cast<uLongf>(out.size());
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size, z.data(), static_cast<uLong>(z.size())) != Z_OK)
        return "<not a complete zlib stream>";
    return std::string(out.data(), size);
}

} // namespace

TEST(RequestDocument, MatchesTheGoldenFileByteForByte)
{
    use_ansi_code_page(&windows_1252_code_page());
    device_inventory_t inventory = sample_inventory();
    std::string doc = build_update_request(inventory.devices.data(), inventory.devices.size(), sample_request());
    use_ansi_code_page(nullptr);
    expect_golden(doc, "update_request.xml");

    // The document parses back, its IDs intact.
    TiXmlDocument parsed;
    parsed.Parse(doc.c_str());
    ASSERT_FALSE(parsed.Error()) << parsed.ErrorDesc();
    const TiXmlElement* hardware = parsed.RootElement()->FirstChildElement("hardwares")->FirstChildElement("hardware");
    EXPECT_STREQ(hardware->FirstChildElement("id")->GetText(), "PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02");
}

TEST(RequestDocument, AnEmptyInventoryStillSendsItsHardwaresElement)
{
    std::string doc = build_update_request(nullptr, 0, sample_request());
    EXPECT_NE(doc.find("\n\t<hardwares />\n</kelptone>\n"), std::string::npos) << doc;
    EXPECT_EQ(doc.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<kelptone>\n\t<action>ACTION_UPDATE_DRIVER</action>\n", 0), 0u)
        << doc;
}

TEST(RequestDocument, ConvertsWithTheThreadCodePageNotUtf8)
{
    use_ansi_code_page(&windows_1252_code_page());
    device_t device = make_device({u"PCI\\Caf\u00e9", u"", u"Net", u"PCI", {u"PCI\\Caf\u00e9"}, {}});
    update_request_t request = sample_request();
    request.model = u"Z\u00fcrich \u0416";
    std::string doc = build_update_request(&device, 1, request);
    use_ansi_code_page(nullptr);
    EXPECT_NE(doc.find("model=\"Z\xfcrich ?\""), std::string::npos) << doc;
    EXPECT_NE(doc.find("<![CDATA[PCI\\Caf\xe9]]>"), std::string::npos) << doc;
    EXPECT_EQ(doc.find("<compids"), std::string::npos) << "no compatible IDs, no element";
    EXPECT_NE(doc.find("<matchid>\n\t\t\t\t<![CDATA[]]>\n\t\t\t</matchid>"), std::string::npos)
        << "no installed driver still sends an empty matchid";
}

TEST(RequestDocument, ADeviceWithEmptyIdListsSendsNeitherListElement)
{
    // The scan keeps a node whose ID lists are present but empty.
    device_t device = make_device({u"ROOT\\EMPTY_LISTS", u"", u"Net", u"ROOT", {}, {}});
    std::string doc = build_update_request(&device, 1, sample_request());
    EXPECT_NE(doc.find("<![CDATA[ROOT\\EMPTY_LISTS]]>"), std::string::npos) << doc;
    EXPECT_EQ(doc.find("<hardids"), std::string::npos) << doc;
    EXPECT_EQ(doc.find("<compids"), std::string::npos) << doc;
}

TEST(CompressRequest, GivesOneCompleteZlibStream)
{
    for (size_t size : {size_t(0), size_t(1), size_t(5000), size_t(3) << 20}) {
        std::string text(size, 'x');
        for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>("<hardware>\n\t"[i % 12] + (i % 7919 == 0));
        std::vector<unsigned char> z;
        ASSERT_TRUE(compress_request(text, z)) << size;
        ASSERT_GE(z.size(), 6u);
        EXPECT_EQ(z[0], 0x78) << "zlib header, default window";
        EXPECT_EQ((z[0] * 256 + z[1]) % 31, 0) << "header check bits";
        EXPECT_TRUE(inflate_all(z, size) == text) << "round trip of " << size << " bytes";
    }
}
