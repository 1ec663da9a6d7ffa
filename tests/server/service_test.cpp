// The service over real HTTP: started in-process on a free loopback port
// with the demo catalogue, and spoken to with libcurl.
#include "catalogue/package_files.h"
#include "http/byte_range.h"
#include "http/update_service.h"
#include "server_test_support.h"
#include "service_fixture.h"
#include "service/answer_signature.h"

#include "support/test_support.h"

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using namespace tdu::server;
using tdu::server::test::reply_t;
using tdu::server::test::service_fixture_c;

namespace {

using UpdateService = service_fixture_c;

struct item_t {
    std::map<std::string, std::string> fields;
    const std::string& operator[](const char* name) const { return fields.at(name); }
};

// device id -> its items, in document order
std::map<std::string, std::vector<item_t>> read_answer(const std::string& xml)
{
    std::map<std::string, std::vector<item_t>> out;
    TiXmlDocument doc;
    doc.Parse(xml.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    EXPECT_FALSE(doc.Error()) << doc.ErrorDesc();
    if (doc.Error()) return out;
    const TiXmlElement* hardwares = doc.RootElement()->FirstChildElement("hardwares");
    for (const TiXmlElement* h = hardwares->FirstChildElement("hardware"); h; h = h->NextSiblingElement("hardware")) {
        auto& items = out[h->FirstChildElement("id")->GetText()];
        for (const TiXmlElement* i = h->FirstChildElement("item"); i; i = i->NextSiblingElement("item")) {
            item_t item;
            for (const TiXmlElement* f = i->FirstChildElement(); f; f = f->NextSiblingElement())
                item.fields[f->ValueStr()] = f->GetText() ? f->GetText() : "";
            items.push_back(item);
        }
    }
    return out;
}

std::string demo_request(const std::string& os = "WIN7")
{
    std::string text = tdu::test::read_file(test::demo_request_file());
    size_t at = text.find("os=\"WIN7\"");
    return text.replace(at, 9, "os=\"" + os + "\"");
}

const char* const network = "PCI\\VEN_1F3C&DEV_0A21&SUBSYS_00011F3C&REV_03\\4&2B8F7D1&0&00E1";
const char* const display = "PCI\\VEN_1E7A&DEV_3C10&SUBSYS_04601E7A&REV_A1\\4&1C3E5A7&0&0008";
const char* const audio = "HDAUDIO\\FUNC_01&VEN_1C4B&DEV_0892&SUBSYS_1C4B0001&REV_1002\\4&3A1F22C&0&0001";
const char* const usb = "PCI\\VEN_1D2F&DEV_7014&SUBSYS_70141D2F&REV_02\\4&5D0E12F&0&00E4";
const char* const smbus = "PCI\\VEN_1A9C&DEV_2E10&SUBSYS_2E101A9C&REV_01\\3&11583659&0&FB";
const char* const lpc = "PCI\\VEN_1A9C&DEV_2E14&SUBSYS_2E141A9C&REV_01\\3&11583659&0&F8";
const char* const printer = "USBPRINT\\INKMEREP2100_5B7A\\7&2E0F6A1&0&USB001";
const char* const button = "ACPI\\PNP0C0C\\2&DABA3FF&0";

} // namespace

TEST_F(UpdateService, SignsEveryAnswerForItsRequestWithATimeLimit)
{
    service_options_t options;
    options.signature_lifetime = 600;
    start(options);
    auto reply = post_request(demo_request());
    ASSERT_EQ(reply.status, 200) << reply.body;
    std::string value = reply.header("X-Tavrill-Signature");
    ASSERT_FALSE(value.empty());
    tdu::answer_key_t key;
    ASSERT_TRUE(tdu::parse_answer_key(public_key_line(signing_key_), key));
    int64_t now = static_cast<int64_t>(std::time(nullptr));
    EXPECT_EQ(tdu::verify_answer(value, reply.body, demo_request(), now, {key}), tdu::signature_verdict_t::valid);
    EXPECT_EQ(tdu::verify_answer(value, reply.body, demo_request(), now + 601, {key}), tdu::signature_verdict_t::expired);
    EXPECT_EQ(tdu::verify_answer(value, reply.body, demo_request("WINXP"), now, {key}), tdu::signature_verdict_t::other_request);

    // Without a key the service does not serve at all.
    stop();
    service_options_t unsigned_options;
    unsigned_options.catalogue = catalogue_;
    unsigned_options.port = 0;
    update_service_t unsigned_service(unsigned_options);
    std::string error;
    EXPECT_FALSE(unsigned_service.bind(error));
    EXPECT_NE(error.find("secret key"), std::string::npos) << error;
}

TEST_F(UpdateService, DemoMachineGetsItsOffersAndTheirPackages)
{
    start();
    auto reply = post_request(demo_request());
    ASSERT_EQ(reply.status, 200) << reply.body;
    EXPECT_EQ(reply.header("Content-Type"), "text/xml");
    auto answer = read_answer(reply.body);
    ASSERT_EQ(answer.size(), 8u);

    struct row {
        const char* device;
        const char* package;
        const char* version;
        const char* cp;
        const char* sign;
        const char* feature;
        const char* targetos;
        const char* infpath;
    };
    // the first offer of each device
    const row rows[] = {
        {network, "norvale-gbe-3.2.zip", "3.2.1.0", "1", "0", "ff", "61",
         "norvale-gbe-3.2/Norvale/NDIS62/nvgbe62.inf"},
        {display, "quellix-display-8.15.zip", "8.15.10.2900", "8193", "0", "ff", "0",
         "quellix-display-8.15/Graphics/qxdisp.inf"},
        {audio, "brightwave-hdaudio-6.0.zip", "6.0.1.6871", "1", "3", "ff", "0",
         "brightwave-hdaudio-6.0/Audio/WDM/bwhda.inf"},
        {usb, "ostara-usb3-1.4.zip", "1.4.0.12", "8193", "0", "80", "0", "ostara-usb3-1.4/USB3/Driver/ostxhci.inf"},
        {smbus, "kestrel-chipset-9.2.zip", "9.2.0.1015", "8193", "0", "ff", "0",
         "kestrel-chipset-9.2/Chipset/k200smbus.inf"},
        {lpc, "kestrel-chipset-9.2.zip", "9.2.0.1015", "8193", "0", "ff", "0",
         "kestrel-chipset-9.2/Chipset/k200lpc.inf"},
        {printer, "inkmere-p2100-2.0.zip", "2.0.0.11", "0", "0", "ff", "0", "inkmere-p2100-2.0/Driver/inkp2100.inf"},
    };
    for (const auto& r : rows) {
        const auto& items = answer[r.device];
        ASSERT_FALSE(items.empty()) << r.device;
        const item_t& o = items[0];
        EXPECT_EQ(o["link"], base_ + "packages/" + o["sha256"].substr(0, 16) + "/" + r.package) << r.device;
        EXPECT_EQ(o["ver"], r.version) << r.device;
        EXPECT_EQ(o["cp"], r.cp) << r.device;
        EXPECT_EQ(o["sign"], r.sign) << r.device;
        EXPECT_EQ(o["feature"], r.feature) << r.device;
        EXPECT_EQ(o["targetos"], r.targetos) << r.device;
        EXPECT_EQ(o["infpath"], r.infpath) << r.device;
        EXPECT_EQ(o["size"], std::to_string(fs::file_size(test::demo_packages_dir() / r.package))) << r.device;
    }
    // the network adapter also gets the older release, after the newer one
    ASSERT_EQ(answer[network].size(), 2u);
    EXPECT_EQ(answer[network][1]["ver"], "2.9.4.0");
    EXPECT_EQ(answer[network][0]["date"], "2013-06-14");
    EXPECT_EQ(answer[network][0]["manu"], "Norvale Networks");
    EXPECT_EQ(answer[network][0]["hardid"], "PCI\\VEN_1F3C&DEV_0A21&SUBSYS_00011F3C");
    EXPECT_EQ(answer[network][0]["guid"], "{4d36e972-e325-11ce-bfc1-08002be10318}");
    EXPECT_EQ(answer[printer][0]["manu"], "Inkmere Printing");
    EXPECT_TRUE(answer[button].empty());

    // each link serves its package, byte for byte
    const item_t& offer = answer[display][0];
    auto download = request(offer["link"]);
    EXPECT_EQ(download.status, 200);
    EXPECT_EQ(download.body, tdu::test::read_file(test::demo_packages_dir() / "quellix-display-8.15.zip"));
    auto page = request(offer["official_link"]);
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("Graphics/qxdisp.inf: Display driver 8.15.10.2900"), std::string::npos) << page.body;
}

