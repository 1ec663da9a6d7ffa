// The device scan over the fake Setup API: the keep and drop rules on the
// fixture machine, buffer growth, missing and mistyped values, and failures.
#include "devices/device_scan.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "common/last_error.h"
#include "devices/fake_setup_api.h"
#include "devices/scan_check.h"
#include "devices/scan_share.h"
#include "support/test_support.h"

using namespace tdu;
using namespace tdu::test;

namespace {

machine_t scan_machine() { return load_machine(data_dir() / "devices" / "scan_machine.ini"); }

void rename_class(machine_t& machine, u16view from, const char16_t* to)
{
    for (fixture_class_t& c : machine.classes) {
        if (c.name && *c.name == from) c.name = u16(to);
    }
}

std::vector<const device_t*> pointers(const device_inventory_t& inventory)
{
    std::vector<const device_t*> out;
    for (const device_t& d : inventory.devices) out.push_back(&d);
    return out;
}

std::vector<expected_device_t> without_offline(std::vector<expected_device_t> list)
{
    list.erase(std::remove_if(list.begin(), list.end(), [](const expected_device_t& e) { return e.offline_only; }),
               list.end());
    return list;
}

class DeviceScan : public ::testing::Test {
protected:
    void SetUp() override
    {
        scan_share_limit = scan_share_initial_limit;
        set_last_error(0);
    }
    void TearDown() override { scan_share_limit = scan_share_initial_limit; }
    device_inventory_t inventory;
    scan_progress_t progress;
};

} // namespace

