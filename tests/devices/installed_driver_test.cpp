// The installed driver's values, its date and its setup rank, over the fake
// Setup API.
#include "devices/installed_driver.h"

#include <gtest/gtest.h>

#include "devices/fake_setup_api.h"
#include "devices/scan_check.h"

using namespace tdu;
using namespace tdu::test;

namespace {

const u16 net_guid = u"{4D36E972-E325-11CE-BFC1-08002BE10318}";

// A machine of one node whose driver key holds `values`.
machine_t one_driver_machine(std::vector<fixture_value_t> values, std::optional<uint32_t> rank = {})
{
    machine_t m;
    m.classes.push_back({net_guid, u16(u"Net"), u16(u"Network adapters")});
    fixture_device_t d;
    d.instance_id = u"PCI\\VEN_1\\0";
    d.description = u"Adapter";
    d.class_guid = net_guid;
    d.driver = net_guid + u"\\0000";
    m.devices.push_back(d);
    fixture_driver_key_t k;
    k.key = *d.driver;
    k.values = std::move(values);
    k.rank = rank;
    m.driver_keys.push_back(k);
    return m;
}

std::vector<fixture_value_t> complete_values()
{
    return {{u"DriverVersion", reg_sz, u"6.1.7600.16385", 0}, {u"InfPath", reg_sz, u"oem4.inf", 0},
            {u"DriverDate", reg_sz, u"6-21-2006", 0},         {u"DriverDesc", reg_sz, u"Adapter driver", 0},
            {u"MatchingDeviceId", reg_sz, u"pci\\ven_1", 0},  {u"ProviderName", reg_sz, u"Maker", 0}};
}

device_node_t first_node(fake_setup_api_c& api, device_set_t& set)
{
    set = api.get_class_devs(false);
    device_node_t node;
    EXPECT_TRUE(api.enum_device_info(set, 0, node));
    return node;
}

} // namespace

TEST(DriverDate, IsRewrittenYearFirstOrLeftEmpty)
{
    struct row_t {
        const char16_t* stored;
        const char16_t* normalised;
    };
    const row_t rows[] = {
        {u"6-21-2006", u"2006-06-21"},
        {u"1-2-2003", u"2003-01-02"},
        {u"12-31-2015", u"2015-12-31"},
        {u"06-01-2010", u"2010-06-01"},
        {u"6- 1- 2006", u"2006-06-01"},  // blanks before a number are skipped
        {u"6-21-2006 trailing", u"2006-06-21"},  // only the first ten units are in the field
        // Not a month-day-year date: the date is unknown, never garbage.
        {u"", u""},
        {u"6-21", u""},
        {u"6/21/2006", u""},
        {u"2015-12-31", u""},  // month 2015
        {u"13-1-2006", u""},
        {u"0-1-2006", u""},
        {u"1-32-2006", u""},
        {u"1-1-0", u""},
        {u"1-1-99999", u""},
        {u"-1-1-2006", u""},
        {u"99999999999", u""},
        {u"a-b-c", u""},
    };
    for (const row_t& row : rows) {
        char16_t field[device_driver_date_chars];
        copy_field(field, device_driver_date_chars, row.stored);
        driver_date_normalise(field, device_driver_date_chars);
        EXPECT_EQ(narrow(field), narrow(row.normalised)) << narrow(row.stored);
        EXPECT_LT(u16_length(field), device_driver_date_chars);
    }
}

TEST(InstalledDriver, ReadsTheValuesInOrderUpToTheFirstMissingOne)
{
    struct row_t {
        const char* what;
        std::function<void(std::vector<fixture_value_t>&)> change;
        bool has_driver;
        const char* version;
        const char* inf;
        const char* date;
        const char* matching;
        const char* provider;
    };
    auto remove = [](const char16_t* name) {
        return [name](std::vector<fixture_value_t>& v) {
            v.erase(std::remove_if(v.begin(), v.end(), [&](const fixture_value_t& x) { return x.name == name; }),
                    v.end());
        };
    };
    auto retype = [](const char16_t* name, uint32_t type) {
        return [name, type](std::vector<fixture_value_t>& v) {
            for (auto& x : v)
                if (x.name == name) x.type = type;
        };
    };
    const row_t rows[] = {
        {"complete", [](auto&) {}, true, "6.1.7600.16385", "oem4.inf", "2006-06-21", "pci\\ven_1", "Maker"},
        {"no ProviderName", remove(u"ProviderName"), true, "6.1.7600.16385", "oem4.inf", "2006-06-21", "pci\\ven_1", ""},
        {"ProviderName of another type", retype(u"ProviderName", reg_dword), true, "6.1.7600.16385", "oem4.inf",
         "2006-06-21", "pci\\ven_1", ""},
        // A string stored as REG_EXPAND_SZ is read as the string it is.
        {"ProviderName as REG_EXPAND_SZ", retype(u"ProviderName", reg_expand_sz), true, "6.1.7600.16385", "oem4.inf",
         "2006-06-21", "pci\\ven_1", "Maker"},
        {"no MatchingDeviceId", remove(u"MatchingDeviceId"), false, "6.1.7600.16385", "oem4.inf", "2006-06-21", "", ""},
        {"DriverVersion as REG_EXPAND_SZ", retype(u"DriverVersion", reg_expand_sz), true, "6.1.7600.16385", "oem4.inf",
         "2006-06-21", "pci\\ven_1", "Maker"},
        {"InfPath as REG_DWORD", retype(u"InfPath", reg_dword), false, "6.1.7600.16385", "", "", "", ""},
        {"DriverDate as REG_MULTI_SZ", retype(u"DriverDate", reg_multi_sz), false, "6.1.7600.16385", "oem4.inf", "", "", ""},
        {"no DriverDesc", remove(u"DriverDesc"), false, "6.1.7600.16385", "oem4.inf", "2006-06-21", "", ""},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<fixture_value_t> values = complete_values();
        row.change(values);
        fake_setup_api_c api(one_driver_machine(values));
        device_set_t set;
        device_node_t node = first_node(api, set);
        device_t device;
        EXPECT_EQ(installed_driver_read(api, set, node, device), row.has_driver);
        EXPECT_EQ(narrow(device.driver_version), row.version);
        EXPECT_EQ(narrow(device.inf_path), row.inf);
        EXPECT_EQ(narrow(device.driver_date), row.date);
        EXPECT_EQ(narrow(device.matching_device_id), row.matching);
        EXPECT_EQ(narrow(device.provider_name), row.provider);
        EXPECT_EQ(api.open_keys, 0);  // the key is closed on every path
    }
}

