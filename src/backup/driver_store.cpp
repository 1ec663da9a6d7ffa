#include "backup/driver_store.h"

#include "common/file_tree.h"
#include "common/files.h"
#include "common/ignore_case.h"
#include "common/md5.h"

#include <algorithm>

namespace tdu {

driver_store_t driver_store;
std::vector<driver_package_t> driver_packages;

namespace {

constexpr int32_t first_vista_version = 60;

bool ends_with_inf(u16view path)
{
    return path.size() > 4 && equals_ignore_case(path.substr(path.size() - 4), u".inf");
}

void build_store_index(driver_store_t& store, u16view store_root)
{
    store.store_inf_index.clear();
    for (const u16& relative : list_files_below(store_root)) {
        u16 path = path_join(store_root, relative);
        if (!ends_with_inf(path)) continue;
        std::string digest;
        if (md5_file_hex(path, digest)) store.store_inf_index[digest] = path;
    }
}

// The lookup of the old store: the digest of the system's copy of the INF,
// looked up in the index.
bool locate_by_digest(const driver_store_t& store, const char16_t* inf_name, char16_t* buffer,
                      uint32_t buffer_chars, uint32_t* required_chars)
{
    if (!inf_name || !*inf_name) return false;
    std::string digest;
    if (!md5_file_hex(path_join(store.inf_folder, inf_name), digest)) return false;
    auto found = store.store_inf_index.find(digest);
    if (found == store.store_inf_index.end()) return false;
    const u16& path = found->second;
    if (required_chars) *required_chars = static_cast<uint32_t>(path.size() + 1);
    // A path cut to the buffer would name another folder: it does not fit,
    // as the Setup API answers too.
    if (!buffer || path.size() + 1 > buffer_chars) return false;
    copy_field(buffer, buffer_chars, path);
    return true;
}

} // namespace

bool is_oem_inf_name(u16view inf_name)
{
    return inf_name.size() >= 3 && equals_ignore_case(inf_name.substr(0, 3), u"oem");
}

int init_driver_store(driver_store_t& store, int32_t os_version, store_platform_c& platform)
{
    store = driver_store_t();
    store.inf_folder = platform.expand_environment(u"%SYSTEMROOT%\\inf").substr(0, store_path_chars - 1);
    u16 root;
    if (os_version < first_vista_version) {
        root = platform.expand_environment(u"%SYSTEMROOT%\\system32\\DRVSTORE");
        build_store_index(store, root);
        store.lookup = driver_store_t::lookup_own_index;
    } else {
        store.setup_api_locate = platform.load_store_locator();
        if (!store.setup_api_locate) return -1;
        root = platform.expand_environment(u"%SYSTEMROOT%\\System32\\DriverStore\\FileRepository");
        store.lookup = driver_store_t::lookup_setup_api;
    }
    store.driver_store_root = root.substr(0, store_path_chars - 1);
    return 0;
}

bool locate_inf_in_store(const driver_store_t& store, const char16_t* inf_name, const void* alternate_platform,
                         const char16_t* locale_name, char16_t* buffer, uint32_t buffer_chars,
                         uint32_t* required_chars)
{
    switch (store.lookup) {
    case driver_store_t::lookup_own_index:
        return locate_by_digest(store, inf_name, buffer, buffer_chars, required_chars);
    case driver_store_t::lookup_setup_api:
        return store.setup_api_locate(inf_name, alternate_platform, locale_name, buffer, buffer_chars,
                                      required_chars);
    case driver_store_t::lookup_none:
        break;
    }
    return false;
}

bool package_folder_name(const driver_store_t& store, u16view store_path, u16& folder_name)
{
    u16view root = store.driver_store_root;
    if (root.empty() || store_path.size() <= root.size()) return false;
    if (!equals_ignore_case(store_path.substr(0, root.size()), root)) return false;
    u16view rest = store_path.substr(root.size());
    // The root must end where the path has a separator: "DRVSTORE2" is not
    // inside "DRVSTORE".
    if (root.back() != u'\\') {
        if (rest.front() != u'\\') return false;
        rest.remove_prefix(1);
    }
    size_t end = rest.find(u'\\');
    // The INF lies inside the folder, so a backslash follows its name.
    if (end == 0 || end == u16view::npos) return false;
    folder_name = u16(rest.substr(0, std::min(end, store_path_chars - 1)));
    return true;
}

void build_driver_packages(std::vector<driver_package_t>& packages, const driver_store_t& store,
                           const device_inventory_t& inventory)
{
    packages.clear();
    for (const device_t& device : inventory.devices) {
        if (!device.has_driver) continue;
        bool inbox = !is_oem_inf_name(device.inf_path);
        // The old store holds only the packages installed from outside.
        if (store.lookup == driver_store_t::lookup_own_index && inbox) continue;

        char16_t path[store_path_chars] = {};
        if (!locate_inf_in_store(store, device.inf_path, nullptr, nullptr, path, store_path_chars, nullptr))
            continue;
        u16 folder;
        if (!package_folder_name(store, path, folder)) continue;

        driver_package_t* package = nullptr;
        for (driver_package_t& p : packages) {
            if (equals_ignore_case(p.folder_name, folder)) {
                package = &p;
                break;
            }
        }
        if (package)
            package->devices.push_back(&device);
        else
            packages.push_back({inbox, folder, {&device}});
    }
}

int find_package_of_device(const std::vector<driver_package_t>& packages, const device_t* device)
{
    if (!device) return -1;
    for (size_t i = 0; i < packages.size(); ++i) {
        for (const device_t* d : packages[i].devices) {
            if (d == device) return static_cast<int>(i);
        }
    }
    return -1;
}

u16 package_folder_path(const driver_store_t& store, const driver_package_t& package)
{
    return path_join(store.driver_store_root, package.folder_name);
}

} // namespace tdu