TEST_F(DeviceScan, KeepsTheNodesTheRulesKeepInEnumerationOrder)
{
    fake_setup_api_c api(scan_machine());
    ASSERT_TRUE(device_scan(inventory, api, progress));
    auto expected = without_offline(expected_scan_devices());
    expect_devices(pointers(inventory), expected);

    // Enumeration order is the machine's order, duplicates folded into the first.
    ASSERT_EQ(inventory.devices.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(narrow(inventory.devices[i].device_id), narrow(expected[i].device_id)) << i;

    int32_t present_nodes = 0;
    for (const fixture_device_t& d : api.machine().devices) present_nodes += d.present ? 1 : 0;
    EXPECT_EQ(progress.total_nodes.load(), present_nodes);
    EXPECT_EQ(progress.processed_nodes.load(), present_nodes);
    ASSERT_TRUE(progress.current_name().has_value());
    EXPECT_EQ(narrow(*progress.current_name()), narrow(inventory.devices.back().name));

    // Every record points at an entry of this inventory's class list.
    for (const device_t& d : inventory.devices) {
        ASSERT_NE(d.device_class, nullptr);
        EXPECT_GE(d.device_class, inventory.classes.data());
        EXPECT_LT(d.device_class, inventory.classes.data() + inventory.classes.size());
    }
    EXPECT_EQ(api.open_sets, 0);
    EXPECT_EQ(api.open_keys, 0);
    EXPECT_EQ(api.open_driver_lists, 0);
}

TEST_F(DeviceScan, OfflineScanListsDetachedDevicesAsNotPresent)
{
    fake_setup_api_c api(scan_machine());
    progress.include_offline = 1;
    ASSERT_TRUE(device_scan(inventory, api, progress));
    expect_devices(pointers(inventory), expected_scan_devices());
    EXPECT_EQ(progress.total_nodes.load(), static_cast<int32_t>(api.machine().devices.size()));
}

TEST_F(DeviceScan, ValuesLargerThanTheFirstBuffersAreReadWholeAndCut)
{
    machine_t machine = scan_machine();
    expected_device_t long_device = add_long_value_device(machine);
    fake_setup_api_c api(machine);
    ASSERT_TRUE(device_scan(inventory, api, progress));
    const device_t* d = inventory_find_device(inventory, long_device.device_id);
    ASSERT_NE(d, nullptr);
    expect_device(*d, long_device);
    EXPECT_EQ(u16_length(d->inf_path), device_inf_path_chars - 1);
}

TEST_F(DeviceScan, InstanceIdsLongerThanTheFirstBufferAreGrownAndCut)
{
    // Windows and Wine keep instance IDs below 200 units; the scan still
    // grows its 512-unit buffer for a longer one and cuts the device ID.
    machine_t machine = scan_machine();
    fixture_device_t node = machine.devices[0];
    u16 device_part = u"PCI\\VEN_LONG&DEV_" + u16(500, u'D');
    node.instance_id = device_part + u"\\" + u16(100, u'7');
    node.driver.reset();
    machine.devices.push_back(node);
    fake_setup_api_c api(machine);
    ASSERT_TRUE(device_scan(inventory, api, progress));
    const device_t* d = inventory_find_device(inventory, device_part.substr(0, device_id_chars - 1));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(u16_length(d->device_id), device_id_chars - 1);
}

TEST_F(DeviceScan, ARescanReplacesTheLastResult)
{
    fake_setup_api_c api(scan_machine());
    ASSERT_TRUE(device_scan(inventory, api, progress));
    size_t first = inventory.devices.size();
    size_t classes = inventory.classes.size();
    ASSERT_TRUE(device_scan(inventory, api, progress));
    EXPECT_EQ(inventory.devices.size(), first);
    EXPECT_EQ(inventory.classes.size(), classes);
    EXPECT_EQ(inventory_find_device(inventory, intel_nic_id)->instance_count, 2);
}

TEST_F(DeviceScan, OnALargeMachineEachDuplicateCountsOnItsFirstRecord)
{
    // Of every ten generated nodes, seven are kept; the eighth is a second
    // instance of the seventh, and the ninth and tenth are left out. Second
    // instances of the first sixty kept nodes come last, after the index of
    // kept IDs has grown several times.
    machine_t machine = generate_machine(6000);
    for (size_t i = 0; i < 600; i += 10) {
        fixture_device_t late = machine.devices[i];
        late.instance_id = late.instance_id.substr(0, late.instance_id.rfind(u'\\')) + u"\\9&LATE";
        machine.devices.push_back(late);
    }
    fake_setup_api_c api(std::move(machine));
    ASSERT_TRUE(device_scan(inventory, api, progress));
    ASSERT_EQ(inventory.devices.size(), 4200u);
    std::set<u16> ids;
    for (size_t i = 0; i < inventory.devices.size(); ++i) {
        const device_t& d = inventory.devices[i];
        EXPECT_TRUE(ids.insert(d.device_id).second) << "kept twice: " << utf16_to_utf8(d.device_id);
        bool second_instance = i % 7 == 6 || (i % 7 == 0 && i < 420);
        EXPECT_EQ(d.instance_count, second_instance ? 2 : 1) << utf16_to_utf8(d.device_id);
    }
}

TEST_F(DeviceScan, FailuresSetTheirCodes)
{
    struct row_t {
        const char* what;
        void (*arrange)(fake_setup_api_c&);
        int32_t code;
        size_t devices_kept;  // records left in the list
    };
    const row_t rows[] = {
        {"class list", [](fake_setup_api_c& api) { api.class_list_error = 5; }, error_class_list, 0},
        {"class list without room to report",
         [](fake_setup_api_c& api) { api.class_list_required_override = 0; }, error_class_list, 0},
        {"device set", [](fake_setup_api_c& api) { api.device_set_fails = true; }, error_device_list, 0},
        // The third node fails: the Intel adapter (nodes 0 and 1) stays listed.
        {"enumeration", [](fake_setup_api_c& api) { api.enum_error = std::make_pair(2u, 1167u); }, error_device_enum, 1},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.what);
        fake_setup_api_c api(scan_machine());
        row.arrange(api);
        set_last_error(0);
        EXPECT_FALSE(device_scan(inventory, api, progress));
        EXPECT_EQ(get_last_error(), row.code);
        EXPECT_EQ(inventory.devices.size(), row.devices_kept);
        EXPECT_EQ(api.open_sets, 0);  // the set is released on every path
    }
}

