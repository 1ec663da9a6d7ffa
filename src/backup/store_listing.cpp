#include "backup/store_listing.h"

#include "backup/store_inf.h"
#include "common/file_tree.h"
#include "common/files.h"
#include "common/ignore_case.h"
#include "common/md5.h"

#include <algorithm>
#include <map>
#include <string>

namespace tdu {
namespace {

constexpr int32_t first_vista_version = 60;

bool ends_with_ignore_case(u16view text, u16view end)
{
    return text.size() >= end.size() && equals_ignore_case(text.substr(text.size() - end.size()), end);
}

// The INF at the top of a store folder: the one the folder is named after,
// else the first listed.
u16 folder_inf_name(u16view folder_path, u16view folder_name)
{
    std::vector<u16> infs = list_files(folder_path, u".inf");
    if (infs.empty()) return {};
    size_t mark = upper_case(folder_name).find(u".INF_");
    if (mark != u16::npos) {
        u16view expected = folder_name.substr(0, mark + 4);
        for (const u16& name : infs)
            if (equals_ignore_case(name, expected)) return name;
    }
    return infs.front();
}

// The precompiled INF beside an installed one: "oem12.inf" -> "oem12.PNF".
uint64_t installed_inf_size(u16view inf_folder, u16view name)
{
    uint64_t total = 0, size = 0;
    if (file_size(path_join(inf_folder, name), size)) total += size;
    if (name.size() > 4) {
        u16 pnf = u16(name.substr(0, name.size() - 4)) + u".pnf";
        // Listing finds the file in whatever letter case it was written.
        for (const u16& found : list_files(inf_folder, u".pnf"))
            if (equals_ignore_case(found, pnf) && file_size(path_join(inf_folder, found), size)) total += size;
    }
    return total;
}

void take_inf(store_package_t& package, const store_inf_t& inf)
{
    package.provider = inf.provider;
    package.class_name = inf.class_name;
    package.class_guid = inf.class_guid;
    package.driver_date = inf.driver_date;
    package.driver_version = inf.driver_version;
    package.hardware_ids = inf.hardware_ids;
}

std::vector<u16> published_infs(const driver_store_t& store)
{
    std::vector<u16> names;
    for (const u16& name : list_files(store.inf_folder, u".inf"))
        if (is_oem_inf_name(name)) names.push_back(name);
    return names;
}

std::vector<store_package_t> list_repository(const driver_store_t& store)
{
    // Published names by folder (upper case): the Setup API's answer first,
    // the digest of the INF's contents where it has none.
    std::map<u16, u16> by_folder;
    std::map<std::string, u16> by_digest;
    for (const u16& name : published_infs(store)) {
        char16_t path[store_path_chars] = {};
        u16 folder;
        if (store.lookup == driver_store_t::lookup_setup_api &&
            locate_inf_in_store(store, name.c_str(), nullptr, nullptr, path, store_path_chars, nullptr) &&
            package_folder_name(store, path, folder)) {
            by_folder.emplace(upper_case(folder), name);
            continue;
        }
        std::string digest;
        if (md5_file_hex(path_join(store.inf_folder, name), digest)) by_digest.emplace(digest, name);
    }

    std::vector<store_package_t> packages;
    std::vector<folder_entry_t> entries;
    if (store.driver_store_root.empty() || !list_folder(store.driver_store_root, entries)) return packages;
    std::sort(entries.begin(), entries.end(), [](const folder_entry_t& a, const folder_entry_t& b) {
        return upper_case(a.name) < upper_case(b.name);
    });
    for (const folder_entry_t& entry : entries) {
        if (!entry.is_folder) continue;
        store_package_t package;
        package.folder = path_join(store.driver_store_root, entry.name);
        package.original_name = folder_inf_name(package.folder, entry.name);
        if (package.original_name.empty()) continue;  // not a package
        package.inf_path = path_join(package.folder, package.original_name);
        store_inf_t inf;
        if (!read_store_inf(package.inf_path, inf)) continue;
        take_inf(package, inf);

        auto located = by_folder.find(upper_case(entry.name));
        if (located != by_folder.end()) {
            package.published_name = located->second;
        } else {
            std::string digest;
            if (md5_file_hex(package.inf_path, digest)) {
                auto same = by_digest.find(digest);
                if (same != by_digest.end()) package.published_name = same->second;
            }
        }
        package.size = folder_size(package.folder);
        if (package.published_name.empty())
            package.published_name = package.original_name;
        else
            package.size += installed_inf_size(store.inf_folder, package.published_name);
        packages.push_back(std::move(package));
    }
    return packages;
}

std::vector<store_package_t> list_installed_oem_infs(const driver_store_t& store)
{
    std::vector<store_package_t> packages;
    std::vector<u16> names = published_infs(store);
    std::sort(names.begin(), names.end(), [](const u16& a, const u16& b) { return upper_case(a) < upper_case(b); });
    for (const u16& name : names) {
        store_package_t package;
        package.published_name = name;
        package.original_name = name;
        package.inf_path = path_join(store.inf_folder, name);
        store_inf_t inf;
        if (!read_store_inf(package.inf_path, inf)) continue;
        take_inf(package, inf);
        package.size = installed_inf_size(store.inf_folder, name);
        char16_t path[store_path_chars] = {};
        u16 folder;
        if (locate_inf_in_store(store, name.c_str(), nullptr, nullptr, path, store_path_chars, nullptr) &&
            package_folder_name(store, path, folder)) {
            package.original_name = u16(path_file_name(path));
            package.folder = path_join(store.driver_store_root, folder);
            package.size += folder_size(package.folder);
        }
        packages.push_back(std::move(package));
    }
    return packages;
}

} // namespace

bool is_published_package(const store_package_t& package)
{
    return is_oem_inf_name(package.published_name) && ends_with_ignore_case(package.published_name, u".inf");
}

uint64_t folder_size(u16view folder)
{
    uint64_t total = 0;
    for (const u16& relative : list_files_below(folder)) {
        uint64_t size = 0;
        if (file_size(path_join(folder, relative), size)) total += size;
    }
    return total;
}

std::vector<store_package_t> list_store_packages(const driver_store_t& store, int32_t os_version,
                                                 const device_inventory_t& inventory)
{
    std::vector<store_package_t> packages =
        os_version < first_vista_version ? list_installed_oem_infs(store) : list_repository(store);

    // The folders the package location finds for the scanned devices.
    std::vector<driver_package_t> located;
    build_driver_packages(located, store, inventory);
    for (store_package_t& package : packages) {
        for (const device_t& device : inventory.devices) {
            if (!device.has_driver) continue;
            bool uses = equals_ignore_case(device.inf_path, package.published_name);
            if (!uses && !package.folder.empty()) {
                int index = find_package_of_device(located, &device);
                uses = index >= 0 && equals_ignore_case(package_folder_path(store, located[static_cast<size_t>(index)]),
                                                        package.folder);
            }
            if (uses) package.devices.push_back(&device);
        }
        package.in_use = !package.devices.empty();
    }
    return packages;
}

} // namespace tdu