TEST_F(UpdateService, OffersFollowTheRequestedSystem)
{
    start();
    struct row {
        const char* os;
        std::vector<std::string> network_versions; // of the network adapter's offers, in order
        const char* first_targetos;
    };
    const row rows[] = {
        {"WIN764", {"3.2.1.0", "2.9.4.0"}, "61"},
        {"WINXP", {"3.2.1.0", "2.9.4.0"}, "0"}, // the 6.1 section is not for XP; the plain NTx86 one is
        // The 10.0 package goes to Windows 10 and 11 before the 6.1 one; the
        // package built for build 22000 and later only to Windows 11.
        {"WIN10", {"3.6.0.0", "3.2.1.0", "2.9.4.0"}, "100"},
        {"WIN1064", {"3.6.0.0", "3.2.1.0", "2.9.4.0"}, "100"},
        {"WIN11", {"4.0.2.0", "3.6.0.0", "3.2.1.0", "2.9.4.0"}, "100"},
        {"WIN1164", {"4.0.2.0", "3.6.0.0", "3.2.1.0", "2.9.4.0"}, "100"},
        {"NOT_SUPPORTED", {}, nullptr},
    };
    for (const auto& r : rows) {
        auto reply = post_request(demo_request(r.os));
        ASSERT_EQ(reply.status, 200) << r.os;
        auto answer = read_answer(reply.body);
        EXPECT_EQ(answer.size(), 8u) << r.os;
        std::vector<std::string> versions;
        for (const auto& item : answer[network]) versions.push_back(item["ver"]);
        EXPECT_EQ(versions, r.network_versions) << r.os;
        if (r.first_targetos) EXPECT_EQ(answer[network][0]["targetos"], r.first_targetos) << r.os;
    }
}

