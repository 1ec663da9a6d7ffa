// The device scan through the real Setup API: the fixture machine is put
// into Wine's registry, scanned with the Win32 back end and held to the same
// expected list as the native scan through the fake. Where Wine differs from
// Windows, the test says so and asserts what Wine really does.
#include "devices/device_scan.h"

#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "app/endpoints.h"
#include "common/last_error.h"
#include "devices/machine_registry.h"
#include "devices/scan_check.h"
#include "devices/scan_share.h"
#include "support/test_support.h"

using namespace tdu;
using namespace tdu::test;

namespace {

std::unique_ptr<machine_registry_c> registry;
expected_device_t long_device;

std::vector<const device_t*> fixture_devices(const device_inventory_t& inventory, const machine_t& machine)
{
    // Wine's own device nodes (display, HID, buses) have no compatible IDs
    // and are not kept; still, only the fixture's nodes are compared.
    std::vector<const device_t*> out;
    for (const device_t& d : inventory.devices) {
        for (const fixture_device_t& node : machine.devices) {
            u16view id(node.instance_id);
            id = id.substr(0, id.rfind(u'\\'));
            if (id.substr(0, device_id_chars - 1) == u16view(d.device_id)) {
                out.push_back(&d);
                break;
            }
        }
    }
    return out;
}

// The expected list as Wine produces it.
std::vector<expected_device_t> expected_under_wine()
{
    std::vector<expected_device_t> out;
    for (expected_device_t e : expected_scan_devices()) {
        // Wine does not enumerate a device key without "ClassGUID".
        if (e.native_only) continue;
        // Wine's SetupDiEnumDriverInfoW finds no installed driver, so no rank.
        e.rank = 0;
        // Wine lists every registry-defined node with or without
        // DIGCF_PRESENT, and its CM_Get_DevNode_Status answers CR_SUCCESS
        // for every node: a detached device is listed, as present, in both
        // kinds of scan.
        e.present = true;
        e.offline_only = false;
        out.push_back(e);
    }
    out.push_back(long_device);
    return out;
}

class DeviceScanWin32 : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        machine_t machine = load_machine(data_dir() / "devices" / "scan_machine.ini");
        long_device = add_long_value_device(machine);
        registry = std::make_unique<machine_registry_c>(std::move(machine));
    }
    static void TearDownTestSuite() { registry.reset(); }
    void SetUp() override
    {
        ASSERT_TRUE(registry->ok()) << registry->error();
        scan_share_limit = scan_share_initial_limit;
    }

    device_inventory_t inventory;
    scan_progress_t progress;
};

} // namespace

TEST_F(DeviceScanWin32, ScansTheFixtureMachineToTheExpectedList)
{
    ASSERT_TRUE(device_scan(inventory, win32_setup_api(), progress)) << get_last_error();
    std::vector<expected_device_t> expected = expected_under_wine();
    expect_devices(fixture_devices(inventory, registry->machine()), expected);
    EXPECT_GE(progress.total_nodes.load(), static_cast<int32_t>(registry->machine().devices.size()) - 1);
    EXPECT_EQ(progress.processed_nodes.load(), progress.total_nodes.load());
    ASSERT_TRUE(progress.current_name().has_value());
    EXPECT_EQ(narrow(*progress.current_name()), narrow(inventory.devices.back().name));
}

TEST_F(DeviceScanWin32, OfflineScanListsTheSameMachine)
{
    progress.include_offline = 1;
    ASSERT_TRUE(device_scan(inventory, win32_setup_api(), progress)) << get_last_error();
    expect_devices(fixture_devices(inventory, registry->machine()), expected_under_wine());
}

TEST_F(DeviceScanWin32, ClassListHoldsTheNamedClassesSortedByDescription)
{
    ASSERT_TRUE(class_list_build(inventory, win32_setup_api()));
    // Wine's prefix has classes of its own; the machine's named classes are
    // all there with their descriptions, the nameless one is not.
    std::vector<std::pair<u16, u16>> fixture_classes;
    for (const device_class_t& c : inventory.classes) {
        for (const auto& e : expected_scan_classes()) {
            if (e.first == u16view(c.class_name)) fixture_classes.emplace_back(c.class_name, c.description);
        }
        EXPECT_NE(u16view(c.guid_text), u"{7A3C1F00-5E2B-4C1D-9A8E-0B1C2D3E4F50}");
        EXPECT_EQ(u16view(c.guid_text), guid_to_text(c.guid));
    }
    EXPECT_EQ(fixture_classes, expected_scan_classes());
    for (size_t i = 1; i < inventory.classes.size(); ++i)
        EXPECT_LE(u16view(inventory.classes[i - 1].description), u16view(inventory.classes[i].description));
}

