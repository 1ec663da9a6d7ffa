// Locating driver packages: the digest index of the old store and the Setup
// API lookup, over the fixture folder trees of tests/data/backup.
#include "backup/driver_store.h"

#include "backup_fixture.h"
#include "common/files.h"

#include <gtest/gtest.h>

using namespace tdu;
using namespace tdu::test;

namespace {

const char* const acme_port1 = "PCI\\VEN_ACE1&DEV_0001";
const char* const acme_port2 = "PCI\\VEN_ACE1&DEV_0002";
const char* const sound = "PCI\\VEN_ACE2";
const char* const inbox_nic = "PCI\\VEN_ACE3";
const char* const stale_nic = "PCI\\VEN_ACE4";

std::string text(u16view t)
{
    return utf16_to_utf8(t);
}

// The packages as "folder[inbox]: device, device" lines.
std::vector<std::string> describe(const std::vector<driver_package_t>& packages)
{
    std::vector<std::string> out;
    for (const driver_package_t& p : packages) {
        std::string line = text(p.folder_name) + (p.inbox ? " inbox:" : ":");
        for (const device_t* d : p.devices) {
            std::string id = text(d->device_id);
            line += " " + id.substr(0, id.find('&', id.find('&') + 1));  // up to the device part
        }
        out.push_back(line);
    }
    return out;
}

class DriverStoreTest : public ::testing::Test {
protected:
    void SetUp() override { scan_backup_machine(inventory); }
    device_inventory_t inventory;
    driver_store_t store;
    std::vector<driver_package_t> packages;
};

} // namespace

TEST_F(DriverStoreTest, OldStoreIndexesEveryInfByTheDigestOfItsContents)
{
    fake_store_platform_c platform(xp_root());
    ASSERT_EQ(init_driver_store(store, 51, platform), 0);
    EXPECT_EQ(store.lookup, driver_store_t::lookup_own_index);
    EXPECT_EQ(store.inf_folder, program_path(xp_root()) + u"\\inf");
    u16 root = program_path(xp_root()) + u"\\system32\\DRVSTORE";
    EXPECT_EQ(store.driver_store_root, root);
    EXPECT_EQ(platform.locate_calls, 0);

    // ".INF" counts too; names beginning with "." are skipped, and so is
    // everything below a folder of such a name (zz_stale\.old holds a copy of
    // acmelan.inf that would otherwise replace the real one).
    std::map<std::string, std::string> expected = {
        {"14797936b2702eb99116511602303b1d", "acmelan_4f1c2a90\\acmelan.inf"},
        {"41788642c267ccd2286256d7ff95e1d6", "vsnd_7d2e11b0\\VSND.INF"},
        {"4e7bcb117fd010e33bf85dfcfff6ddf8", "oldnic_9a9a0000\\oldnic.inf"},
    };
    std::map<std::string, std::string> indexed;
    for (const auto& [digest, path] : store.store_inf_index) {
        ASSERT_EQ(u16view(path).substr(0, root.size()), root);
        indexed[digest] = text(u16view(path).substr(root.size() + 1));
    }
    EXPECT_EQ(indexed, expected);
}

TEST_F(DriverStoreTest, OldStoreLookupFindsTheStoreCopyOfAnInstalledInf)
{
    fake_store_platform_c platform(xp_root());
    ASSERT_EQ(init_driver_store(store, 51, platform), 0);
    struct row {
        const char16_t* inf;
        uint32_t buffer_chars;
        const char* found;  // relative to the store root; null: not found
    };
    const row rows[] = {
        {u"oem905.inf", 260, "acmelan_4f1c2a90"},
        {u"oem907.inf", 260, "vsnd_7d2e11b0"},
        {u"oem909.inf", 260, nullptr},           // the store's copy differs
        {u"oem999.inf", 260, nullptr},           // no such INF
        {u"", 260, nullptr},
        {u"oem905.inf", 20, nullptr},            // the path does not fit
    };
    for (const row& r : rows) {
        SCOPED_TRACE(text(r.inf) + " in " + std::to_string(r.buffer_chars));
        char16_t buffer[260] = {u'x'};
        uint32_t required = 0;
        bool ok = locate_inf_in_store(store, r.inf, nullptr, nullptr, buffer, r.buffer_chars, &required);
        EXPECT_EQ(ok, r.found != nullptr);
        if (!r.found) continue;
        u16 folder;
        ASSERT_TRUE(package_folder_name(store, buffer, folder));
        EXPECT_EQ(text(folder), r.found);
        EXPECT_EQ(required, u16_length(buffer) + 1);
    }
}

TEST_F(DriverStoreTest, OldStoreOffersOnlyVendorPackagesFoundInIt)
{
    fake_store_platform_c platform(xp_root());
    ASSERT_EQ(init_driver_store(store, 51, platform), 0);
    build_driver_packages(packages, store, inventory);
    // Both ports share one package, listed once; the inbox adapter is not
    // offered before Windows Vista, nor is the adapter whose INF differs.
    EXPECT_EQ(describe(packages), (std::vector<std::string>{
                                      "acmelan_4f1c2a90: PCI\\VEN_ACE1&DEV_0001 PCI\\VEN_ACE1&DEV_0002",
                                      "vsnd_7d2e11b0: PCI\\VEN_ACE2&DEV_0A10",
                                  }));
    EXPECT_EQ(package_folder_path(store, packages[1]),
              program_path(xp_root()) + u"\\system32\\DRVSTORE\\vsnd_7d2e11b0");
}