TEST_F(UpdateService, BadRequestsGetAClearStatusAndReason)
{
    service_options_t options;
    options.max_body = 256 * 1024;
    options.limits.max_inflated = 64 * 1024;
    start(options);
    std::string noise;
    for (unsigned i = 0; i < 300 * 1024; ++i) noise += static_cast<char>((i * 7919u) >> 3);
    struct row {
        const char* name;
        std::function<reply_t()> send;
        long status;
        const char* says;
    };
    const row rows[] = {
        {"not multipart", [&] { return request("", {}, false, [](CURL* c) {
             curl_easy_setopt(c, CURLOPT_POSTFIELDS, "kelptone=abc");
         }); }, 400, "multipart"},
        {"no kelptone field", [&] { return post_field("", test::deflate_text(demo_request())); }, 400, "\"kelptone\""},
        {"not zlib", [&] { return post_field("kelptone", demo_request()); }, 400, "not a zlib stream"},
        {"inflates past the limit", [&] { return post_request(std::string(100 * 1024, ' ')); }, 413,
         "more than 65536 bytes"},
        {"body too large", [&] { return post_field("kelptone", noise); }, 413, "too large"},
        {"malformed XML", [&] { return post_request("<kelptone><action>"); }, 400, "not well-formed"},
        {"not the request document", [&] { return post_request("<answer/>"); }, 400, "root element"},
        {"unknown path", [&] { return request("nothing/here"); }, 404, "no such"},
        {"unknown package", [&] { return request("packages/absent.zip"); }, 404, "no such package"},
        {"path outside the catalogue", [&] { return request("packages/..%2F..%2Fcatalogue.db"); }, 404, "no such"},
    };
    for (const auto& r : rows) {
        reply_t reply = r.send();
        EXPECT_EQ(reply.status, r.status) << r.name;
        EXPECT_NE(reply.body.find(r.says), std::string::npos) << r.name << ": " << reply.body;
        EXPECT_EQ(reply.body.find('\n'), reply.body.size() - 1) << r.name << ": one line";
    }
    // and the service still answers
    EXPECT_EQ(post_request(demo_request()).status, 200);
}

TEST_F(UpdateService, PackageDownloadsHonourRanges)
{
    start();
    const std::string package = "norvale-gbe-3.2.zip";
    const std::string bytes = tdu::test::read_file(test::demo_packages_dir() / package);
    const size_t size = bytes.size();
    ASSERT_GT(size, 300u);
    const std::string total = "/" + std::to_string(size);
    struct row {
        std::string range; // empty: no Range header
        long status;
        size_t first, length; // of the body, for 200 and 206
        std::string content_range;
    };
    const row rows[] = {
        {"", 200, 0, size, ""},
        {"bytes=100-199", 206, 100, 100, "bytes 100-199" + total},
        {"bytes=100-", 206, 100, size - 100, "bytes 100-" + std::to_string(size - 1) + total},
        {"bytes=-50", 206, size - 50, 50, "bytes " + std::to_string(size - 50) + "-" + std::to_string(size - 1) + total},
        {"bytes=" + std::to_string(size - 1) + "-", 206, size - 1, 1,
         "bytes " + std::to_string(size - 1) + "-" + std::to_string(size - 1) + total},
        {"bytes=10-99999999", 206, 10, size - 10, "bytes 10-" + std::to_string(size - 1) + total},
        {"bytes=" + std::to_string(size) + "-", 416, 0, 0, "bytes */" + std::to_string(size)},
        {"bytes=99999-100000", 416, 0, 0, "bytes */" + std::to_string(size)},
        {"bytes=0-9,20-29", 200, 0, size, ""}, // several ranges: the whole file instead
    };
    for (const auto& r : rows) {
        std::vector<std::string> headers;
        if (!r.range.empty()) headers.push_back("Range: " + r.range);
        auto reply = request("packages/" + package, headers);
        EXPECT_EQ(reply.status, r.status) << r.range;
        EXPECT_EQ(reply.header("Content-Range"), r.content_range) << r.range;
        if (r.status == 416) continue;
        EXPECT_EQ(reply.header("Content-Length"), std::to_string(r.length)) << r.range;
        EXPECT_EQ(reply.body, bytes.substr(r.first, r.length)) << r.range;
        EXPECT_EQ(reply.header("Accept-Ranges"), "bytes");
    }
    // a Range the HTTP library cannot read is refused before the handler
    // runs, still with a reason
    for (const char* range : {"Range: bytes=abc", "Range: items=0-9", "Range: bytes=9-2"}) {
        auto garbled = request("packages/" + package, {range});
        EXPECT_EQ(garbled.status, 416) << range;
        EXPECT_EQ(garbled.body, "the Range header cannot be read\n") << range;
    }
    auto head = request("packages/" + package, {}, true);
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.header("Content-Length"), std::to_string(size));
}

