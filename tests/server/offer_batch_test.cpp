// The catalogue rows of a request fetched ahead, many keys to a query:
// the offers are those the one-by-one look-ups give, and a cold request
// costs a query per batch of keys instead of one per ID. Runs against the
// SQLite catalogue and, in the PostgreSQL build of the service tests,
// against PostgreSQL.
#include "offers/inf_file.h"
#include "matching/catalogue_cache.h"
#include "matching/offer_finder.h"
#include "service_fixture.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace tdu::server::test {

namespace {

std::string numbered(const char* prefix, int n)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s%04d", prefix, n);
    return buffer;
}

// Every field, so that a difference in any of them shows.
std::string describe(const std::vector<offer_t>& offers)
{
    std::string out;
    for (const auto& o : offers) {
        out += std::to_string(o.model_id) + "|" + o.hardid + "|" + o.title + "|" + o.version + "|" + o.guid + "|" +
               o.package + "|" + o.inf_path + "|" + o.manufacturer + "|" + o.provider + "|" + o.class_name + "|" +
               o.date + "|" + o.sha256 + "|" + std::to_string(o.size) + "|" + std::to_string(o.cp) + "|" +
               std::to_string(o.sign) + "|" + std::to_string(o.feature) + "|" + std::to_string(o.target_os) + "\n";
    }
    return out;
}

struct request_case_t {
    const char* name;
    const char* os;
    std::vector<device_query_t> devices;
};

} // namespace

