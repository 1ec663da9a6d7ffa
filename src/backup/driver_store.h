#pragma once
// Driver package location: for every scanned device with an installed
// driver, the driver-store folder of the package its INF file came from,
// and the devices grouped by that folder into the packages the backup view
// offers.
//
// From Windows Vista on the Setup API answers where an installed INF lies
// in the store ("%SYSTEMROOT%\System32\DriverStore\FileRepository").
// Before it, the store is "%SYSTEMROOT%\system32\DRVSTORE" and the answer is
// found by the MD5 digest of the INF's contents: an index of every INF in
// the store, built once at start, maps digests to store paths.
#include "backup/store_platform.h"
#include "common/text.h"
#include "devices/device.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tdu {

constexpr size_t store_path_chars = 260;  // paths and folder names, terminator included

struct driver_store_t {
    enum lookup_t {
        lookup_none,       // nothing can be located
        lookup_own_index,  // before Windows Vista: the digest index
        lookup_setup_api,  // the Setup API function
    };

    u16 inf_folder;         // "%SYSTEMROOT%\inf", expanded
    u16 driver_store_root;  // empty when nothing can be located
    // Before Windows Vista: digest (32 lowercase hex digits) to the full path
    // of an INF inside the store; a later file with the same digest wins.
    std::map<std::string, u16> store_inf_index;
    lookup_t lookup = lookup_none;
    locate_inf_t setup_api_locate;
};

// One driver-store folder and the devices whose installed INF lies in it.
struct driver_package_t {
    bool inbox = false;     // the first device's INF name does not begin with "oem"
    u16 folder_name;        // the folder directly below the store root
    std::vector<const device_t*> devices;  // in inventory order; never empty
};

// The process-wide store facts and package list. The list is rebuilt (on
// the interface thread) only while no backup run reads it.
extern driver_store_t driver_store;
extern std::vector<driver_package_t> driver_packages;

// The start-up step, for the system version `os_version` (major x 10 +
// minor). Returns 0, or -1 when the Setup API function cannot be obtained;
// every later lookup then finds nothing.
int init_driver_store(driver_store_t& store, int32_t os_version, store_platform_c& platform);

// Where the INF named `inf_name` (such as "oem12.inf") lies in the store,
// with the parameters of SetupGetInfDriverStoreLocationW.
bool locate_inf_in_store(const driver_store_t& store, const char16_t* inf_name, const void* alternate_platform,
                         const char16_t* locale_name, char16_t* buffer, uint32_t buffer_chars,
                         uint32_t* required_chars);

// The package folder of a store path: the first folder below the store
// root. False when the path does not lie in a folder below the root.
bool package_folder_name(const driver_store_t& store, u16view store_path, u16& folder_name);

// Rebuilds `packages` from the devices of `inventory`. (The backup view
// reloads the catalogue right after; see backup_view_shown.)
void build_driver_packages(std::vector<driver_package_t>& packages, const driver_store_t& store,
                           const device_inventory_t& inventory);

// The index of the first package holding `device` (the same record), or -1;
// -1 for a null device.
int find_package_of_device(const std::vector<driver_package_t>& packages, const device_t* device);

// The store root joined with the package's folder name.
u16 package_folder_path(const driver_store_t& store, const driver_package_t& package);

// True when an INF file name begins with "oem", in any letter case.
bool is_oem_inf_name(u16view inf_name);

} // namespace tdu