TEST_F(DeviceScan, IncompleteIdentitiesAreDroppedAndSoundOnesKept)
{
    using fault_t = fake_setup_api_c::property_fault_t;
    const u16 intel = u"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02\\3&267A616A&0&18";
    auto node_change = [](void (*change)(fixture_device_t&)) { return change; };
    struct row_t {
        const char* what;
        void (*change_node)(fixture_device_t&);  // may be null
        std::function<void(fake_setup_api_c&)> fault;  // may be empty
        const char16_t* kept_name;  // null: the node is dropped
    };
    const char16_t* desktop = u"Intel(R) PRO/1000 MT Desktop Adapter";
    const char16_t* connection = u"Intel(R) PRO/1000 MT Network Connection";
    const row_t rows[] = {
        {"instance ID without backslash", node_change([](fixture_device_t& d) { d.instance_id = u"PCI_VEN_8086"; }), {}, nullptr},
        {"instance ID with only a leading backslash",
         node_change([](fixture_device_t& d) { d.instance_id = u"\\PCI_VEN_8086"; }), {}, nullptr},
        {"instance ID cannot be read", nullptr, [&](fake_setup_api_c& api) { api.instance_id_errors[intel] = 13; }, nullptr},
        {"friendly name missing: the description is the name", nullptr,
         [&](fake_setup_api_c& api) { api.property_faults[{intel, spdrp_friendlyname}] = fault_t{13u, {}, {}, {}}; },
         connection},
        {"friendly name of another type counts as missing", nullptr,
         [&](fake_setup_api_c& api) { api.property_faults[{intel, spdrp_friendlyname}] = fault_t{{}, reg_binary, {}, {}}; },
         connection},
        {"no name at all", node_change([](fixture_device_t& d) { d.friendly_name.reset(); d.description.reset(); }), {},
         nullptr},
        {"enumerator missing", node_change([](fixture_device_t& d) { d.enumerator = u"-"; }), {}, nullptr},
        {"hardware IDs missing", node_change([](fixture_device_t& d) { d.has_hardware_ids = false; }), {}, nullptr},
        {"hardware IDs as REG_SZ", nullptr,
         [&](fake_setup_api_c& api) { api.property_faults[{intel, spdrp_hardwareid}] = fault_t{{}, reg_sz, {}, {}}; },
         nullptr},
        // Only a list that cannot be read is missing; a present but empty
        // one is kept (the request then leaves its element out).
        {"compatible IDs missing", node_change([](fixture_device_t& d) { d.has_compatible_ids = false; }), {}, nullptr},
        {"compatible IDs an empty list", node_change([](fixture_device_t& d) { d.compatible_ids.clear(); }), {}, desktop},
        {"hardware IDs an empty list", node_change([](fixture_device_t& d) { d.hardware_ids.clear(); }), {}, desktop},
        {"both lists empty", node_change([](fixture_device_t& d) { d.hardware_ids.clear(); d.compatible_ids.clear(); }),
         {}, desktop},
        {"an empty list of no bytes at all", nullptr,
         [&](fake_setup_api_c& api) {
             api.property_faults[{intel, spdrp_compatibleids}] = fault_t{{}, {}, {}, std::vector<uint8_t>{}};
         },
         desktop},
        {"too small a buffer for a value of another type is not grown", nullptr,
         [&](fake_setup_api_c& api) {
             api.property_faults[{intel, spdrp_compatibleids}] =
                 fault_t{win32_error::insufficient_buffer, reg_binary, 20000u, {}};
         },
         nullptr},
        {"a size no buffer can hold counts as missing", nullptr,
         [&](fake_setup_api_c& api) {
             api.property_faults[{intel, spdrp_hardwareid}] =
                 fault_t{win32_error::insufficient_buffer, {}, 0xFFFFFFF0u, {}};
         },
         nullptr},
        {"the class properties are optional",
         node_change([](fixture_device_t& d) { d.class_guid.reset(); d.driver.reset(); }), {}, desktop},
        {"the unchanged node", nullptr, {}, desktop},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.what);
        machine_t machine = scan_machine();
        // Only the first Intel node: no second instance to fall back on.
        machine.devices.erase(machine.devices.begin() + 1);
        if (row.change_node) row.change_node(machine.devices[0]);
        fake_setup_api_c api(machine);
        if (row.fault) row.fault(api);
        ASSERT_TRUE(device_scan(inventory, api, progress));
        device_t* d = inventory_find_device(inventory, intel_nic_id);
        EXPECT_EQ(d != nullptr, row.kept_name != nullptr);
        if (d && row.kept_name) {
            EXPECT_EQ(narrow(d->name), narrow(row.kept_name));
        }
    }
}