TEST_F(DeviceScanWin32, WineHasNoClassImageListAndIndexesStayZero)
{
    // SetupDiGetClassImageList is not implemented by Wine: the list stays
    // invalid, which the program tolerates, and every index is 0.
    class_image_list_init(inventory.class_image_list, win32_setup_api());
    EXPECT_FALSE(inventory.class_image_list.valid);
    EXPECT_EQ(class_image_list(inventory), 0u);
    ASSERT_TRUE(class_list_build(inventory, win32_setup_api()));
    for (const device_class_t& c : inventory.classes) EXPECT_EQ(c.image_index, 0);
    class_image_list_release(inventory.class_image_list, win32_setup_api());
}

TEST_F(DeviceScanWin32, TheEnumeratorIsTheFirstComponentOfTheInstanceId)
{
    // Wine cannot read SPDRP_ENUMERATOR_NAME; the back end answers with the
    // first component of the instance ID, through the same buffer rules.
    HDEVINFO raw = SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
    ASSERT_NE(raw, INVALID_HANDLE_VALUE);
    setup_api_c& api = win32_setup_api();
    device_set_t set = reinterpret_cast<device_set_t>(raw);
    device_node_t node;
    bool found = false;
    for (uint32_t i = 0; api.enum_device_info(set, i, node); ++i) {
        char16_t id[512];
        ASSERT_TRUE(api.device_instance_id(set, node, id, 512, nullptr));
        if (u16view(id) != u"ISAPNP\\PNP0501\\1") continue;
        found = true;
        uint8_t small[4];
        uint32_t type = 0, required = 0;
        EXPECT_FALSE(api.device_registry_property(set, node, spdrp_enumerator_name, &type, small, sizeof small, &required));
        EXPECT_EQ(api.last_error(), win32_error::insufficient_buffer);
        EXPECT_EQ(type, reg_sz);
        EXPECT_EQ(required, 7u * 2);
        char16_t name[16] = {};
        ASSERT_TRUE(api.device_registry_property(set, node, spdrp_enumerator_name, &type,
                                                 reinterpret_cast<uint8_t*>(name), sizeof name, &required));
        EXPECT_EQ(u16view(name), u"ISAPNP");
    }
    api.destroy_device_info_list(set);
    EXPECT_TRUE(found);
}

TEST_F(DeviceScanWin32, TheEnumeratorComesFromTheInstanceIdOnlyWhenTheReadSetsNoError)
{
    // What Wine does: the read fails for every device and sets no error.
    HDEVINFO raw = SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
    ASSERT_NE(raw, INVALID_HANDLE_VALUE);
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    ASSERT_TRUE(SetupDiEnumDeviceInfo(raw, 0, &data));
    BYTE buffer[512];
    DWORD type = 0, needed = 0;
    SetLastError(ERROR_SUCCESS);
    BOOL ok = SetupDiGetDeviceRegistryPropertyW(raw, &data, SPDRP_ENUMERATOR_NAME, &type, buffer, sizeof buffer, &needed);
    DWORD error = GetLastError();
    SetupDiDestroyDeviceInfoList(raw);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(enumerator_from_instance_id_applies(ok != FALSE, error));

    // What Windows does for a node without the property, and the other
    // failures: the read stays failed, and the scan drops such a node.
    struct row {
        bool ok;
        uint32_t error;
        bool applies;
    };
    const row rows[] = {
        {false, ERROR_SUCCESS, true},
        {false, ERROR_INVALID_DATA, false},
        {false, ERROR_INSUFFICIENT_BUFFER, false},
        {false, ERROR_NO_SUCH_DEVINST, false},
        {true, ERROR_SUCCESS, false},
    };
    for (const row& r : rows)
        EXPECT_EQ(enumerator_from_instance_id_applies(r.ok, r.error), r.applies) << r.ok << " " << r.error;
}

namespace {

class ScanShareWin32 : public ::testing::Test {
protected:
    void SetUp() override { scan_share_limit = scan_share_initial_limit; }
    void TearDown() override { scan_share_limit = scan_share_initial_limit; }
};

} // namespace

TEST_F(ScanShareWin32, ResolvesForRealThroughWinsock)
{
    // The lookup runs only outside the code page 936; Wine's English locale is 1252.
    ASSERT_NE(GetACP(), 936u);
    // A dotted address is answered by the resolver itself: nothing leaves
    // the machine, and "8.8.4.4" leaves the limit alone.
    scan_share_lookup(win32_scan_share_source(), "8.8.4.4");
    EXPECT_EQ(scan_share_limit.load(), 10);
    // localhost answers 127.0.0.1: the first digit, 1, is the limit.
    scan_share_lookup(win32_scan_share_source(), "localhost");
    EXPECT_EQ(scan_share_limit.load(), 1);
}

TEST_F(ScanShareWin32, TheProgramResolvesTheConfiguredHost)
{
    temp_dir_c dir;
    std::filesystem::path file = dir.path() / "endpoints.ini";
    write_file(file, "scan_share_host = 127.0.0.1\n");
    std::string setting = "TDU_ENDPOINTS=" + file.string();
    ASSERT_EQ(_putenv(setting.c_str()), 0);
    ASSERT_EQ(endpoints().scan_share_host, "127.0.0.1") << endpoints_override_error();
    scan_share_lookup();
    EXPECT_EQ(scan_share_limit.load(), 1);
}