TEST_F(DriverStoreTest, SetupApiLookupListsInboxPackagesAndGroupsByFolder)
{
    fake_store_platform_c platform(vista_root());
    u16 root = vista_store_root();
    platform.store_paths = {
        // The folder name is compared without regard to case.
        {u"oem905.inf", root + u"\\acmelan.inf_x86_4f1c2a90\\acmelan.inf"},
        {u"netace.inf", root + u"\\NETACE.INF_X86_11AA22BB\\netace.inf"},
        // An answer outside the store yields no package.
        {u"oem907.inf", u"C:\\Elsewhere\\vsnd\\vsnd.inf"},
    };
    ASSERT_EQ(init_driver_store(store, 60, platform), 0);
    EXPECT_EQ(store.lookup, driver_store_t::lookup_setup_api);
    EXPECT_EQ(store.driver_store_root, root);
    EXPECT_TRUE(store.store_inf_index.empty());

    build_driver_packages(packages, store, inventory);
    EXPECT_EQ(describe(packages), (std::vector<std::string>{
                                      "acmelan.inf_x86_4f1c2a90: PCI\\VEN_ACE1&DEV_0001 PCI\\VEN_ACE1&DEV_0002",
                                      "NETACE.INF_X86_11AA22BB inbox: PCI\\VEN_ACE3&DEV_8139",
                                  }));
    // Only devices with a driver are looked up.
    EXPECT_EQ(platform.locate_calls, 5);

    EXPECT_EQ(find_package_of_device(packages, &device_starting(inventory, acme_port2)), 0);
    EXPECT_EQ(find_package_of_device(packages, &device_starting(inventory, inbox_nic)), 1);
    EXPECT_EQ(find_package_of_device(packages, &device_starting(inventory, sound)), -1);
    EXPECT_EQ(find_package_of_device(packages, &device_starting(inventory, stale_nic)), -1);
    EXPECT_EQ(find_package_of_device(packages, nullptr), -1);
    // A copy of a device is another device.
    device_t copy;
    copy_field(copy.device_id, device_id_chars, device_starting(inventory, acme_port1).device_id);
    EXPECT_EQ(find_package_of_device(packages, &copy), -1);
}

TEST_F(DriverStoreTest, PackageInboxFlagComesFromItsFirstDevice)
{
    fake_store_platform_c platform(vista_root());
    u16 root = vista_store_root();
    platform.store_paths = {
        {u"netace.inf", root + u"\\shared_pkg\\netace.inf"},
        {u"oem905.inf", root + u"\\shared_pkg\\acmelan.inf"},
    };
    ASSERT_EQ(init_driver_store(store, 61, platform), 0);
    // The inbox adapter comes first in the inventory this time.
    device_t& inbox = device_starting(inventory, inbox_nic);
    std::swap(inbox, inventory.devices.front());
    build_driver_packages(packages, store, inventory);
    ASSERT_EQ(packages.size(), 1u);
    EXPECT_TRUE(packages[0].inbox);
    EXPECT_EQ(packages[0].devices.size(), 3u);
}

TEST_F(DriverStoreTest, WithoutTheSetupApiFunctionNothingIsLocated)
{
    fake_store_platform_c platform(vista_root());
    platform.locator_missing = true;
    platform.store_paths = {{u"oem905.inf", u"anything"}};
    EXPECT_EQ(init_driver_store(store, 62, platform), -1);
    EXPECT_TRUE(store.driver_store_root.empty());
    char16_t buffer[260];
    EXPECT_FALSE(locate_inf_in_store(store, u"oem905.inf", nullptr, nullptr, buffer, 260, nullptr));
    build_driver_packages(packages, store, inventory);
    EXPECT_TRUE(packages.empty());
}

TEST(PackageFolderName, TakesTheFirstFolderBelowTheRoot)
{
    driver_store_t store;
    store.driver_store_root = u"C:\\WINDOWS\\system32\\DRVSTORE";
    struct row {
        const char16_t* path;
        const char* folder;  // null: no package
    };
    const row rows[] = {
        {u"C:\\WINDOWS\\system32\\DRVSTORE\\pkg_1\\a.inf", "pkg_1"},
        {u"c:\\windows\\SYSTEM32\\drvstore\\pkg_2\\sub\\b.inf", "pkg_2"},  // letter case of the root ignored
        {u"C:\\WINDOWS\\system32\\DRVSTORE2\\pkg_1\\a.inf", nullptr},     // a sibling of the root
        {u"C:\\WINDOWS\\system32\\DRVSTORE\\a.inf", nullptr},             // not inside a folder
        {u"C:\\WINDOWS\\system32\\DRVSTORE\\\\a.inf", nullptr},           // an empty folder name
        {u"C:\\WINDOWS\\system32\\DRVSTORE", nullptr},
        {u"D:\\WINDOWS\\system32\\DRVSTORE\\pkg_1\\a.inf", nullptr},
        {u"", nullptr},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(text(r.path));
        u16 folder;
        EXPECT_EQ(package_folder_name(store, r.path, folder), r.folder != nullptr);
        if (r.folder) {
            EXPECT_EQ(text(folder), r.folder);
        }
    }
    store.driver_store_root.clear();
    u16 folder;
    EXPECT_FALSE(package_folder_name(store, u"\\pkg\\a.inf", folder));
}

TEST(OemInfName, ComparesThreeLettersWithoutCase)
{
    EXPECT_TRUE(is_oem_inf_name(u"oem12.inf"));
    EXPECT_TRUE(is_oem_inf_name(u"OEM0.INF"));
    EXPECT_TRUE(is_oem_inf_name(u"oemsetup.inf"));
    EXPECT_FALSE(is_oem_inf_name(u"netrtl.inf"));
    EXPECT_FALSE(is_oem_inf_name(u"oe"));
    EXPECT_FALSE(is_oem_inf_name(u"xoem1.inf"));
}