TEST_F(UpdateService, LogsOneLinePerRequest)
{
    start();
    post_request(demo_request());
    request("packages/ostara-usb3-1.4.zip", {"Range: bytes=0-9"});
    request("packages/absent.zip");
    stop();
    std::istringstream lines(log_.str());
    std::vector<std::string> got;
    for (std::string line; std::getline(lines, line);) got.push_back(line);
    ASSERT_EQ(got.size(), 3u) << log_.str();
    // A line is written once its answer has gone out, by the worker that
    // sent it, so the lines of quick requests may come in either order.
    const char* const starts[] = {"POST / 200 ", "GET /packages/ostara-usb3-1.4.zip 206 10 ",
                                  "GET /packages/absent.zip 404 16 "};
    for (const char* start : starts) {
        auto line = std::find_if(got.begin(), got.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
        ASSERT_NE(line, got.end()) << start << " in\n" << log_.str();
        EXPECT_EQ(line->substr(line->size() - 2), "ms") << *line;
        EXPECT_NE(line->find_first_of("0123456789", std::string(start).size()), std::string::npos) << *line;
    }
}

TEST(ByteRange, ReadsOneRangeAgainstTheFileSize)
{
    using k = byte_range_t;
    struct row {
        const char* header;
        std::uint64_t size;
        k::kind_t kind;
        std::uint64_t first, last;
    };
    const row rows[] = {
        {"bytes=0-0", 10, k::partial, 0, 0},          {"BYTES = 2 - 5", 10, k::partial, 2, 5},
        {"bytes=-3", 10, k::partial, 7, 9},           {"bytes=-30", 10, k::partial, 0, 9},
        {"bytes=9-", 10, k::partial, 9, 9},           {"bytes=10-", 10, k::unsatisfiable, 0, 0},
        {"bytes=-0", 10, k::unsatisfiable, 0, 0},     {"bytes=0-", 0, k::unsatisfiable, 0, 0},
        {"bytes=-5", 0, k::unsatisfiable, 0, 0},      {"bytes=5-2", 10, k::whole, 0, 0},
        {"bytes=1-2,4-5", 10, k::whole, 0, 0},        {"bytes=a-", 10, k::whole, 0, 0},
        {"bytes=99999999999999999999-", 10, k::whole, 0, 0}, {"", 10, k::whole, 0, 0},
        {"bytes 1-2", 10, k::whole, 0, 0},            {"bytes=-", 10, k::whole, 0, 0},
    };
    for (const auto& r : rows) {
        auto got = parse_byte_range(r.header, r.size);
        EXPECT_EQ(got.kind, r.kind) << r.header;
        if (r.kind != k::partial) continue;
        EXPECT_EQ(got.first, r.first) << r.header;
        EXPECT_EQ(got.last, r.last) << r.header;
    }
}

TEST_F(UpdateService, AnswersFollowTheCatalogueWhenItIsIndexedAgain)
{
    start();
    auto offered = [&] {
        auto answer = read_answer(post_request(demo_request()).body);
        std::vector<std::string> versions;
        for (const auto& item : answer[network]) versions.push_back(item["ver"]);
        return versions;
    };
    ASSERT_EQ(offered(), (std::vector<std::string>{"3.2.1.0", "2.9.4.0"}));
    // the newer package goes away while the service runs
    fs::path packages = dir_.path() / "packages";
    fs::copy(test::demo_packages_dir(), packages);
    fs::remove(packages / "norvale-gbe-3.2.zip");
    auto report = test::index_folder(packages, catalogue_, dir_.path() / "zips");
    EXPECT_EQ(report.removed, 1);
    EXPECT_EQ(offered(), (std::vector<std::string>{"2.9.4.0"}));
    EXPECT_EQ(request("packages/norvale-gbe-3.2.zip").status, 404);
}