class OfferBatch : public service_fixture_c {
protected:
    static constexpr int many = 150;    // IDs of a model each: more than one batch holds
    static constexpr int crowded = 300; // models naming one ID: more than the memory keeps per key

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(service_fixture_c::SetUp());
        fs::path packages = dir_.path() / "batch-packages";
        // IDs many devices share; one model names its key twice, in two cases
        write_zip(packages / "shared.zip",
                  {{"d/s.inf", small_inf("01/01/2014", "2.0",
                                         {"PCI\\VEN_AAAA&DEV_0001, pci\\ven_aaaa&dev_0001",
                                          "PCI\\VEN_AAAA&DEV_0002, PCI\\VEN_AAAA&CC_0300",
                                          "PCI\\VEN_AAAA&CC_0300"})}});
        write_zip(packages / "older.zip",
                  {{"d/o.inf", small_inf("01/01/2012", "1.5", {"PCI\\VEN_AAAA&DEV_0001", "PCI\\VEN_AAAA&CC_0300"})}});
        std::vector<std::string> lines;
        for (int i = 0; i < many; ++i) lines.push_back(numbered("PCI\\VEN_BBBB&DEV_", i));
        write_zip(packages / "many.zip", {{"d/m.inf", small_inf("01/01/2013", "3.0", lines)}});
        lines.clear();
        for (int i = 0; i < crowded; ++i)
            lines.push_back(i % 2 ? "USB\\VID_DDDD&PID_0001"
                                  : numbered("USB\\VID_DDDD&PID_9", i) + ", USB\\VID_DDDD&PID_0001");
        write_zip(packages / "crowded.zip", {{"d/c.inf", small_inf("01/01/2013", "4.0", lines)}});
        // a driver for 64-bit systems only: its ID has no row on 32-bit ones
        std::string x64 = "[Version]\nSignature=$Windows NT$\nDriverVer=05/05/2013,2.0\n"
                          "[Manufacturer]\nMaker=M,NTamd64\n[M.NTamd64]\nDev=I,PCI\\VEN_CCCC&DEV_0001\n[I]\n";
        write_zip(packages / "x64-only.zip", {{"d/w.inf", x64}});
        auto report = index_folder(packages, catalogue_, dir_.path() / "batch-zips");
        ASSERT_EQ(report.added, 5);
        ASSERT_TRUE(report.problems.empty()) << report.problems[0];
    }

    static device_query_t device(std::vector<std::string> hardware, std::vector<std::string> compatible = {})
    {
        // IDs no model names, as most of a device's IDs are
        compatible.push_back("PCI\\VEN_EEEE&DEV_" + std::to_string(hardware.size() + compatible.size()));
        compatible.push_back("PCI\\CC_0300");
        return {std::move(hardware), std::move(compatible)};
    }

    // The offers of each device, found one look-up per ID (no memory, no
    // look-ahead), as a reference.
    std::vector<std::string> one_by_one(const request_case_t& r)
    {
        offer_finder_t finder;
        std::string error;
        EXPECT_TRUE(finder.open(catalogue_, error)) << error;
        std::vector<std::string> out;
        for (const auto& d : r.devices) {
            std::vector<offer_t> offers;
            EXPECT_TRUE(finder.find(d, *find_os_profile(r.os), 500, offers, error)) << error;
            out.push_back(describe(offers));
        }
        return out;
    }

    // The offers as the service finds them: in a snapshot, the request's
    // IDs fetched ahead. `queries` is how many look-up queries it took.
    // With `backwards` the devices are matched last first, out of the order
    // their IDs were fetched in.
    std::vector<std::string> batched(offer_finder_t& finder, const request_case_t& r, std::size_t& queries,
                                     bool backwards = false)
    {
        std::string error;
        const os_profile_t& os = *find_os_profile(r.os);
        std::vector<std::string_view> ids;
        for (const auto& d : r.devices) {
            ids.insert(ids.end(), d.hardware_ids.begin(), d.hardware_ids.end());
            ids.insert(ids.end(), d.compatible_ids.begin(), d.compatible_ids.end());
        }
        std::size_t before = finder.lookup_queries();
        EXPECT_TRUE(finder.begin_snapshot(error)) << error;
        snapshot_guard_t snapshot(finder);
        EXPECT_TRUE(finder.fetch_ahead(ids, os, error)) << error;
        std::vector<std::string> out(r.devices.size());
        for (std::size_t n = 0; n < r.devices.size(); ++n) {
            std::size_t i = backwards ? r.devices.size() - 1 - n : n;
            std::vector<offer_t> offers;
            EXPECT_TRUE(finder.find(r.devices[i], os, 500, offers, error)) << error;
            out[i] = describe(offers);
        }
        queries = finder.lookup_queries() - before;
        return out;
    }

    std::vector<request_case_t> cases()
    {
        std::vector<device_query_t> many_devices;
        for (int i = 0; i < many; ++i) many_devices.push_back(device({numbered("PCI\\VEN_BBBB&DEV_", i)}));
        many_devices.push_back(device({"PCI\\VEN_AAAA&DEV_0001"}, {"PCI\\VEN_AAAA&CC_0300"}));
        std::vector<device_query_t> everything = many_devices;
        everything.push_back(device({"USB\\VID_DDDD&PID_0001"}));
        everything.push_back(device({"PCI\\VEN_CCCC&DEV_0001"}));
        return {
            {"shared IDs, mixed case", "WIN7",
             {device({"PCI\\VEN_AAAA&DEV_0001"}, {"PCI\\VEN_AAAA&CC_0300"}),
              device({"pci\\ven_aaaa&dev_0001"}, {"pci\\VEN_aaaa&cc_0300"}),
              device({"PCI\\VEN_AAAA&DEV_0002"}, {"PCI\\VEN_AAAA&CC_0300"}), device({"PCI\\VEN_9999&DEV_0001"})}},
            {"an ID with no row on this system", "WIN7",
             {device({"PCI\\VEN_CCCC&DEV_0001"}), device({"PCI\\VEN_AAAA&DEV_0002"})}},
            {"the same on the system it has rows for", "WIN764",
             {device({"PCI\\VEN_CCCC&DEV_0001"}), device({"PCI\\VEN_AAAA&DEV_0002"})}},
            {"more keys than one query holds", "WIN7", many_devices},
            {"a key with more rows than the memory keeps", "WIN7",
             {device({"USB\\VID_DDDD&PID_0001"}), device({"usb\\vid_dddd&pid_0001"}),
              device({numbered("USB\\VID_DDDD&PID_9", 0)}, {"USB\\VID_DDDD&PID_0001"})}},
            {"all of it", "WIN764", everything},
        };
    }

    // The distinct keys of a request that the catalogue holds.
    static std::size_t catalogued_keys(const request_case_t& r)
    {
        std::set<std::string> keys;
        for (const auto& d : r.devices)
            for (const auto* list : {&d.hardware_ids, &d.compatible_ids})
                for (const auto& id : *list) {
                    std::string key = ascii_upper(id);
                    if (key.find("VEN_EEEE") == std::string::npos && key != "PCI\\CC_0300" &&
                        key != "PCI\\VEN_9999&DEV_0001")
                        keys.insert(key);
                }
        return keys.size();
    }

    static bool names_crowded_key(const request_case_t& r)
    {
        for (const auto& d : r.devices)
            for (const auto* list : {&d.hardware_ids, &d.compatible_ids})
                for (const auto& id : *list)
                    if (ascii_upper(id) == "USB\\VID_DDDD&PID_0001") return true;
        return false;
    }

    static std::size_t batches(std::size_t keys)
    {
        return (keys + offer_finder_t::ids_per_query - 1) / offer_finder_t::ids_per_query;
    }
};