TEST_F(DeviceScan, ACompatibleListWithoutTerminatorKeepsItsIds)
{
    using fault_t = fake_setup_api_c::property_fault_t;
    const u16 intel = u"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02\\3&267A616A&0&18";
    fake_setup_api_c api(scan_machine());
    api.property_faults[{intel, spdrp_compatibleids}] = fault_t{{}, {}, {}, std::vector<uint8_t>{'A', 0, 0, 0, 'B', 0}};
    ASSERT_TRUE(device_scan(inventory, api, progress));
    device_t* d = inventory_find_device(inventory, intel_nic_id);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(narrow(joined_ids(d->compatible_ids)), "A|B");
    // The stored list is well formed: it ends in two zeros.
    ASSERT_GE(d->compatible_ids.size(), 2u);
    EXPECT_EQ(d->compatible_ids[d->compatible_ids.size() - 1], 0);
    EXPECT_EQ(d->compatible_ids[d->compatible_ids.size() - 2], 0);
}

TEST_F(DeviceScan, DriverRulesIgnoreCaseButLegacyDriverIsExact)
{
    // A driver-equipped node per rule, with the comparands in other cases.
    machine_t machine = scan_machine();
    auto& devices = machine.devices;
    auto find = [&](const char16_t* prefix) -> fixture_device_t& {
        for (auto& d : devices)
            if (d.instance_id.rfind(prefix, 0) == 0) return d;
        throw std::runtime_error("no such node");
    };
    find(u"ROOT\\TDU_LOOPBACK").enumerator = u"root";
    find(u"ISAPNP\\").enumerator = u"IsaPnp";
    find(u"ACPI\\PNP0C0C").enumerator = u"acpi";
    rename_class(machine, u"DiskDrive", u"diskdrive");
    fake_setup_api_c api(machine);
    ASSERT_TRUE(device_scan(inventory, api, progress));
    EXPECT_EQ(inventory_find_device(inventory, u"ROOT\\TDU_LOOPBACK"), nullptr);
    EXPECT_EQ(inventory_find_device(inventory, u"ISAPNP\\PNP0501"), nullptr);
    EXPECT_EQ(inventory_find_device(inventory, u"ACPI\\PNP0C0C"), nullptr);
    EXPECT_EQ(inventory_find_device(inventory, u"IDE\\DISKTDU_VIRTUAL_DISK_______1.0_____"), nullptr);

    // "legacydriver" is not "LegacyDriver": that node is read like any other
    // (it has no driver, so it is kept).
    machine_t other = scan_machine();
    rename_class(other, u"LegacyDriver", u"legacydriver");
    fake_setup_api_c api2(other);
    ASSERT_TRUE(device_scan(inventory, api2, progress));
    EXPECT_NE(inventory_find_device(inventory, u"ROOT\\LEGACY_TDUSVC"), nullptr);
}

TEST_F(DeviceScan, WithoutAnUnknownClassUnclassedDevicesAreDropped)
{
    machine_t machine = scan_machine();
    rename_class(machine, u"Unknown", u"Other");
    fake_setup_api_c api(machine);
    ASSERT_TRUE(device_scan(inventory, api, progress));
    EXPECT_EQ(inventory_find_device(inventory, u"PCI\\VEN_1234&DEV_5678&SUBSYS_00000000&REV_00"), nullptr);
    EXPECT_EQ(inventory_find_device(inventory, u"PCI\\VEN_ABCD&DEV_0001&SUBSYS_00000000&REV_00"), nullptr);
    EXPECT_NE(inventory_find_device(inventory, intel_nic_id), nullptr);
}