TEST(InstalledDriver, WithoutDriverKeyThereIsNoDriver)
{
    machine_t m = one_driver_machine(complete_values());
    m.devices[0].driver.reset();
    fake_setup_api_c api(m);
    device_set_t set;
    device_node_t node = first_node(api, set);
    device_t device;
    EXPECT_FALSE(installed_driver_read(api, set, node, device));
    EXPECT_EQ(api.open_keys, 0);
}

TEST(InstalledDriver, LongValuesAreReadWholeThenCutToTheirFields)
{
    std::vector<fixture_value_t> values = complete_values();
    values[0].text = u"1." + u16(100, u'9');      // DriverVersion: 65 units
    values[3].text = u16(2000, u'd');             // DriverDesc: 4,002 bytes, past the first 1,024
    values[4].text = u"pci\\" + u16(300, u'm');  // MatchingDeviceId: 200 units
    fake_setup_api_c api(one_driver_machine(values));
    device_set_t set;
    device_node_t node = first_node(api, set);
    device_t device;
    ASSERT_TRUE(installed_driver_read(api, set, node, device));
    EXPECT_EQ(u16_length(device.driver_version), device_driver_version_chars - 1);
    EXPECT_EQ(u16view(device.driver_desc), u16(device_driver_desc_chars - 1, u'd'));
    EXPECT_EQ(u16_length(device.matching_device_id), device_matching_id_chars - 1);
}

TEST(InstalledDriverRank, AsksForTheInstalledDriverOfItsInf)
{
    fake_setup_api_c api(one_driver_machine(complete_values(), 0x00FF2001u));
    api.record_calls = true;
    device_set_t set;
    device_node_t node = first_node(api, set);
    device_t device;
    copy_field(device.inf_path, device_inf_path_chars, u"oem4.inf");
    ASSERT_TRUE(installed_driver_rank(api, set, node, device));
    EXPECT_EQ(device.driver_rank, 0x00FF2001u);
    // The flags already set are kept; DI_ENUMSINGLEINF, DI_FLAGSEX_INSTALLEDDRIVER
    // and DI_FLAGSEX_ALLOWEXCLUDEDDRVS are added; DriverPath is the INF.
    EXPECT_EQ(api.last_set_params.flags, 0x00000004u | 0x00010000u);
    EXPECT_EQ(api.last_set_params.flags_ex, 0x00100000u | 0x04000000u | 0x00000800u);
    EXPECT_EQ(narrow(api.last_set_params.driver_path), "oem4.inf");
    EXPECT_EQ(api.open_driver_lists, 0);
}

TEST(InstalledDriverRank, EachFailureStopsAndReleasesWhatWasBuilt)
{
    struct row_t {
        int fail_step;
        std::vector<std::string> calls;
    };
    const std::string get = "get_device_install_params", put = "set_device_install_params",
                      build = "build_driver_info_list", enumerate = "enum_driver_info",
                      rank = "driver_install_rank", destroy = "destroy_driver_info_list";
    const row_t rows[] = {
        {1, {get}},
        {2, {get, put}},
        {3, {get, put, build}},
        {4, {get, put, build, enumerate, destroy}},
        {5, {get, put, build, enumerate, rank, destroy}},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.fail_step);
        fake_setup_api_c api(one_driver_machine(complete_values(), 0x00FF2001u));
        api.rank_fail_step = row.fail_step;
        api.record_calls = true;
        device_set_t set;
        device_node_t node = first_node(api, set);
        device_t device;
        EXPECT_FALSE(installed_driver_rank(api, set, node, device));
        EXPECT_EQ(device.driver_rank, 0u);
        EXPECT_EQ(api.calls, row.calls);
        EXPECT_EQ(api.open_driver_lists, 0);
    }
}
