#pragma once
// Every package of the driver store, not only the scanned devices'.
//
// From Windows Vista on, each folder of the store root
// ("%SYSTEMROOT%\System32\DriverStore\FileRepository") is one package: its
// INF lies at the folder's top, named as the folder up to ".inf_" ("acme.inf"
// for "acme.inf_amd64_1f2e3d4c"), else the first INF there. Its published
// name is the "oemN.inf" of "%SYSTEMROOT%\inf" that the Setup API locates in
// that folder, or, where the Setup API cannot answer, the oemN.inf whose
// contents equal the package's INF byte for byte (MD5); a package without
// one is a package of the system itself and keeps its original name.
//
// Before Windows Vista each "%SYSTEMROOT%\inf\oem*.inf" is a package; its
// original name and folder come from the old store ("DRVSTORE") where the
// digest index finds its copy, else the original name is the published one
// and it has no folder. Its size is the INF, its precompiled ".pnf" and the
// store folder where there is one.
//
// A package is in use when a scanned device's installed INF is its published
// name (the original name for the system's own), or the package location
// finds a scanned device in its folder. Devices of an offline scan count
// too: a device unplugged today still needs its driver when it is back.
#include "backup/driver_store.h"
#include "common/text.h"
#include "devices/device.h"

#include <cstdint>
#include <vector>

namespace tdu {

struct store_package_t {
    u16 published_name;  // "oem12.inf"; the original name for the system's own packages
    u16 original_name;   // the INF's name as its maker wrote it, "acme.inf"
    u16 folder;          // full path of the package's store folder; empty when it has none
    u16 inf_path;        // full path of the INF that was read
    u16 provider;
    u16 class_name;
    u16 class_guid;
    u16 driver_date;     // "2012-03-14"
    u16 driver_version;  // "2.1.0.7"
    std::vector<u16> hardware_ids;  // the IDs the INF's models name
    uint64_t size = 0;   // bytes of every file of the package
    bool in_use = false; // a scanned device's driver comes from it
    std::vector<const device_t*> devices;  // those devices, in inventory order
};

// True when the package was published under an "oemN.inf" name, which is
// what the system's removal takes.
bool is_published_package(const store_package_t& package);

// The packages of the store that `store` (see init_driver_store) describes,
// for a system of `os_version` (major x 10 + minor), ordered by folder name
// (before Vista by published name) without regard to letter case;
// `inventory` supplies the devices that use them.
std::vector<store_package_t> list_store_packages(const driver_store_t& store, int32_t os_version,
                                                 const device_inventory_t& inventory);

// The bytes of all files below `folder` (0 when there is none).
uint64_t folder_size(u16view folder);

} // namespace tdu