TEST_F(DeviceScan, TheScanShareLimitLeavesDevicesOut)
{
    for (int32_t limit = 0; limit <= 10; ++limit) {
        SCOPED_TRACE(limit);
        scan_share_limit = limit;
        fake_setup_api_c api(scan_machine());
        ASSERT_TRUE(device_scan(inventory, api, progress));
        size_t expected = 0;
        for (const expected_device_t& e : without_offline(expected_scan_devices())) {
            uint32_t sum = 0;
            for (char16_t c : e.device_id) sum += c;
            bool kept = static_cast<int32_t>(sum % 10) < limit;
            expected += kept ? 1 : 0;
            EXPECT_EQ(inventory_find_device(inventory, e.device_id) != nullptr, kept) << narrow(e.device_id);
        }
        EXPECT_EQ(inventory.devices.size(), expected);
    }
}

TEST(DeviceInventory, FindsByExactIdAndListsIdStrings)
{
    device_inventory_t inventory;
    int32_t count = -1;
    EXPECT_EQ(inventory_devices(inventory, &count), nullptr);
    EXPECT_EQ(count, 0);

    for (const char16_t* id : {u"PCI\\VEN_1", u"PCI\\VEN_2"}) {
        device_t d;
        copy_field(d.device_id, device_id_chars, id);
        d.hardware_ids = make_multi_string({u"A", u"B"});
        d.offers.reset(new driver_offer_t[3]());
        d.offer_count = 3;
        inventory.devices.push_back(std::move(d));
    }
    device_t* first = inventory_devices(inventory, &count);
    EXPECT_EQ(first, inventory.devices.data());
    EXPECT_EQ(count, 2);
    EXPECT_EQ(inventory_find_device(inventory, u"PCI\\VEN_2"), &inventory.devices[1]);
    EXPECT_EQ(inventory_find_device(inventory, u"pci\\ven_2"), nullptr);  // case matters
    EXPECT_EQ(inventory_find_device(inventory, u"PCI\\VEN_"), nullptr);

    inventory_clear(inventory);
    EXPECT_TRUE(inventory.devices.empty());
    EXPECT_TRUE(inventory.classes.empty());
}

TEST(DeviceInventory, IdListStopsAtTheFirstEmptyString)
{
    struct row_t {
        u16 multi;
        std::vector<u16> ids;
    };
    const row_t rows[] = {
        {u16(u"A\0B\0\0", 5), {u"A", u"B"}},
        {u16(u"A\0\0C\0\0", 6), {u"A"}},
        {u16(u"\0", 1), {}},
        {u16(), {}},
        {u16(u"A\0B", 3), {u"A", u"B"}},  // no terminator: up to the end
    };
    for (const row_t& row : rows) EXPECT_EQ(device_id_list(row.multi), row.ids);
    EXPECT_EQ(make_multi_string({u"A", u"BC"}), u16(u"A\0BC\0\0", 6));
    EXPECT_EQ(make_multi_string({}), u16(u"\0", 1));
}

TEST_F(DeviceScan, AStopRequestEndsTheScanBeforeTheNextNode)
{
    fake_setup_api_c api(scan_machine());
    stop_flag_t stop{1};
    EXPECT_FALSE(device_scan(inventory, api, progress, &stop));
    EXPECT_EQ(get_last_error(), error_stopped);
    EXPECT_GT(progress.total_nodes.load(), 0);
    EXPECT_EQ(progress.processed_nodes.load(), 0);
    EXPECT_TRUE(inventory.devices.empty());

    stop = 0;  // not raised: the scan runs to its end
    EXPECT_TRUE(device_scan(inventory, api, progress, &stop));
    EXPECT_EQ(progress.processed_nodes.load(), progress.total_nodes.load());
}