TEST_F(OfferBatch, FindsTheSameOffersAsOneLookUpPerIdInAFewQueries)
{
    for (const auto& r : cases()) {
        SCOPED_TRACE(r.name);
        auto expected = one_by_one(r);
        // each case on a fresh memory: every key it names is cold
        catalogue_cache_t cache;
        offer_finder_t finder;
        std::string error;
        ASSERT_TRUE(finder.open(catalogue_, error, &cache)) << error;
        std::size_t queries = 0;
        EXPECT_EQ(batched(finder, r, queries), expected);
        EXPECT_EQ(queries, batches(catalogued_keys(r)));
        // again, from memory: only the key with too many rows to remember is
        // fetched again, once for all the devices that name it
        EXPECT_EQ(batched(finder, r, queries, true), expected);
        EXPECT_EQ(queries, names_crowded_key(r) ? 1u : 0u);
        // with no memory at all every distinct ID is fetched, still once
        offer_finder_t bare;
        ASSERT_TRUE(bare.open(catalogue_, error)) << error;
        EXPECT_EQ(batched(bare, r, queries), expected);
        std::set<std::string> distinct;
        for (const auto& d : r.devices)
            for (const auto* list : {&d.hardware_ids, &d.compatible_ids})
                for (const auto& id : *list) distinct.insert(ascii_upper(id));
        EXPECT_EQ(queries, batches(distinct.size()));
    }
}

TEST_F(OfferBatch, IdsPastWhatTheLookAheadTakesAreStillMatched)
{
    const request_case_t last_alone = {"last alone", "WIN7",
                                       {device({"PCI\\VEN_AAAA&DEV_0001"}, {"PCI\\VEN_AAAA&CC_0300"})}};
    request_case_t crowded_request = {"many IDs", "WIN7", {}};
    const std::size_t per_device = 1000;
    for (std::size_t n = 0; n * per_device <= offer_finder_t::max_ids_ahead; ++n) {
        device_query_t d;
        for (std::size_t i = 0; i < per_device; ++i)
            d.compatible_ids.push_back("USB\\VID_" + std::to_string(n) + "&PID_" + std::to_string(i));
        crowded_request.devices.push_back(std::move(d));
    }
    crowded_request.devices.push_back(last_alone.devices[0]);
    catalogue_cache_t cache;
    offer_finder_t finder;
    std::string error;
    ASSERT_TRUE(finder.open(catalogue_, error, &cache)) << error;
    std::size_t queries = 0;
    auto offers = batched(finder, crowded_request, queries);
    EXPECT_EQ(offers.back(), one_by_one(last_alone)[0]);
    EXPECT_NE(offers.back(), "");
    EXPECT_EQ(queries, 2u); // the two IDs of the last device, looked up by its find
}

TEST_F(OfferBatch, OffersMatchTheirDevices)
{
    // the reference itself, so that the comparison above is not between two
    // empty lists
    auto all = cases();
    auto shared = one_by_one(all[0]);
    ASSERT_EQ(shared.size(), 4u);
    EXPECT_EQ(shared[0], shared[1]); // the same IDs in another case
    EXPECT_NE(shared[0].find("shared.zip"), std::string::npos);
    EXPECT_NE(shared[0].find("older.zip"), std::string::npos);
    EXPECT_EQ(shared[3], "");
    auto x86 = one_by_one(all[1]);
    auto x64 = one_by_one(all[2]);
    EXPECT_EQ(x86[0], "");
    EXPECT_NE(x64[0].find("x64-only.zip"), std::string::npos);
    auto many_offers = one_by_one(all[3]);
    EXPECT_NE(many_offers[many - 1].find("many.zip"), std::string::npos);
    auto crowded_offers = one_by_one(all[4]);
    EXPECT_EQ(std::count(crowded_offers[0].begin(), crowded_offers[0].end(), '\n'), crowded);
}

TEST_F(OfferBatch, ARequestPostedTwiceGetsTheSameAnswer)
{
    // through the service: the first answer is made from fetched rows, the
    // second from memory
    start();
    std::string document = "<?xml version=\"1.0\"?>\n<kelptone><action>ACTION_UPDATE_DRIVER</action>"
                           "<client version=\"4.2.0.1\" os=\"WIN7\" lang=\"437\" model=\"PC\" /><hardwares>";
    for (int i = 0; i < 3; ++i)
        document += "<hardware><id>DEVICE\\" + std::to_string(i) +
                    "</id><matchid/><hardids><![CDATA[PCI\\VEN_AAAA&DEV_0001\nUSB\\VID_DDDD&PID_0001]]></hardids>"
                    "<compids><![CDATA[PCI\\VEN_AAAA&CC_0300]]></compids></hardware>";
    document += "</hardwares></kelptone>";
    auto first = post_request(document);
    ASSERT_EQ(first.status, 200) << first.body;
    EXPECT_NE(first.body.find("shared.zip"), std::string::npos);
    EXPECT_NE(first.body.find("crowded.zip"), std::string::npos);
    auto second = post_request(document);
    EXPECT_EQ(second.status, 200);
    EXPECT_EQ(second.body, first.body);
}

} // namespace tdu::server::test
